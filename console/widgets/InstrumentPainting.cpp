#include "InstrumentPainting.h"

#include <QPainter>
#include <QPolygonF>
#include <QWidget>

#include <algorithm>

namespace instrument {

bool enterLogicalSpace(QPainter& painter, const QSize& widgetSize)
{
    const int side = std::min(widgetSize.width(), widgetSize.height());
    if (side <= 0)
        return false;
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(widgetSize.width() / 2, widgetSize.height() / 2);
    painter.scale(side / double(kLogicalSide), side / double(kLogicalSide));
    return true;
}

QPixmap scaledPicture(const QPixmap& picture, int side)
{
    if (picture.isNull())
        return picture;
    return picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void paintDial(QWidget& widget, const QPixmap& background, const QColor& needleColour,
               int needleLength, double angle)
{
    QPainter painter(&widget);
    if (!enterLogicalSpace(painter, widget.size()))
        return;
    constexpr int kHalf = kLogicalSide / 2;
    if (!background.isNull())
        painter.drawPixmap(-kHalf, -kHalf, background);

    constexpr double kHalfWidth = 5.0;
    constexpr double kTail = 8.0;
    const QPointF kite[] = {
        {-kHalfWidth, 0.0}, {0.0, -kTail}, {kHalfWidth, 0.0}, {0.0, double(needleLength)}};
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(needleColour);
    painter.rotate(angle);
    painter.drawConvexPolygon(kite, 4);
    painter.restore();
}

} // namespace instrument
