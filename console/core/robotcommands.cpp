#include "robotcommands.h"

#include "threadcheck.h"

#include <QDebug>

#include <algorithm>
#include <utility>

namespace {

enum PadCode { kRight = 1, kLeft = 2, kTop = 3, kBottom = 4, kCentre = 5 };

constexpr uint16_t kNeutral = 1500;
// Drive offset: just above neutral as the slider leaves 0, full scale at 100.
constexpr double kOffsetAtZero = 115;
constexpr double kOffsetPerPercent = 3.85;
constexpr double kMaxOffset = 500;

constexpr uint16_t kArmRaise = 2000;
constexpr uint16_t kArmLower = 1000;

constexpr uint8_t kLensHigh = 200; // zoom in, focus far
constexpr uint8_t kLensLow = 100;  // zoom out, focus near
constexpr uint8_t kLensStop = 0;
constexpr uint8_t kLensReset = 150;

constexpr uint16_t kHeadRightOrDown = 2000;
constexpr uint16_t kHeadLeftOrUp = 500;

constexpr double kLampPerPercent = 10;
constexpr double kMaxLamp = 1000;
constexpr uint8_t kBackLedOn = 100;

constexpr uint8_t kSwitchOn = 255;
constexpr uint8_t kSwitchOff = 0;

uint8_t switchValue(bool on)
{
    return on ? kSwitchOn : kSwitchOff;
}

} // namespace

RobotCommands::RobotCommands(ISocketSystemHead* link, std::function<void(double)> speedGauge,
                             std::function<void(int)> drivePad)
    : m_pLink(link), m_speedGauge(std::move(speedGauge)), m_drivePad(std::move(drivePad))
{
}

void RobotCommands::sendTracks(Motion motion)
{
    const auto up = static_cast<uint16_t>(kNeutral + m_iDriveOffset);
    const auto down = static_cast<uint16_t>(kNeutral - m_iDriveOffset);
    switch (motion) {
    case Motion::Forward:
        m_pLink->SetCarPwm(down, down);
        break;
    case Motion::Backward:
        m_pLink->SetCarPwm(up, up);
        break;
    case Motion::TurnRight:
        m_pLink->SetCarPwm(down, up);
        break;
    case Motion::TurnLeft:
        m_pLink->SetCarPwm(up, down);
        break;
    case Motion::Stop:
        m_pLink->SetCarPwm(kNeutral, kNeutral);
        break;
    }
}

void RobotCommands::toggleLatch(Latch latch, Motion motion)
{
    if (m_iDriveLatch == latch) {
        m_speedGauge(0);
        sendTracks(Motion::Stop);
        m_iDriveLatch = kNoLatch;
    } else {
        m_speedGauge(m_dSpeedValue);
        sendTracks(motion);
        m_iDriveLatch = latch;
    }
    m_drivePad(m_iDriveLatch);
}

void RobotCommands::resumeLatched()
{
    if (m_iDriveLatch == kForwardLatched) {
        m_speedGauge(m_dSpeedValue);
        sendTracks(Motion::Forward);
    } else if (m_iDriveLatch == kBackwardLatched) {
        m_speedGauge(m_dSpeedValue);
        sendTracks(Motion::Backward);
    } else {
        m_speedGauge(0);
        sendTracks(Motion::Stop);
    }
}

void RobotCommands::ControlDirection(int iDirection)
{
    MORAVEL_ASSERT_GUI_THREAD();
    qDebug() << "ControlDirection iDirection" << iDirection;
    if (heldBack())
        return;
    switch (iDirection) {
    case kTop:
        toggleLatch(kForwardLatched, Motion::Forward);
        break;
    case kBottom:
        toggleLatch(kBackwardLatched, Motion::Backward);
        break;
    case kRight:
    case kLeft:
        m_speedGauge(m_dSpeedValue);
        sendTracks(iDirection == kRight ? Motion::TurnRight : Motion::TurnLeft);
        break;
    case kCentre:
        // The stop follows on release.
        m_speedGauge(m_dSpeedValue);
        m_iDriveLatch = kNoLatch;
        m_drivePad(kNoLatch);
        break;
    default:
        break;
    }
}

