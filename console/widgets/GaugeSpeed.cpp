#include "GaugeSpeed.h"

#include <QDebug>
#include <QPainter>
#include <QPolygonF>

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

namespace {
constexpr int kNeedleLength = 60;
constexpr int kScaleSteps = 11;
constexpr int kSweepSteps = 10;
} // namespace

GaugeSpeed::GaugeSpeed(QWidget* parent)
    : QWidget(parent), m_background(instrument::scaledPicture(QPixmap(":/images/Others/speed.png"),
                                                              instrument::kLogicalSide))
{
}

QSize GaugeSpeed::sizeHint() const
{
    return {100, 100};
}

QSize GaugeSpeed::minimumSizeHint() const
{
    return {10, 10};
}

void GaugeSpeed::SetCurrentValue(double dValue)
{
    m_dValue = dValue;
    qDebug() << "SetCurrentValue" << dValue;
    update();
}

void GaugeSpeed::paintEvent(QPaintEvent*)
{
    // The scale spans ten of its eleven integer steps (240 degrees), not the full range.
    const int sweep = (m_iEndAngle - m_iStartAngle) / kScaleSteps * kSweepSteps;
    const double valueAngle = sweep / (m_dMaxValue - m_dMinValue) * (m_dValue - m_dMinValue);
    instrument::paintDial(*this, m_background, m_needleColor, kNeedleLength,
                          m_iStartAngle + valueAngle);
}
