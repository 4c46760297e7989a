#pragma once

#include <QPixmap>

#include <functional>
#include <limits>

class QColor;
class QPainter;
class QSize;
class QWidget;

// Painting shared by the console's round instruments: each draws in a 200 x 200 logical
// space centred in the widget and scaled by its shorter side.
namespace instrument {

constexpr int kLogicalSide = 200;

// Sets the render hints and maps the logical space onto the widget. Returns false when the
// widget has no area, in which case nothing must be drawn.
bool enterLogicalSpace(QPainter& painter, const QSize& widgetSize);

// The picture scaled to side x side keeping its aspect ratio (null stays null). The result
// does not depend on the widget size, so callers scale once and keep it.
QPixmap scaledPicture(const QPixmap& picture, int side);

// A drawing in the logical space kept at the widget's size: telemetry repaints the
// instruments 20 times a second, and drawing their pictures afresh each time costs a
// smooth transformation of a whole picture.
class KeptDrawing {
public:
    // The drawing for the key; draw paints it in the logical space, and only when the
    // widget's size, its pixel ratio or the key changed since the last call.
    const QPixmap& of(const QWidget& widget, double key,
                      const std::function<void(QPainter&)>& draw);

private:
    QPixmap m_pixmap;
    double m_key = std::numeric_limits<double>::quiet_NaN();
};

// Paints a needle dial into the widget: the background picture (already scaled to the
// logical side, kept in face) and a kite-shaped needle turned clockwise from straight
// down by the angle.
void paintDial(QWidget& widget, KeptDrawing& face, const QPixmap& background,
               const QColor& needleColour, int needleLength, double angle);

} // namespace instrument
