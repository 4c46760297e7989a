// The console's read-out of crawler-sim's status records, the remote
// control's caption and lamp, and the console's recovery from a link drop.
#include "ConsoleOnSim.h"
#include "DisplayPanle.h"
#include "GaugeSpeed.h"
#include "LightButton.h"

#include <QLabel>
#include <QSignalSpy>

namespace {

using consoletest::Commands;
using consoletest::DebugCapture;
using consoletest::waitUntil;

constexpr int kRight = 1;
constexpr int kTop = 3;

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

class MainWidgetsTelemetry : public consoletest::ConsoleOnSim {
protected:
    DisplayPanle* panel() { return widget<DisplayPanle>("displayPanle"); }
    static QString text(const char* utf8) { return QString::fromUtf8(utf8); }
};

TEST_F(MainWidgetsTelemetry, StatusRecordsFillThePanelAndTheAttitudeBlock)
{
    // The spies exist before the first record can arrive.
    std::unique_ptr<QSignalSpy> roll;
    std::unique_ptr<QSignalSpy> pitch;
    startConsole({"--set", "Car_Pressure=999", "--set", "Cam_Pressure=-1999", "--set",
                  "Wir_length=250", "--set", "Angle_Roll=3.5", "--set", "Angle_Pitch=-1.25",
                  "--set", "Angle_Yaw=90", "--set", "Car_temperature=21.456"});
    roll = std::make_unique<QSignalSpy>(console.get(), &mainWidgets::sendRollingPanel);
    pitch = std::make_unique<QSignalSpy>(console.get(), &mainWidgets::sendPitchPanel);
    ASSERT_TRUE(waitUntil([&] { return roll->count() > 0 && pitch->count() > 0; }));
    DisplayPanle* p = panel();
    EXPECT_EQ(p->m_pBodyAirPressure->text(), text("车体气压：0 kpa"));
    EXPECT_EQ(p->m_pLensAirPressure->text(), text("镜头气压：-1 kpa"));
    EXPECT_EQ(p->m_pCableLength->text(), text("线缆长度：2.50 m"));
    EXPECT_EQ(p->m_pCrawlDistance->text(), text("爬行距离：2.50 m"));
    EXPECT_EQ(p->m_pRemainingCable->text(), text("剩余线缆：147.50 m"));
    EXPECT_EQ(p->m_pRollAngle->text(), text("横滚角度：3.50 °"));
    EXPECT_EQ(p->m_pPitchAngle->text(), text("俯仰角度：-1.25 °"));
    EXPECT_EQ(p->m_pHeadingAngle->text(), text("航向角度：90.00 °"));
    EXPECT_EQ(p->m_pBodyTemperature->text(), text("车体温度：21.46 ℃"));
    // The instruments take the negated angles crosswise.
    EXPECT_EQ(roll->last().value(0).toDouble(), 1.25);
    EXPECT_EQ(pitch->last().value(0).toDouble(), -3.5);
    EXPECT_DOUBLE_EQ(console->distanceCalibration().m_dCurrentReading, 2.5);
}

TEST_F(MainWidgetsTelemetry, RemoteCaptionFollowsTheRemoteAndItsDepartureResetsTheCrawler)
{
    // 255 -> 7 and 255 -> 0 each hand control back: one reset each, after
    // the console's own reset on opening the link.
    startConsole({"--nrf", "0,255,255,7,255,0"}, Opening::ResetOnly);
    // The resets go out from the GUI thread: keep it running while waiting.
    const auto resets = [&] { return sim.linesStartingWith(kReset).size(); };
    EXPECT_TRUE(waitUntil([&] { return resets() >= 3; }));
    ASSERT_TRUE(waitUntil([&] { return panel()->m_pRemoteStatus->text() == text("未连接"); }));
    EXPECT_EQ(panel()->m_pRemoteLamp->bgColor(), kRed);
    constexpr int kQuietMs = 1500;
    EXPECT_FALSE(waitUntil([&] { return resets() >= 4; }, kQuietMs));
}

TEST_F(MainWidgetsTelemetry, RemoteHoldingControlShowsGreen)
{
    startConsole({"--nrf", "0,255"}, Opening::ResetOnly);
    ASSERT_TRUE(waitUntil([&] { return panel()->m_pRemoteStatus->text() == text("已连接"); }));
    EXPECT_EQ(panel()->m_pRemoteLamp->bgColor(), kGreen);
}

TEST_F(MainWidgetsTelemetry, AfterALinkDropTheKeyAndTheShownOutputsReturnButNoMotion)
{
    DebugCapture debug;
    // Every connection drops after 6 s: the steps after each opening fit well within.
    startConsole({"--drop-after", "6"});
    sliderToHalf("speedSlider");
    clickPad("drivePad", kTop);
    sliderToFull("mainLightSlider");
    QTest::mouseClick(widget("laserDistanceSwitch"), Qt::LeftButton);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193", "SetLampPwm 1000",
                                "SetDisMeasure 255"}));
    pressPad("drivePad", kRight); // a turn held across the drop
    DebugCapture::clear();

    // The start-up thread opens the link again and ends with the reset.
    EXPECT_EQ(takeThrough("ResetControl"), (Commands{"SetCarPwm 1193 1807", "ResetControl"}));
    EXPECT_EQ(takeThrough("SetDisMeasure 255"),
              (Commands{"SetKeySafe 255", "SetLampPwm 1000", "SetBackLed 0", "SetPhoDisHum 0",
                        "SetAutoWir 0", "SetDisMeasure 255"}));
    EXPECT_TRUE(DebugCapture::contains("updateUpDowmStatus 0")); // the pad shows no latch
    EXPECT_EQ(widget<GaugeSpeed>("speedGauge")->currentValue(), 0);
    EXPECT_EQ(take(), Commands{});
    // Releasing the turn resumes no run; forward drives.
    releasePad("drivePad", kRight);
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), (Commands{"SetCarPwm 1500 1500", "SetCarPwm 1193 1193"}));
}

TEST_F(MainWidgetsTelemetry, RemoteHandBackResetsOnceAndResumesTheShownOutputs)
{
    // 5 s without the remote, 3 s with it, then without it for good.
    constexpr int kRecordsBefore = 100;
    constexpr int kRecordsHeld = 60;
    std::string sequence;
    for (int i = 0; i < kRecordsBefore + kRecordsHeld; ++i)
        sequence += i < kRecordsBefore ? "0," : "255,";
    startConsole({"--nrf", sequence + "0"});
    sliderToHalf("speedSlider");
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193"}));
    auto* caption = panel()->m_pRemoteStatus;
    ASSERT_TRUE(waitUntil([&] { return caption->text() == text("已连接"); }));
    // Moved while the remote holds control: nothing goes out now.
    sliderToFull("mainLightSlider");
    QTest::mouseClick(widget("lensDemisterSwitch"), Qt::LeftButton);

    EXPECT_EQ(takeThrough("ResetControl"), Commands{"ResetControl"});
    EXPECT_EQ(takeThrough("SetDisMeasure 0"),
              (Commands{"SetKeySafe 255", "SetLampPwm 1000", "SetBackLed 0", "SetPhoDisHum 255",
                        "SetAutoWir 0", "SetDisMeasure 0"}));
    EXPECT_EQ(caption->text(), text("未连接"));
    EXPECT_EQ(take(), Commands{});
    clickPad("drivePad", kTop); // no latch left to stop: it drives
    EXPECT_EQ(take(), Commands{"SetCarPwm 1193 1193"});
    EXPECT_EQ(sim.linesStartingWith(kReset).size(), 2u); // the opening's and the hand-back's
}

} // namespace
