// moravel-review: the review window on a save folder, or with --report,
// --assess, --import or --grab the same work without a window.
#include "headlessgrab.h"
#include "headlessreport.h"
#include "reviewwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    const bool grab = HeadlessGrab::requested(argc, argv);
    const bool headless = grab || HeadlessReport::requested(argc, argv);
    // Reports need fonts, not a screen.
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moravel-review"));
    if (grab) {
        return HeadlessGrab::run(QApplication::arguments());
    }
    if (headless) {
        return HeadlessReport::run(QApplication::arguments());
    }
    return ReviewWindow::run(QApplication::arguments());
}
