#include "PanelSpeed.h"

#include "GaugeSpeed.h"

#include <QDebug>

namespace {
constexpr int kNeedleLength = 50;
// Rotation that points the needle straight up at an angle of 0.
constexpr double kUpright = 180.0;
} // namespace

PanelSpeed::PanelSpeed(QWidget* parent, const QString& background)
    : QWidget(parent),
      m_background(instrument::scaledPicture(QPixmap(background), instrument::kLogicalSide))
{
}

QSize PanelSpeed::sizeHint() const
{
    return {100, 100};
}

QSize PanelSpeed::minimumSizeHint() const
{
    return {10, 10};
}

void PanelSpeed::SetCurrentValue(double dValue)
{
    m_dValue = dValue;
    qDebug() << "SetCurrentValue" << dValue;
    update();
}

void PanelSpeed::paintEvent(QPaintEvent*)
{
    instrument::paintDial(*this, m_background, m_needleColor, kNeedleLength, kUpright - m_dValue);
}
