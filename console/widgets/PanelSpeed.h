#pragma once

#include "NeedleDial.h"

// Attitude dial: an angle in degrees over a printed half-dial, 0 at the top, positive
// angles to the left.
class PanelSpeed : public NeedleDial {
    Q_OBJECT

public:
    PanelSpeed(QWidget* parent, const QString& background);

protected:
    double needleAngle(double value) const override;
};
