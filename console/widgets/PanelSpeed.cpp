#include "PanelSpeed.h"

namespace {
constexpr int kNeedleLength = 50;
// Rotation that points the needle straight up at an angle of 0.
constexpr double kUpright = 180.0;
const QColor kNeedleColor(255, 0, 0);
} // namespace

PanelSpeed::PanelSpeed(QWidget* parent, const QString& background)
    : NeedleDial(parent, background, kNeedleColor, kNeedleLength)
{
}

double PanelSpeed::needleAngle(double value) const
{
    return kUpright - value;
}