void RobotCommands::ReControlDirection(int iDirection)
{
    qDebug() << "ReControlDirection iDirection" << iDirection << m_iDriveLatch;
    if (heldBack())
        return;
    // Releasing a turn resumes the latched run, or stops.
    resumeLatched();
    m_drivePad(m_iDriveLatch);
}

void RobotCommands::ControlUpDown(int iUpDown)
{
    qDebug() << "ControlUpDown iUpDown" << iUpDown;
    if (heldBack())
        return;
    if (iUpDown == kTop)
        m_pLink->SetArmPwm(kArmRaise);
    else if (iUpDown == kBottom)
        m_pLink->SetArmPwm(kArmLower);
}

void RobotCommands::ReControlUpDown(int iUpDown)
{
    qDebug() << "ReControlUpDown iUpDown" << iUpDown;
    if (heldBack())
        return;
    m_pLink->SetArmPwm(kNeutral);
}

void RobotCommands::ControlFocus(int iFocus)
{
    qDebug() << "ControlFocus iFocus" << iFocus;
    if (heldBack())
        return;
    switch (iFocus) {
    case kRight:
        m_pLink->SetPhoForN(kLensHigh);
        break;
    case kLeft:
        m_pLink->SetPhoForN(kLensLow);
        break;
    case kTop:
        m_pLink->SetPhoBorS(kLensHigh);
        break;
    case kBottom:
        m_pLink->SetPhoBorS(kLensLow);
        break;
    case kCentre:
        m_pLink->SetPhoReset(kLensReset);
        break;
    default:
        break;
    }
}

void RobotCommands::ReControlFocus(int iFocus)
{
    qDebug() << "ReControlFocus iFocus" << iFocus;
    if (heldBack())
        return;
    if (iFocus == kRight || iFocus == kLeft)
        m_pLink->SetPhoForN(kLensStop);
    else if (iFocus == kTop || iFocus == kBottom)
        m_pLink->SetPhoBorS(kLensStop);
}

void RobotCommands::ControlCame(int iCame)
{
    qDebug() << "ControlCame iCame" << iCame;
    if (heldBack())
        return;
    switch (iCame) {
    case kRight:
        m_pLink->SetPhoPwm1(kHeadRightOrDown);
        break;
    case kLeft:
        m_pLink->SetPhoPwm1(kHeadLeftOrUp);
        break;
    case kTop:
        qDebug() << "ControlCame iCame" << iCame;
        m_pLink->SetPhoPwm0(kHeadLeftOrUp);
        break;
    case kBottom:
        m_pLink->SetPhoPwm0(kHeadRightOrDown);
        break;
    case kCentre:
        m_pLink->SetPhoCenter(0);
        break;
    default:
        break;
    }
}

void RobotCommands::ReControlCame(int iCame)
{
    qDebug() << "ReControlCame iCame" << iCame;
    if (heldBack())
        return;
    // Crosswise: a sideways press moves channel 1, its release centres channel 0;
    // an up or down press moves channel 0, its release centres channel 1.
    if (iCame == kRight || iCame == kLeft)
        m_pLink->SetPhoPwm0(kNeutral);
    else if (iCame == kTop || iCame == kBottom)
        m_pLink->SetPhoPwm1(kNeutral);
}

void RobotCommands::GetSpeedValue(double dValue)
{
    m_shown.speed = dValue;
    if (heldBack())
        return;
    qDebug() << "GetSpeedValue" << m_iDriveOffset;
    m_dSpeedValue = dValue;
    if (dValue > 0) {
        if (m_iDriveOffset == 0)
            m_pLink->SetKeySafe(kSwitchOn);
        m_iDriveOffset = driveOffsetFor(dValue);
        if (m_iDriveLatch == kForwardLatched)
            sendTracks(Motion::Forward);
        else if (m_iDriveLatch == kBackwardLatched)
            sendTracks(Motion::Backward);
    } else {
        if (m_iDriveOffset > 0)
            m_pLink->SetKeySafe(kSwitchOff);
        m_iDriveOffset = 0;
    }
}

