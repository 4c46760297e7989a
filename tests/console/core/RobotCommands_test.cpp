// Robot commands against the real link library and crawler-sim: the values
// the simulator receives for every pad, slider and switch.
#include "LinkedSim.h"
#include "robotcommands.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using coretest::LinkedSim;
using Commands = std::vector<std::string>;

enum PadCode { kRight = 1, kLeft = 2, kTop = 3, kBottom = 4, kCentre = 5 };
const int kOddCodes[] = {0, 6, -1, 255};

class RobotCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(linked.open()); }

    // Commands received since the last call; gauge and pad records restart too.
    Commands take()
    {
        gauge.clear();
        pad.clear();
        return linked.takeCommands();
    }

    std::vector<double> gauge;
    std::vector<int> pad;
    LinkedSim linked;
    RobotCommands commands{linked.link, [this](double value) { gauge.push_back(value); },
                           [this](int latch) { pad.push_back(latch); }};
};

// Collects the Qt debug lines printed while it exists.
class DebugLines {
public:
    DebugLines() : m_previous(qInstallMessageHandler(&DebugLines::collect)) { s_lines.clear(); }
    ~DebugLines() { qInstallMessageHandler(m_previous); }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;

    QStringList take()
    {
        QStringList lines = s_lines;
        s_lines.clear();
        return lines;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtDebugMsg)
            s_lines << text;
    }

    static QStringList s_lines;
    QtMessageHandler m_previous;
};
QStringList DebugLines::s_lines;

TEST_F(RobotCommandsTest, ForwardWithTheSliderAtZeroRunsNeutralAndLatchesWithoutTheKey)
{
    commands.ControlDirection(kTop);
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kForwardLatched);
    EXPECT_EQ(gauge, std::vector<double>{0});
    EXPECT_EQ(pad, std::vector<int>{1});
    EXPECT_EQ(take(), Commands{"SetCarPwm 1500 1500"});
}

TEST_F(RobotCommandsTest, SliderLeavingZeroEnablesTheKeyAndDrivesTheLatchedRun)
{
    commands.ControlDirection(kTop);
    take();
    commands.GetSpeedValue(50);
    EXPECT_EQ(commands.driveOffset(), 307);
    EXPECT_TRUE(gauge.empty());
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193"}));

    // Moving on: no second key, new values.
    commands.GetSpeedValue(100);
    EXPECT_EQ(take(), Commands{"SetCarPwm 1000 1000"});

    // Back to 0: key off, the tracks keep their last values.
    commands.GetSpeedValue(0);
    EXPECT_EQ(commands.driveOffset(), 0);
    EXPECT_EQ(take(), Commands{"SetKeySafe 0"});
    commands.GetSpeedValue(0);
    EXPECT_EQ(take(), Commands{});
}

TEST_F(RobotCommandsTest, SliderMovesWithoutALatchSendOnlyTheKey)
{
    commands.GetSpeedValue(1);
    EXPECT_EQ(commands.driveOffset(), 118);
    commands.GetSpeedValue(30);
    EXPECT_EQ(take(), Commands{"SetKeySafe 255"});
    EXPECT_DOUBLE_EQ(commands.speedValue(), 30);
}

TEST_F(RobotCommandsTest, FullSpeedGivesTheFourDirectionPairs)
{
    commands.GetSpeedValue(100);
    take();
    commands.ControlDirection(kTop);
    commands.ControlDirection(kBottom); // switches straight to backward
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kBackwardLatched);
    commands.ControlDirection(kRight);
    commands.ControlDirection(kLeft);
    EXPECT_EQ(gauge, (std::vector<double>{100, 100, 100, 100}));
    EXPECT_EQ(pad, (std::vector<int>{1, 2}));
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1000 1000", "SetCarPwm 2000 2000", "SetCarPwm 1000 2000",
                                "SetCarPwm 2000 1000"}));
}

TEST_F(RobotCommandsTest, SecondPressOnTheLatchedDirectionStopsWithTheGaugeAtZero)
{
    commands.GetSpeedValue(50);
    take();
    commands.ControlDirection(kTop);
    commands.ControlDirection(kTop);
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kNoLatch);
    EXPECT_EQ(gauge, (std::vector<double>{50, 0}));
    EXPECT_EQ(pad, (std::vector<int>{1, 0}));
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1193 1193", "SetCarPwm 1500 1500"}));

    commands.ControlDirection(kBottom);
    commands.ControlDirection(kBottom);
    EXPECT_EQ(gauge, (std::vector<double>{50, 0}));
    EXPECT_EQ(pad, (std::vector<int>{2, 0}));
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1807 1807", "SetCarPwm 1500 1500"}));
}

