// The console's pads, sliders and switches against crawler-sim: what the
// simulator receives when an operator presses them.
#include "ConsoleOnSim.h"
#include "DisplayPanle.h"
#include "GaugeSpeed.h"

#include <QLabel>

namespace {

using consoletest::Commands;
using consoletest::DebugCapture;
using consoletest::waitUntil;

constexpr int kRight = 1;
constexpr int kLeft = 2;
constexpr int kTop = 3;
constexpr int kBottom = 4;
constexpr int kCentre = 5;

class MainWidgetsCommands : public consoletest::ConsoleOnSim {
protected:
    double gauge() { return widget<GaugeSpeed>("speedGauge")->currentValue(); }
};

TEST_F(MainWidgetsCommands, ForwardWithTheSliderAtZeroRunsNeutralAndLatchesWithoutTheKey)
{
    startConsole();
    DebugCapture debug;
    sliderToZero("speedSlider");
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), Commands{"SetCarPwm 1500 1500"});
    EXPECT_EQ(gauge(), 0);
    EXPECT_TRUE(DebugCapture::contains("updateUpDowmStatus 1"));
}

TEST_F(MainWidgetsCommands, SliderLeavingZeroWhileForwardIsLatchedEnablesThenDrives)
{
    startConsole();
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), Commands{"SetCarPwm 1500 1500"});
    sliderToHalf("speedSlider");
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193"}));
    sliderToZero("speedSlider");
    EXPECT_EQ(take(), Commands{"SetKeySafe 0"});
}

TEST_F(MainWidgetsCommands, FullSpeedGivesTheFourDirectionPairs)
{
    startConsole();
    sliderToFull("speedSlider");
    clickPad("drivePad", kTop);
    clickPad("drivePad", kBottom);
    pressPad("drivePad", kRight);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1000 1000", "SetCarPwm 2000 2000",
                                "SetCarPwm 1000 2000"}));
    releasePad("drivePad", kRight); // back to the latched backward run
    pressPad("drivePad", kLeft);
    EXPECT_EQ(take(), (Commands{"SetCarPwm 2000 2000", "SetCarPwm 2000 1000"}));
    EXPECT_EQ(gauge(), 100);
}

TEST_F(MainWidgetsCommands, ForwardTwiceStopsWithTheGaugeAtZero)
{
    startConsole();
    sliderToFull("speedSlider");
    clickPad("drivePad", kTop);
    ASSERT_TRUE(waitUntil([&] { return gauge() == 100; }));
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1000 1000", "SetCarPwm 1500 1500"}));
    EXPECT_EQ(gauge(), 0);
}

TEST_F(MainWidgetsCommands, ReleasingATurnResumesTheLatchedRun)
{
    startConsole();
    sliderToHalf("speedSlider");
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193"}));
    clickPad("drivePad", kRight);
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1193 1807", "SetCarPwm 1193 1193"}));
}

TEST_F(MainWidgetsCommands, CentreWhileLatchedSendsNothingUntilItsReleaseStops)
{
    startConsole();
    DebugCapture debug;
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), Commands{"SetCarPwm 1500 1500"});
    pressPad("drivePad", kCentre);
    EXPECT_EQ(take(), Commands{});
    EXPECT_TRUE(DebugCapture::contains("updateUpDowmStatus 0"));
    releasePad("drivePad", kCentre);
    EXPECT_EQ(take(), Commands{"SetCarPwm 1500 1500"});
}

TEST_F(MainWidgetsCommands, QuickSecondTapOnForwardStops)
{
    startConsole();
    sliderToHalf("speedSlider");
    EXPECT_EQ(take(), Commands{"SetKeySafe 255"});
    doubleTapPad("drivePad", kTop);
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1193 1193", "SetCarPwm 1500 1500"}));
    EXPECT_EQ(gauge(), 0);
}

TEST_F(MainWidgetsCommands, LiftLensAndCameraHeadPadsReleaseCrosswise)
{
    startConsole();
    clickPad("liftPad", kTop);
    clickPad("liftPad", kBottom);
    EXPECT_EQ(take(),
              (Commands{"SetArmPwm 2000", "SetArmPwm 1500", "SetArmPwm 1000", "SetArmPwm 1500"}));
    clickPad("lensPad", kRight);
    clickPad("lensPad", kTop);
    EXPECT_EQ(take(),
              (Commands{"SetPhoForN 200", "SetPhoForN 0", "SetPhoBorS 200", "SetPhoBorS 0"}));
    clickPad("cameraHeadPad", kLeft);
    clickPad("cameraHeadPad", kBottom);
    clickPad("cameraHeadPad", kCentre);
    EXPECT_EQ(take(), (Commands{"SetPhoPwm1 500", "SetPhoPwm0 1500", "SetPhoPwm0 2000",
                                "SetPhoPwm1 1500", "SetPhoCenter 0"}));
}

TEST_F(MainWidgetsCommands, LightsAndAccessorySwitches)
{
    startConsole();
    DebugCapture debug;
    sliderToFull("mainLightSlider");
    sliderToZero("mainLightSlider");
    // One pixel above the floor: any light at all switches the back light on.
    pressSlider("backLightSlider", widget("backLightSlider")->height() - 31);
    sliderToZero("backLightSlider");
    EXPECT_EQ(take(),
              (Commands{"SetLampPwm 1000", "SetLampPwm 0", "SetBackLed 100", "SetBackLed 0"}));
    for (const char* name : {"lensDemisterSwitch", "electricTakeupSwitch", "laserDistanceSwitch"})
        QTest::mouseClick(widget(name), Qt::LeftButton);
    QTest::mouseClick(widget("lensDemisterSwitch"), Qt::LeftButton);
    EXPECT_EQ(take(), (Commands{"SetPhoDisHum 255", "SetAutoWir 255", "SetDisMeasure 255",
                                "SetPhoDisHum 0"}));
    // The demister switch and the lens pad also trace the operator's input.
    EXPECT_TRUE(DebugCapture::contains("State :  true"));
    EXPECT_TRUE(DebugCapture::contains("Which :  5"));
}

TEST_F(MainWidgetsCommands, NothingReachesTheCrawlerWhileTheRemoteHasControl)
{
    startConsole({"--nrf", "255"}, Opening::ResetOnly);
    auto* caption = widget<DisplayPanle>("displayPanle")->m_pRemoteStatus;
    ASSERT_TRUE(waitUntil([&] { return caption->text() == QString::fromUtf8("已连接"); }));
    sliderToFull("speedSlider");
    sliderToFull("mainLightSlider");
    sliderToFull("backLightSlider");
    for (const char* pad : {"drivePad", "liftPad", "lensPad", "cameraHeadPad"})
        for (int code = kRight; code <= kCentre; ++code)
            clickPad(pad, code);
    for (const char* name : {"lensDemisterSwitch", "electricTakeupSwitch", "laserDistanceSwitch"})
        QTest::mouseClick(widget(name), Qt::LeftButton);
    EXPECT_EQ(takeUntilClosed(), Commands{});
}

} // namespace
