#pragma once

#include <QWidget>

class PanelSpeed;
class PitchPanel;
class RollingPanel;

// Attitude block: roll and pitch each shown as a turning crawler picture and a needle dial.
class StatusPanel : public QWidget {
    Q_OBJECT

public:
    explicit StatusPanel(QWidget* parent = nullptr);

public slots:
    void SetRollingPanel(double dValue);
    void SetPitchPanel(double dValue);

private:
    PanelSpeed* m_pRollDial;
    PanelSpeed* m_pPitchDial;
    RollingPanel* m_pRollingPanel;
    PitchPanel* m_pPitchPanel;
};