TEST_F(RobotCommandsTest, ReleasingATurnResumesTheLatchedRun)
{
    commands.GetSpeedValue(50);
    commands.ControlDirection(kTop);
    take();
    commands.ControlDirection(kRight);
    commands.ReControlDirection(kRight);
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kForwardLatched);
    EXPECT_EQ(gauge, (std::vector<double>{50, 50}));
    EXPECT_EQ(pad, std::vector<int>{1});
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1193 1807", "SetCarPwm 1193 1193"}));

    commands.ControlDirection(kBottom);
    take();
    commands.ControlDirection(kLeft);
    commands.ReControlDirection(kLeft);
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1807 1193", "SetCarPwm 1807 1807"}));
}

TEST_F(RobotCommandsTest, ReleasingATurnWithoutALatchStops)
{
    commands.GetSpeedValue(50);
    take();
    commands.ControlDirection(kLeft);
    commands.ReControlDirection(kLeft);
    EXPECT_EQ(gauge, (std::vector<double>{50, 0}));
    EXPECT_EQ(pad, std::vector<int>{0});
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1807 1193", "SetCarPwm 1500 1500"}));
}

TEST_F(RobotCommandsTest, CentreWhileLatchedSendsNothingAndTheReleaseStops)
{
    commands.GetSpeedValue(50);
    commands.ControlDirection(kTop);
    take();
    commands.ControlDirection(kCentre);
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kNoLatch);
    EXPECT_EQ(gauge, std::vector<double>{50});
    EXPECT_EQ(pad, std::vector<int>{0});
    EXPECT_EQ(take(), Commands{});

    commands.ReControlDirection(kCentre);
    EXPECT_EQ(gauge, std::vector<double>{0});
    EXPECT_EQ(take(), Commands{"SetCarPwm 1500 1500"});
}

TEST_F(RobotCommandsTest, UnknownPadCodesDoNothing)
{
    commands.ControlDirection(kTop);
    take();
    for (int code : kOddCodes) {
        commands.ControlDirection(code);
        commands.ControlUpDown(code);
        commands.ControlFocus(code);
        commands.ReControlFocus(code);
        commands.ControlCame(code);
        commands.ReControlCame(code);
    }
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kForwardLatched);
    EXPECT_TRUE(gauge.empty());
    EXPECT_EQ(take(), Commands{});
}

TEST_F(RobotCommandsTest, LiftPadRaisesLowersAndStopsOnAnyRelease)
{
    commands.ControlUpDown(kTop);
    commands.ReControlUpDown(kTop);
    commands.ControlUpDown(kBottom);
    commands.ReControlUpDown(kBottom);
    commands.ControlUpDown(kRight);
    commands.ReControlUpDown(kCentre);
    EXPECT_EQ(take(), (Commands{"SetArmPwm 2000", "SetArmPwm 1500", "SetArmPwm 1000",
                                "SetArmPwm 1500", "SetArmPwm 1500"}));
}

TEST_F(RobotCommandsTest, LensPadZoomsFocusesAndResets)
{
    for (int code : {kRight, kLeft, kTop, kBottom, kCentre}) {
        commands.ControlFocus(code);
        commands.ReControlFocus(code);
    }
    EXPECT_EQ(take(), (Commands{"SetPhoForN 200", "SetPhoForN 0", "SetPhoForN 100", "SetPhoForN 0",
                                "SetPhoBorS 200", "SetPhoBorS 0", "SetPhoBorS 100", "SetPhoBorS 0",
                                "SetPhoReset 150"}));
}

TEST_F(RobotCommandsTest, CameraHeadReleaseCentresTheOtherChannel)
{
    for (int code : {kRight, kLeft, kTop, kBottom, kCentre}) {
        commands.ControlCame(code);
        commands.ReControlCame(code);
    }
    EXPECT_EQ(take(), (Commands{"SetPhoPwm1 2000", "SetPhoPwm0 1500", "SetPhoPwm1 500",
                                "SetPhoPwm0 1500", "SetPhoPwm0 500", "SetPhoPwm1 1500",
                                "SetPhoPwm0 2000", "SetPhoPwm1 1500", "SetPhoCenter 0"}));
}

