#include "SwitchButton.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// Alpha of the track while the switch can be used; a disabled one is opaque.
constexpr int kEnabledTrackAlpha = 60;
// The knob moves a tenth of the width per animation step.
constexpr int kStepDivisor = 10;
// Gap between the knob and its caption.
constexpr int kTextGap = 5;
} // namespace

SwitchButton::SwitchButton(QWidget* parent, bool checked)
    : QWidget(parent), m_bChecked(checked), m_strTextOff(tr("关闭")), m_strTextOn(tr("开启")),
      m_timer(this)
{
    connect(&m_timer, &QTimer::timeout, this, &SwitchButton::onTimeout);
}

void SwitchButton::mousePressEvent(QMouseEvent* /*event*/)
{
    m_bChecked = !m_bChecked;
    emit toggled(m_bChecked);

    // At least one pixel, or a switch narrower than ten pixels would animate forever.
    m_iStep = qMax(1, width() / kStepDivisor);
    m_iEndX = m_bChecked ? width() - height() : 0;
    m_timer.start();
}

void SwitchButton::onTimeout()
{
    if (m_bChecked) {
        if (m_iStartX < m_iEndX) {
            m_iStartX += m_iStep;
        } else {
            m_iStartX = m_iEndX;
            m_timer.stop();
        }
    } else {
        if (m_iStartX > m_iEndX) {
            m_iStartX -= m_iStep;
        } else {
            m_iStartX = m_iEndX;
            m_timer.stop();
        }
    }
    update();
}

void SwitchButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    const int w = width();
    const int h = height();
    const int side = qMin(w, h);

    QColor track = m_bChecked ? m_bgColorOn : m_bgColorOff;
    if (isEnabled())
        track.setAlpha(kEnabledTrackAlpha);
    // One united outline so the translucent track has no darker overlaps.
    QPainterPath left;
    left.addEllipse(0, 0, side, side);
    QPainterPath right;
    right.addEllipse(w - side, 0, side, side);
    QPainterPath middle;
    middle.addRect(side / 2, 0, w - side, h);
    painter.setPen(Qt::NoPen);
    painter.fillPath(left.united(right).united(middle), track);

    const int t = side - 2 * m_iSpace - kTextGap;
    painter.setPen(m_textColor);
    if (m_bChecked)
        painter.drawText(QRect(0, 0, w - t, h), Qt::AlignCenter, m_strTextOn);
    else
        painter.drawText(QRect(t, 0, w - t, h), Qt::AlignCenter, m_strTextOff);

    painter.setPen(Qt::NoPen);
    painter.setBrush(m_bChecked ? m_sliderColorOn : m_sliderColorOff);
    const int knob = side - 2 * m_iSpace;
    painter.drawEllipse(m_iSpace + m_iStartX, m_iSpace, knob, knob);
}