void RobotCommands::GetMainLightValue(double dValue)
{
    m_shown.mainLight = dValue;
    if (heldBack())
        return;
    const uint16_t value = lampValueFor(dValue);
    qDebug() << "GetMainLightValue" << value;
    m_pLink->SetLampPwm(value);
}

void RobotCommands::GetBackLightValue(double dValue)
{
    m_shown.backLight = dValue;
    if (heldBack())
        return;
    const uint8_t value = backLedValueFor(dValue);
    qDebug() << "GetBackLightValue" << int(value);
    m_pLink->SetBackLed(value);
}

void RobotCommands::LensDemisterCheck(bool bCheck)
{
    qDebug() << "LensDemisterCheck bCheck" << bCheck;
    m_shown.lensDemister = bCheck;
    if (heldBack())
        return;
    m_pLink->SetPhoDisHum(switchValue(bCheck));
}

void RobotCommands::ElectricTakeupCheck(bool bCheck)
{
    qDebug() << "ElectricTakeupCheck bCheck" << bCheck;
    m_shown.electricTakeup = bCheck;
    if (heldBack())
        return;
    m_pLink->SetAutoWir(switchValue(bCheck));
}

void RobotCommands::LaserDistanceCheck(bool bCheck)
{
    qDebug() << "LaserDistanceCheck bCheck" << bCheck;
    m_shown.laserDistance = bCheck;
    if (heldBack())
        return;
    m_pLink->SetDisMeasure(switchValue(bCheck));
}

void RobotCommands::ResetControl(AfterReset after)
{
    MORAVEL_ASSERT_GUI_THREAD();
    if (m_bShutDown)
        return;
    m_bShutDown = after == AfterReset::Shutdown;
    m_pLink->ResetControl();
    // The neutral set stops the tracks and clears the drive enable key.
    m_iDriveLatch = kNoLatch;
    m_drivePad(kNoLatch);
    m_speedGauge(0);
    m_dSpeedValue = m_shown.speed;
    m_iDriveOffset = driveOffsetFor(m_shown.speed);
    // Whether the remote holds control is known for sure only from a record
    // that arrives after the reset. A crawler being left gets nothing more.
    m_bResendPending = after == AfterReset::Resume;
}

void RobotCommands::statusApplied()
{
    MORAVEL_ASSERT_GUI_THREAD();
    if (!m_bResendPending || heldBack())
        return;
    m_bResendPending = false;
    if (m_iDriveOffset > 0)
        m_pLink->SetKeySafe(kSwitchOn);
    m_pLink->SetLampPwm(lampValueFor(m_shown.mainLight));
    m_pLink->SetBackLed(backLedValueFor(m_shown.backLight));
    m_pLink->SetPhoDisHum(switchValue(m_shown.lensDemister));
    m_pLink->SetAutoWir(switchValue(m_shown.electricTakeup));
    m_pLink->SetDisMeasure(switchValue(m_shown.laserDistance));
}

int RobotCommands::driveOffsetFor(double speed)
{
    if (!(speed > 0))
        return 0;
    // Kept within the track range even for a value beyond the slider's 100.
    return static_cast<int>(std::min(kOffsetAtZero + kOffsetPerPercent * speed, kMaxOffset));
}

uint16_t RobotCommands::lampValueFor(double light)
{
    // Kept within the lamp range for any input, NaN included.
    return static_cast<uint16_t>(light > 0 ? std::min(light * kLampPerPercent, kMaxLamp) : 0);
}

uint8_t RobotCommands::backLedValueFor(double light)
{
    // On or off: every position above 0 means on.
    return light > 0 ? kBackLedOn : 0;
}