TEST_F(RobotCommandsTest, LightsFollowTheirSliders)
{
    for (double value : {0.0, 1.0, 55.55, 100.0})
        commands.GetMainLightValue(value);
    for (double value : {1.0, 0.0, 0.5, 100.0})
        commands.GetBackLightValue(value);
    EXPECT_EQ(take(),
              (Commands{"SetLampPwm 0", "SetLampPwm 10", "SetLampPwm 555", "SetLampPwm 1000",
                        "SetBackLed 100", "SetBackLed 0", "SetBackLed 100", "SetBackLed 100"}));
}

TEST_F(RobotCommandsTest, ValuesBeyondTheSliderRangeStayWithinTheActuatorRange)
{
    commands.GetMainLightValue(250);
    commands.GetMainLightValue(-3);
    commands.GetMainLightValue(qQNaN());
    commands.GetSpeedValue(400);
    commands.ControlDirection(kTop);
    EXPECT_EQ(take(), (Commands{"SetLampPwm 1000", "SetLampPwm 0", "SetLampPwm 0", "SetKeySafe 255",
                                "SetCarPwm 1000 1000"}));
    commands.GetSpeedValue(qQNaN());
    EXPECT_EQ(commands.driveOffset(), 0);
    EXPECT_EQ(take(), Commands{"SetKeySafe 0"});
}

TEST_F(RobotCommandsTest, AccessorySwitchesSendOnAndOff)
{
    for (bool on : {true, false}) {
        commands.LensDemisterCheck(on);
        commands.ElectricTakeupCheck(on);
        commands.LaserDistanceCheck(on);
    }
    EXPECT_EQ(take(), (Commands{"SetPhoDisHum 255", "SetAutoWir 255", "SetDisMeasure 255",
                                "SetPhoDisHum 0", "SetAutoWir 0", "SetDisMeasure 0"}));
}

TEST_F(RobotCommandsTest, NothingReachesTheLinkWhileTheRemoteHasControl)
{
    commands.setRemoteState(RobotCommands::kRemoteHasControl);
    for (int code = -1; code <= 6; ++code) {
        commands.ControlDirection(code);
        commands.ReControlDirection(code);
        commands.ControlUpDown(code);
        commands.ReControlUpDown(code);
        commands.ControlFocus(code);
        commands.ReControlFocus(code);
        commands.ControlCame(code);
        commands.ReControlCame(code);
    }
    for (double value : {0.0, 1.0, 50.0, 100.0, 0.0}) {
        commands.GetSpeedValue(value);
        commands.GetMainLightValue(value);
        commands.GetBackLightValue(value);
    }
    for (bool on : {true, false}) {
        commands.LensDemisterCheck(on);
        commands.ElectricTakeupCheck(on);
        commands.LaserDistanceCheck(on);
    }
    EXPECT_EQ(take(), Commands{});
    EXPECT_TRUE(gauge.empty());
    EXPECT_TRUE(pad.empty());
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kNoLatch);
    EXPECT_EQ(commands.driveOffset(), 0);
    EXPECT_DOUBLE_EQ(commands.speedValue(), 0);

    // Any other state hands control back.
    commands.setRemoteState(7);
    commands.ControlUpDown(kTop);
    EXPECT_EQ(take(), Commands{"SetArmPwm 2000"});
}

TEST_F(RobotCommandsTest, ResetClearsTheLatchAndResumesTheShownOutputsWithoutMotion)
{
    commands.GetSpeedValue(50);
    commands.ControlDirection(kTop);
    commands.GetMainLightValue(40);
    commands.LaserDistanceCheck(true);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193", "SetLampPwm 400",
                                "SetDisMeasure 255"}));
    commands.ResetControl(RobotCommands::AfterReset::Resume);
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kNoLatch);
    EXPECT_EQ(pad, std::vector<int>{RobotCommands::kNoLatch});
    EXPECT_EQ(gauge, std::vector<double>{0});
    // The outputs wait for the crawler's next report, and go once.
    EXPECT_EQ(take(), Commands{"ResetControl"});
    commands.statusApplied();
    commands.statusApplied();
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetLampPwm 400", "SetBackLed 0",
                                "SetPhoDisHum 0", "SetAutoWir 0", "SetDisMeasure 255"}));
    // Forward drives again instead of stopping a latch that is gone.
    commands.ControlDirection(kTop);
    EXPECT_EQ(take(), Commands{"SetCarPwm 1193 1193"});
}

