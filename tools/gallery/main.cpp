#include "GalleryWindow.h"
#include "WidgetCatalogue.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    catalogue::installFontSubstitutes();
    GalleryWindow window;
    window.show();
    return app.exec();
}
