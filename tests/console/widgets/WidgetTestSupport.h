// Shared set-up of the widget test programs: the one QApplication, made on
// the offscreen platform unless a platform is chosen, and helpers for
// rendering a widget and listing its meta-object methods.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMetaMethod>
#include <QMetaObject>
#include <QStringList>
#include <QWidget>

#include <cstdlib>

namespace widgettest {

inline int argc = 1;
inline char arg0[] = "widget_test";
inline char* argv[] = {arg0, nullptr};
// Test discovery runs the program without a display.
[[maybe_unused]] inline const bool platform =
    qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qputenv("QT_QPA_PLATFORM", "offscreen");
inline QApplication app(argc, argv);

// The widget and its children painted over a black canvas of the given size.
inline QImage paintOnBlack(QWidget& widget, const QSize& canvas)
{
    QImage image(canvas, QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The widget and its children painted over black.
inline QImage paintOnBlack(QWidget& widget)
{
    return paintOnBlack(widget, widget.size().expandedTo(QSize(1, 1)));
}

// Every channel of a within tolerance of b's.
inline bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The class's own meta-object methods, in registration order.
inline QStringList ownMethods(const QMetaObject& meta)
{
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << QString::fromLatin1(meta.method(i).methodSignature());
    return methods;
}

} // namespace widgettest
