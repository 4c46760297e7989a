// Moravel: the operator console of the pipe-inspection crawler.
#include "FontFaces.h"
#include "closeonexit.h"
#include "closeonsignals.h"
#include "crashhandler.h"
#include "mainwidgets.h"

#include <QApplication>

#include <opencv2/core/utility.hpp>

#include <csignal>

int main(int argc, char** argv)
{
    // Before any Qt object, so a crash during start-up is reported too.
    crash::install(crash::programDir());
    // A write to a display or peer that has gone is an error to handle, not
    // the end of the process.
    std::signal(SIGPIPE, SIG_IGN);
    // config.ini lives in $XDG_CONFIG_HOME/Moravel whatever the program file is called.
    QCoreApplication::setApplicationName(QStringLiteral("Moravel"));
    // The console paints with the raster engine and never uses OpenGL: without
    // Qt's GLX integration no GL driver is loaded (some 50 MB resident).
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // OpenCV runs each call on the calling thread: the decoders and the camera
    // threads already keep the cores busy, and a pool sharing out the views'
    // scaling only adds its hand-overs (some 5 % of the console's time).
    cv::setNumThreads(1);
    QApplication app(argc, argv);
    // SIGTERM, SIGINT and SIGHUP close the console as its close button does,
    // so the crawler is reset and a recording finished. Outlives the console:
    // a signal during its shutdown cannot cut it short.
    const CloseOnSignals closeOnSignals;
    // "微软雅黑" and the other Windows faces of the style sheets show CJK text.
    installFontSubstitutions();
    int result = 0;
    {
        mainWidgets console;
        // Losing the display ends the process from inside Qt: the console
        // closes as its close button does first (a no-op once it has).
        const CloseOnExit closeOnExit([&console] { console.shutDown(); });
        console.show();
        result = QApplication::exec();
        console.shutDown();
    }
    return result;
}
