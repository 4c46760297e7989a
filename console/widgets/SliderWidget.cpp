#include "SliderWidget.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPainter>

namespace {
// The bottom pixels always read as the minimum.
constexpr int kFloorLevel = 30;
constexpr int kCornerRadius = 4;
constexpr int kTextX = 5;
// Baseline of the percentage below the top of the fill.
constexpr int kTextBelowFill = 15;
constexpr int kFontPoints = 7;
const QColor kTrackColor(65, 64, 62);
const QColor kFillColor(74, 253, 255);
} // namespace

SliderWidget::SliderWidget(QWidget* parent) : QWidget(parent), m_iLevel(kFloorLevel)
{
}

QString SliderWidget::percentText() const
{
    return QString::number(static_cast<int>(m_dValue)) + "%";
}

void SliderWidget::mousePressEvent(QMouseEvent* event)
{
    pointerAt(event->pos().y());
}

void SliderWidget::mouseMoveEvent(QMouseEvent* event)
{
    pointerAt(event->pos().y());
}

void SliderWidget::pointerAt(int y)
{
    const int h = height();
    // Drags that leave the widget change nothing; so do heights without a range.
    if (y < 0 || y > h || h <= kFloorLevel)
        return;
    m_iLevel = qMax(h - y, kFloorLevel);
    update();
    m_dValue = static_cast<double>(m_iLevel - kFloorLevel) / (h - kFloorLevel) *
                   (m_dMaximum - m_dMinimum) +
               m_dMinimum;
    qDebug() << "value: " << m_dValue;
    emit sigPositonChangeBk(m_dValue);
}

void SliderWidget::paintEvent(QPaintEvent* /*event*/)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.save();

    QPen pen(m_borderColor, 1);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(kTrackColor);
    painter.drawRoundedRect(QRect(0, 0, w, h), kCornerRadius, kCornerRadius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kFillColor);
    painter.drawRoundedRect(QRect(0, h - m_iLevel, w, m_iLevel), kCornerRadius, kCornerRadius);

    painter.setPen(QPen(kTrackColor, 1));
    painter.setBrush(Qt::white);
    painter.setFont(QFont(QStringLiteral("华文琥珀"), kFontPoints, QFont::Bold, false));
    painter.drawText(QPoint(kTextX, h - m_iLevel + kTextBelowFill), percentText());

    painter.restore();
}
