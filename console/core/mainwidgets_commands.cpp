// The console's command slots: operator input goes to RobotCommands, which
// applies the remote gate and talks to the link system.
#include "mainwidgets.h"

#include "GaugeCloud.h"
#include "robotcommands.h"

void mainWidgets::ControlDirection(int iDirection)
{
    m_pCommands->ControlDirection(iDirection);
}

void mainWidgets::ReControlDirection(int iDirection)
{
    m_pCommands->ReControlDirection(iDirection);
}

void mainWidgets::ControlUpDown(int iUpDown)
{
    m_pCommands->ControlUpDown(iUpDown);
}

void mainWidgets::ReControlUpDown(int iUpDown)
{
    m_pCommands->ReControlUpDown(iUpDown);
}

void mainWidgets::ControlFocus(int iFocus)
{
    m_pCommands->ControlFocus(iFocus);
}

void mainWidgets::ReControlFocus(int iFocus)
{
    m_pCommands->ReControlFocus(iFocus);
}

void mainWidgets::ControlCame(int iCame)
{
    m_pCommands->ControlCame(iCame);
}

void mainWidgets::ReControlCame(int iCame)
{
    m_pCommands->ReControlCame(iCame);
}

void mainWidgets::GetSpeedValue(double dValue)
{
    m_pCommands->GetSpeedValue(dValue);
}

void mainWidgets::GetMainLightValue(double dValue)
{
    m_pCommands->GetMainLightValue(dValue);
}

void mainWidgets::GetBackLightValue(double dValue)
{
    m_pCommands->GetBackLightValue(dValue);
}

void mainWidgets::LensDemisterCheck(bool bCheck)
{
    m_pCommands->LensDemisterCheck(bCheck);
}

void mainWidgets::ElectricTakeupCheck(bool bCheck)
{
    m_pCommands->ElectricTakeupCheck(bCheck);
}

void mainWidgets::LaserDistanceCheck(bool bCheck)
{
    m_pCommands->LaserDistanceCheck(bCheck);
}
