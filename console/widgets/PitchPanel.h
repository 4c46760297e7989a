#pragma once

#include "RollingPanel.h"

// Picture of the crawler seen from the front, turned by the measured pitch angle.
class PitchPanel : public RollingPanel {
    Q_OBJECT

public:
    explicit PitchPanel(QWidget* parent = nullptr);
};
