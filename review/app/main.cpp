// moravel-review: the review window on a save folder, or with --report,
// --assess or --import the same work without a window.
#include "headlessreport.h"
#include "reviewwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    const bool headless = HeadlessReport::requested(argc, argv);
    // Reports need fonts, not a screen.
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moravel-review"));
    if (headless) {
        return HeadlessReport::run(QApplication::arguments());
    }
    return ReviewWindow::run(QApplication::arguments());
}
