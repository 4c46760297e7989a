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

const QPixmap& KeptDrawing::of(const QWidget& widget, double key,
                               const std::function<void(QPainter&)>& draw)
{
    const qreal ratio = widget.devicePixelRatioF();
    const QSize pixels = widget.size() * ratio;
    if (m_pixmap.size() == pixels && m_pixmap.devicePixelRatio() == ratio && key == m_key)
        return m_pixmap;
    m_key = key;
    m_pixmap = QPixmap(pixels);
    if (m_pixmap.isNull())
        return m_pixmap;
    m_pixmap.setDevicePixelRatio(ratio);
    m_pixmap.fill(Qt::transparent);
    QPainter painter(&m_pixmap);
    if (enterLogicalSpace(painter, widget.size()))
        draw(painter);
    return m_pixmap;
}

void paintDial(QWidget& widget, KeptDrawing& face, const QPixmap& background,
               const QColor& needleColour, int needleLength, double angle)
{
    constexpr int kHalf = kLogicalSide / 2;
    QPainter painter(&widget);
    painter.drawPixmap(0, 0, face.of(widget, 0, [&background](QPainter& logical) {
        if (!background.isNull())
            logical.drawPixmap(-kHalf, -kHalf, background);
    }));
    if (!enterLogicalSpace(painter, widget.size()))
        return;

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
