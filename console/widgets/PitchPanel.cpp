#include "PitchPanel.h"

PitchPanel::PitchPanel(QWidget* parent) : RollingPanel(parent, ":/images/Others/pitch.png")
{
}
