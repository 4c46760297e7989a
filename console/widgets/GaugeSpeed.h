#pragma once

#include "NeedleDial.h"

// Speed dial: the commanded drive speed in percent over the printed speed scale.
class GaugeSpeed : public NeedleDial {
    Q_OBJECT

public:
    explicit GaugeSpeed(QWidget* parent = nullptr);

protected:
    double needleAngle(double value) const override;

private:
    double m_dMinValue = 0.0;
    double m_dMaxValue = 100.0;
    int m_iStartAngle = 49;
    int m_iEndAngle = 315;
};
