// The console's robot commands: operator input on the pads, sliders and
// switches turned into link calls. mainWidgets forwards its command slots
// here one to one. Everything runs on the GUI thread except setRemoteState,
// which the link library's thread calls with every status record.
// Every ResetControl the console sends goes through here, so that the
// console's drive state always matches the crawler's neutral set.
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

    // What follows a ResetControl.
    enum class AfterReset {
        Resume,  // the link is open again or the remote has handed back
        Leave,   // the link closes for another address; its opening resumes
        Shutdown // the console closes: nothing is sent any more
    };

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

    // Sends ResetControl; the latch becomes 0 (the pad shows it) and the gauge
    // 0. After Resume, the next status record that finds the remote without
    // control re-sends the drive enable key (speed slider above 0) and the
    // outputs the controls show; motion stays neutral until a pad is
    // pressed. Shutdown silences every later call, later resets included.
    void ResetControl(AfterReset after);
    // GUI thread, after each status record: the re-send a Resume left.
    void statusApplied();

    int driveLatch() const { return m_iDriveLatch; }
    int driveOffset() const { return m_iDriveOffset; }
    double speedValue() const { return m_dSpeedValue; }

private:
    enum class Motion { Forward, Backward, TurnRight, TurnLeft, Stop };

    // What the sliders and switches show, followed also while nothing is
    // sent, so a reset can bring the crawler back in line with the screen.
    struct Shown {
        double speed = 0;
        double mainLight = 0;
        double backLight = 0;
        bool lensDemister = false;
        bool electricTakeup = false;
        bool laserDistance = false;
    };

    bool remoteHasControl() const { return m_remoteState.load() == kRemoteHasControl; }
    // The remote holds control or the console has shut down.
    bool heldBack() const { return m_bShutDown || remoteHasControl(); }
    // Slider values as the crawler takes them.
    static int driveOffsetFor(double speed);
    static uint16_t lampValueFor(double light);
    static uint8_t backLedValueFor(double light);
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
    Shown m_shown;
    bool m_bShutDown = false;
    bool m_bResendPending = false;
};
