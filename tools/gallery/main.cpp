// gallery [--screenshot FILE]: shows every instrument widget; with --screenshot
// it saves a picture of the whole window and quits.
#include "GalleryWindow.h"
#include "WidgetCatalogue.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the widgets to <file> and quit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    installFontSubstitutions();
    GalleryWindow window;
    window.resize(window.sizeHint().expandedTo(QSize(1600, 1000)));
    window.show();
    if (parser.isSet(screenshot)) {
        // Once the first paint is through, the window's picture is complete.
        QTimer::singleShot(0, &window, [&] {
            const QString file = parser.value(screenshot);
            const bool saved = window.content()->grab().save(file);
            std::printf("%s %s\n", saved ? "saved" : "cannot save", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
