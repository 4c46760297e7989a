// moravel-review: the review window on a save folder, or with --report the
// report without a window.
#include "headlessreport.h"
#include "reviewwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    const bool headless = HeadlessReport::requested(argc, argv);
    // The report needs fonts, not a screen.
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