TEST_F(RobotCommandsTest, ControlsMovedUnderTheRemoteAreResumedWhenItHandsBack)
{
    commands.GetSpeedValue(50);
    EXPECT_EQ(take(), Commands{"SetKeySafe 255"});
    commands.setRemoteState(RobotCommands::kRemoteHasControl);
    commands.GetSpeedValue(0);
    commands.GetBackLightValue(30);
    commands.ElectricTakeupCheck(true);
    // A reset while the remote holds control (the link reopened) resumes nothing yet.
    commands.ResetControl(RobotCommands::AfterReset::Resume);
    commands.statusApplied();
    EXPECT_EQ(take(), Commands{"ResetControl"});
    commands.setRemoteState(0);
    commands.ResetControl(RobotCommands::AfterReset::Resume);
    commands.statusApplied();
    // The slider shows 0: the drive enable key stays off.
    EXPECT_EQ(take(), (Commands{"ResetControl", "SetLampPwm 0", "SetBackLed 100", "SetPhoDisHum 0",
                                "SetAutoWir 255", "SetDisMeasure 0"}));
    EXPECT_EQ(commands.driveOffset(), 0);
}

TEST_F(RobotCommandsTest, AfterTheShutdownResetNothingIsSent)
{
    commands.GetSpeedValue(50);
    commands.ControlDirection(kTop);
    commands.ControlDirection(kRight);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193", "SetCarPwm 1193 1807"}));
    commands.ResetControl(RobotCommands::AfterReset::Shutdown);
    // The held turn's release as the window hides, a late hand-back, any input.
    commands.ReControlDirection(kRight);
    commands.ResetControl(RobotCommands::AfterReset::Resume);
    commands.ResetControl(RobotCommands::AfterReset::Shutdown);
    commands.statusApplied();
    commands.ControlDirection(kTop);
    commands.GetSpeedValue(100);
    commands.GetMainLightValue(10);
    commands.LensDemisterCheck(true);
    commands.ControlUpDown(kTop);
    EXPECT_EQ(take(), Commands{"ResetControl"});
    EXPECT_EQ(commands.driveLatch(), RobotCommands::kNoLatch);
}

TEST_F(RobotCommandsTest, DebugLinesNameTheSlotAndItsValues)
{
    DebugLines debug;
    commands.ControlDirection(kTop);
    commands.ReControlDirection(kRight);
    commands.ControlUpDown(kBottom);
    commands.ReControlUpDown(kBottom);
    commands.ControlFocus(kLeft);
    commands.ReControlFocus(kLeft);
    commands.ControlCame(kTop);
    commands.ReControlCame(kRight);
    commands.GetSpeedValue(50);
    commands.GetSpeedValue(100);
    commands.GetMainLightValue(55.5);
    commands.GetBackLightValue(1);
    commands.LensDemisterCheck(true);
    commands.ElectricTakeupCheck(false);
    commands.LaserDistanceCheck(true);
    EXPECT_EQ(debug.take(),
              (QStringList{"ControlDirection iDirection 3", "ReControlDirection iDirection 1 1",
                           "ControlUpDown iUpDown 4", "ReControlUpDown iUpDown 4",
                           "ControlFocus iFocus 2", "ReControlFocus iFocus 2",
                           "ControlCame iCame 3", "ControlCame iCame 3", "ReControlCame iCame 1",
                           "GetSpeedValue 0", "GetSpeedValue 307", "GetMainLightValue 555",
                           "GetBackLightValue 100", "LensDemisterCheck bCheck true",
                           "ElectricTakeupCheck bCheck false", "LaserDistanceCheck bCheck true"}));
}

TEST_F(RobotCommandsTest, UnderRemoteControlOnlyPadsAndSwitchesPrint)
{
    commands.setRemoteState(RobotCommands::kRemoteHasControl);
    DebugLines debug;
    commands.ControlDirection(kTop);
    commands.GetSpeedValue(50);
    commands.GetMainLightValue(50);
    commands.GetBackLightValue(50);
    commands.LaserDistanceCheck(false);
    EXPECT_EQ(debug.take(),
              (QStringList{"ControlDirection iDirection 3", "LaserDistanceCheck bCheck false"}));
}

} // namespace
