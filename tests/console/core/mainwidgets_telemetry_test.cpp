// The console's read-out of crawler-sim's status records, the remote
// control's caption and lamp, and the console's recovery from a link drop.
#include "ConsoleOnSim.h"
#include "DisplayPanle.h"
#include "LightButton.h"

#include <QLabel>
#include <QSignalSpy>

namespace {

using consoletest::waitUntil;

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
    startConsole({"--nrf", "0,255,255,7,255,0"});
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
    startConsole({"--nrf", "0,255"});
    ASSERT_TRUE(waitUntil([&] { return panel()->m_pRemoteStatus->text() == text("已连接"); }));
    EXPECT_EQ(panel()->m_pRemoteLamp->bgColor(), kGreen);
}

TEST_F(MainWidgetsTelemetry, DroppedLinkIsOpenedAgain)
{
    startConsole({"--drop-after", "2"});
    ASSERT_TRUE(sim.waitForPrefixCount("client disconnected", 1, consoletest::kSimWait));
    // The start-up thread runs again and ends its opening with a reset.
    EXPECT_TRUE(sim.waitForPrefixCount("client connected", 2, consoletest::kSimWait));
    EXPECT_TRUE(sim.waitForPrefixCount(kReset, 2, consoletest::kSimWait));
    // Commands reach the crawler on a new link (which drops again later:
    // a click that meets a dropped link is tried again).
    constexpr int kTries = 20;
    constexpr std::chrono::milliseconds kEachTry(500);
    bool arrived = false;
    for (int i = 0; i < kTries && !arrived; ++i) {
        QTest::mouseClick(widget("laserDistanceSwitch"), Qt::LeftButton);
        arrived = sim.waitForPrefixCount("cmd SetDisMeasure", 1, kEachTry);
    }
    EXPECT_TRUE(arrived);
}

} // namespace
