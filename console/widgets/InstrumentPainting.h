#pragma once

#include <QPixmap>

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

// Paints a needle dial into the widget: the background picture (already scaled to the
// logical side) and a kite-shaped needle turned clockwise from straight down by the angle.
void paintDial(QWidget& widget, const QPixmap& background, const QColor& needleColour,
               int needleLength, double angle);

} // namespace instrument
