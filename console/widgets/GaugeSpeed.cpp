#include "GaugeSpeed.h"

namespace {
constexpr int kNeedleLength = 60;
constexpr int kScaleSteps = 11;
constexpr int kSweepSteps = 10;
const QColor kNeedleColor(255, 255, 255);
} // namespace

GaugeSpeed::GaugeSpeed(QWidget* parent)
    : NeedleDial(parent, ":/images/Others/speed.png", kNeedleColor, kNeedleLength)
{
}

double GaugeSpeed::needleAngle(double value) const
{
    // The scale spans ten of its eleven integer steps (240 degrees), not the full range.
    const int sweep = (m_iEndAngle - m_iStartAngle) / kScaleSteps * kSweepSteps;
    const double valueAngle = sweep / (m_dMaxValue - m_dMinValue) * (value - m_dMinValue);
    return m_iStartAngle + valueAngle;
}
