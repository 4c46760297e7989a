// The console's robot commands: operator input on the pads, sliders and
// switches turned into link calls. mainWidgets forwards its command slots
// here one to one. Everything runs on the GUI thread except setRemoteState,
// which the link library's thread calls with every status record.
#pragma once

#include "ISocketSystemHead.h"

#include <atomic>
#include <cstdint>
#include <functional>

class RobotCommands {
public:
    // State of the wireless remote while it holds control: nothing is sent.
    static constexpr uint8_t kRemoteHasControl = 255;

    // Drive latch values, mirrored on the drive pad.
    enum Latch { kNoLatch = 0, kForwardLatched = 1, kBackwardLatched = 2 };

    // speedGauge receives what sendSpeedValue carries to the speed gauge;
    // drivePad receives the latch for the drive pad's updateUpDowmStatus.
    // The link system must outlive this object.
    RobotCommands(ISocketSystemHead* link, std::function<void(double)> speedGauge,
                  std::function<void(int)> drivePad);

    // Any thread.
    void setRemoteState(uint8_t state) { m_remoteState.store(state); }
    uint8_t remoteState() const { return m_remoteState.load(); }

    // Pads: sector codes 1 right, 2 left, 3 top, 4 bottom, 5 centre.
    void ControlDirection(int iDirection);
    void ReControlDirection(int iDirection);
    void ControlUpDown(int iUpDown);
    void ReControlUpDown(int iUpDown);
    void ControlFocus(int iFocus);
    void ReControlFocus(int iFocus);
    void ControlCame(int iCame);
    void ReControlCame(int iCame);
    // Sliders, 0 to 100.
    void GetSpeedValue(double dValue);
    void GetMainLightValue(double dValue);
    void GetBackLightValue(double dValue);
    // Accessory switches.
    void LensDemisterCheck(bool bCheck);
    void ElectricTakeupCheck(bool bCheck);
    void LaserDistanceCheck(bool bCheck);

    int driveLatch() const { return m_iDriveLatch; }
    int driveOffset() const { return m_iDriveOffset; }
    double speedValue() const { return m_dSpeedValue; }

private:
    enum class Motion { Forward, Backward, TurnRight, TurnLeft, Stop };

    bool remoteHasControl() const { return m_remoteState.load() == kRemoteHasControl; }
    void sendTracks(Motion motion);
    // Sends the latched run (or stop) and reports its speed to the gauge.
    void resumeLatched();
    // A second press on the latched direction stops; otherwise it latches.
    void toggleLatch(Latch latch, Motion motion);

    ISocketSystemHead* m_pLink;
    std::function<void(double)> m_speedGauge;
    std::function<void(int)> m_drivePad;

    std::atomic<uint8_t> m_remoteState{0};
    int m_iDriveOffset = 0;
    int m_iDriveLatch = kNoLatch;
    double m_dSpeedValue = 0;
};
