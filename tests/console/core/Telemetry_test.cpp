// Telemetry intake: the read-out texts of one record, the remote state that
// follows NRF_Status, and records travelling from the real link library's
// thread to the panel on the GUI thread.
#include "DisplayPanle.h"
#include "LightButton.h"
#include "LinkedSim.h"
#include "remotestate.h"
#include "robotcommands.h"
#include "statusreadout.h"
#include "telemetry.h"

#include <QLabel>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

using coretest::LinkedSim;
using coretest::waitUntil;

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

LinkStatusRecord record()
{
    LinkStatusRecord status{};
    status.Car_Pressure = 999;
    status.Cam_Pressure = 101325;
    status.Car_temperature = 21.456F;
    status.Cam_temperature = 5;
    status.Wir_length = 250;
    status.Angle_Roll = 3.5F;
    status.Angle_Pitch = -1.25F;
    status.Angle_Yaw = 359.999F;
    return status;
}

TEST(StatusReadout, PressuresAreWholeKilopascalTruncatedTowardZero)
{
    LinkStatusRecord status = record();
    StatusReadout readout = StatusReadout::fromRecord(status);
    EXPECT_EQ(readout.bodyAirPressure, QStringLiteral("车体气压：0 kpa"));
    EXPECT_EQ(readout.lensAirPressure, QStringLiteral("镜头气压：101 kpa"));

    status.Car_Pressure = -1999;
    status.Cam_Pressure = 1000;
    readout = StatusReadout::fromRecord(status);
    EXPECT_EQ(readout.bodyAirPressure, QStringLiteral("车体气压：-1 kpa"));
    EXPECT_EQ(readout.lensAirPressure, QStringLiteral("镜头气压：1 kpa"));
}

TEST(StatusReadout, CableLengthInMetresAtSinglePrecisionFeedsThreeTexts)
{
    LinkStatusRecord status = record();
    StatusReadout readout = StatusReadout::fromRecord(status);
    EXPECT_EQ(readout.cableLength, 2.5);
    EXPECT_EQ(readout.cableLengthText, QStringLiteral("线缆长度：2.50 m"));
    EXPECT_EQ(readout.crawlDistance, QStringLiteral("爬行距离：2.50 m"));
    EXPECT_EQ(readout.remainingCable, QStringLiteral("剩余线缆：147.50 m"));

    status.Wir_length = 1;
    readout = StatusReadout::fromRecord(status);
    EXPECT_EQ(readout.cableLength, static_cast<double>(0.01F));
    EXPECT_NE(readout.cableLength, 0.01);

    // More than the reel holds: a negative remainder.
    status.Wir_length = 15050;
    readout = StatusReadout::fromRecord(status);
    EXPECT_EQ(readout.remainingCable, QStringLiteral("剩余线缆：-0.50 m"));
}

TEST(StatusReadout, AnglesShowUnderTheirNamesAndReachTheInstrumentsNegatedCrosswise)
{
    const StatusReadout readout = StatusReadout::fromRecord(record());
    EXPECT_EQ(readout.rollAngle, QStringLiteral("横滚角度：3.50 °"));
    EXPECT_EQ(readout.pitchAngle, QStringLiteral("俯仰角度：-1.25 °"));
    EXPECT_EQ(readout.headingAngle, QStringLiteral("航向角度：360.00 °"));
    EXPECT_EQ(readout.rollInstrument, 1.25);
    EXPECT_EQ(readout.pitchInstrument, -3.5);
    EXPECT_EQ(readout.bodyTemperature, QStringLiteral("车体温度：21.46 ℃"));
    EXPECT_EQ(readout.lensTemperature, QStringLiteral("镜头温度：5.00 ℃"));
}

TEST(StatusReadout, ValuesThatAreNotFiniteShowAsDashes)
{
    LinkStatusRecord status = record();
    status.Car_temperature = std::numeric_limits<float>::quiet_NaN();
    status.Cam_temperature = std::numeric_limits<float>::infinity();
    status.Angle_Roll = -std::numeric_limits<float>::infinity();
    status.Angle_Pitch = std::numeric_limits<float>::quiet_NaN();
    status.Angle_Yaw = std::numeric_limits<float>::infinity();
    const StatusReadout readout = StatusReadout::fromRecord(status);
    EXPECT_EQ(readout.bodyTemperature, QStringLiteral("车体温度：-- ℃"));
    EXPECT_EQ(readout.lensTemperature, QStringLiteral("镜头温度：-- ℃"));
    EXPECT_EQ(readout.rollAngle, QStringLiteral("横滚角度：-- °"));
    EXPECT_EQ(readout.pitchAngle, QStringLiteral("俯仰角度：-- °"));
    EXPECT_EQ(readout.headingAngle, QStringLiteral("航向角度：-- °"));
}

TEST(StatusReadout, ShownOnTheTelemetryPanel)
{
    DisplayPanle panel;
    showReadout(panel, StatusReadout::fromRecord(record()));
    EXPECT_EQ(panel.m_pBodyAirPressure->text(), QStringLiteral("车体气压：0 kpa"));
    EXPECT_EQ(panel.m_pLensAirPressure->text(), QStringLiteral("镜头气压：101 kpa"));
    EXPECT_EQ(panel.m_pBodyTemperature->text(), QStringLiteral("车体温度：21.46 ℃"));
    EXPECT_EQ(panel.m_pLensTemperature->text(), QStringLiteral("镜头温度：5.00 ℃"));
    EXPECT_EQ(panel.m_pCableLength->text(), QStringLiteral("线缆长度：2.50 m"));
    EXPECT_EQ(panel.m_pRollAngle->text(), QStringLiteral("横滚角度：3.50 °"));
    EXPECT_EQ(panel.m_pPitchAngle->text(), QStringLiteral("俯仰角度：-1.25 °"));
    EXPECT_EQ(panel.m_pHeadingAngle->text(), QStringLiteral("航向角度：360.00 °"));
    EXPECT_EQ(panel.m_pCrawlDistance->text(), QStringLiteral("爬行距离：2.50 m"));
    EXPECT_EQ(panel.m_pRemainingCable->text(), QStringLiteral("剩余线缆：147.50 m"));
}

struct Expected {
    uint8_t nrf;
    bool showChanged;
    bool connected;
    bool resetControl;
};
// Caption and lamp follow the remote; every hand-back resets the outputs.
const Expected kNrfSequence[] = {{0, false, false, false},  {255, true, true, false},
                                 {255, false, true, false}, {7, true, false, true},
                                 {255, true, true, false},  {0, true, false, true}};

TEST(RemoteStateTracker, FollowsTheRemoteAndResetsOnEveryHandBack)
{
    RemoteStateTracker tracker;
    for (const Expected& step : kNrfSequence) {
        SCOPED_TRACE(step.nrf);
        const RemoteStateTracker::Change change = tracker.update(step.nrf);
        EXPECT_EQ(change.showChanged, step.showChanged);
        EXPECT_EQ(change.connected, step.connected);
        EXPECT_EQ(change.resetControl, step.resetControl);
        EXPECT_EQ(tracker.previous(), step.nrf);
    }
}

TEST(RemoteStateTracker, ShownAsCaptionAndLamp)
{
    DisplayPanle panel;
    showRemoteState(panel, true);
    EXPECT_EQ(panel.m_pRemoteStatus->text(), QStringLiteral("已连接"));
    EXPECT_EQ(panel.m_pRemoteLamp->bgColor(), kGreen);
    showRemoteState(panel, false);
    EXPECT_EQ(panel.m_pRemoteStatus->text(), QStringLiteral("未连接"));
    EXPECT_EQ(panel.m_pRemoteLamp->bgColor(), kRed);
}

class TelemetryTest : public ::testing::Test {
protected:
    // The link's callbacks reach the telemetry: they end before it goes.
    ~TelemetryTest() override { linked.link->Disconnect(); }

    LinkedSim linked;
    RobotCommands commands{linked.link, [](double) {}, [](int) {}};
    DisplayPanle panel;
    std::vector<double> distances;
    std::vector<std::pair<double, double>> attitudes;
    std::atomic<bool> offGuiThread{false};
    Telemetry telemetry{commands, panel,
                        [this](double metres) {
                            checkThread();
                            distances.push_back(metres);
                        },
                        [this](double roll, double pitch) {
                            checkThread();
                            attitudes.emplace_back(roll, pitch);
                        }};

    void checkThread()
    {
        if (QThread::currentThread() != qApp->thread())
            offGuiThread = true;
    }
    int resets()
    {
        const std::vector<std::string> received = linked.takeCommands();
        return static_cast<int>(std::count(received.begin(), received.end(), "ResetControl"));
    }
};

TEST_F(TelemetryTest, AppliesEachRecordInOrderAndResetsOnHandBack)
{
    ASSERT_TRUE(linked.open());
    LinkStatusRecord status = record();
    {
        DisplayPanle own;
        const QString placeholder = own.m_pCableLength->text();
        QString cableWhenDistanceArrived;
        QString cableWhenAttitudeArrived;
        QString captionWhenAttitudeArrived;
        Telemetry ordered(
            commands, own, [&](double) { cableWhenDistanceArrived = own.m_pCableLength->text(); },
            [&](double, double) {
                cableWhenAttitudeArrived = own.m_pCableLength->text();
                captionWhenAttitudeArrived = own.m_pRemoteStatus->text();
            });
        status.NRF_Status = 255;
        ordered.apply(status);
        // Distance reading, then texts, then instruments, then the remote caption.
        EXPECT_EQ(cableWhenDistanceArrived, placeholder);
        EXPECT_EQ(cableWhenAttitudeArrived, QStringLiteral("线缆长度：2.50 m"));
        EXPECT_EQ(captionWhenAttitudeArrived, QStringLiteral("未连接"));
        EXPECT_EQ(own.m_pRemoteStatus->text(), QStringLiteral("已连接"));
        EXPECT_EQ(resets(), 0);
    }

    for (const Expected& step : kNrfSequence) {
        SCOPED_TRACE(step.nrf);
        status.NRF_Status = step.nrf;
        telemetry.apply(status);
        EXPECT_EQ(panel.m_pRemoteStatus->text(),
                  step.connected ? QStringLiteral("已连接") : QStringLiteral("未连接"));
        EXPECT_EQ(panel.m_pRemoteLamp->bgColor(), step.connected ? kGreen : kRed);
        EXPECT_EQ(resets(), step.resetControl ? 1 : 0);
    }
}

TEST_F(TelemetryTest, RecordsFromTheLinkThreadReachThePanelOnTheGuiThread)
{
    constexpr int kRecords = 8;
    linked.onStatus = [this](const LinkStatusRecord* status) { telemetry.receive(status); };
    ASSERT_TRUE(linked.open({"--set", "Car_Pressure=999", "--set", "Wir_length=250", "--set",
                             "Angle_Roll=3.5", "--set", "Angle_Pitch=-1.25", "--nrf",
                             "0,255,255,7,255,0"}));
    ASSERT_TRUE(waitUntil([this] { return distances.size() >= kRecords; }));
    EXPECT_FALSE(offGuiThread);
    EXPECT_EQ(distances.front(), 2.5);
    EXPECT_EQ(attitudes.front(), std::make_pair(1.25, -3.5));
    EXPECT_EQ(panel.m_pBodyAirPressure->text(), QStringLiteral("车体气压：0 kpa"));
    EXPECT_EQ(panel.m_pCableLength->text(), QStringLiteral("线缆长度：2.50 m"));
    EXPECT_EQ(panel.m_pCrawlDistance->text(), QStringLiteral("爬行距离：2.50 m"));
    EXPECT_EQ(panel.m_pRemainingCable->text(), QStringLiteral("剩余线缆：147.50 m"));
    EXPECT_EQ(panel.m_pRollAngle->text(), QStringLiteral("横滚角度：3.50 °"));
    EXPECT_EQ(panel.m_pPitchAngle->text(), QStringLiteral("俯仰角度：-1.25 °"));
    // The sequence ends at 0: two hand-backs, each reset once.
    EXPECT_EQ(panel.m_pRemoteStatus->text(), QStringLiteral("未连接"));
    EXPECT_EQ(commands.remoteState(), 0);
    EXPECT_EQ(resets(), 2);
}

TEST_F(TelemetryTest, TheRemoteGateClosesOnTheLinkThreadBeforeTheGuiCatchesUp)
{
    linked.onStatus = [this](const LinkStatusRecord* status) { telemetry.receive(status); };
    ASSERT_TRUE(linked.open({"--nrf", "255"}));
    // No GUI events are processed here: the gate is the link thread's doing.
    const auto until = std::chrono::steady_clock::now() + coretest::kWait;
    while (commands.remoteState() != RobotCommands::kRemoteHasControl &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(coretest::kPollMs));
    ASSERT_EQ(commands.remoteState(), RobotCommands::kRemoteHasControl);
    EXPECT_TRUE(distances.empty());
    commands.ControlUpDown(3);
    EXPECT_EQ(linked.takeCommands(), std::vector<std::string>{});

    ASSERT_TRUE(waitUntil([this] { return !distances.empty(); }));
    EXPECT_EQ(panel.m_pRemoteStatus->text(), QStringLiteral("已连接"));
}

TEST_F(TelemetryTest, AFloodIsAppliedNewestOnlyOncePerPaintIntervalAndNoHandBackIsLost)
{
    ASSERT_TRUE(linked.open());
    constexpr int kRecords = 100000;
    constexpr int kBurst = 500;
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> applied;
    std::vector<double> readings;
    Telemetry flooded(
        commands, panel,
        [&](double metres) {
            applied.push_back(Clock::now());
            readings.push_back(metres);
        },
        [](double, double) {});
    std::atomic<bool> sent{false};
    const auto start = Clock::now();
    std::thread link([&] {
        LinkStatusRecord status = record();
        for (int i = 1; i <= kRecords; ++i) {
            status.Wir_length = static_cast<uint32_t>(i);
            // The remote holds control for a single record in the middle.
            status.NRF_Status = i == kRecords / 2 ? RobotCommands::kRemoteHasControl : 0;
            flooded.receive(&status);
            if (i % kBurst == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sent = true;
    });
    const double last = static_cast<float>(kRecords / 100.0);
    ASSERT_TRUE(waitUntil([&] { return sent && !readings.empty() && readings.back() == last; }));
    link.join();
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LE(static_cast<long>(applied.size()), elapsedMs / Telemetry::kPaintIntervalMs + 2);
    for (size_t i = 1; i < applied.size(); ++i)
        EXPECT_GE(applied[i] - applied[i - 1],
                  std::chrono::milliseconds(Telemetry::kPaintIntervalMs - 1));
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end()));
    EXPECT_EQ(panel.m_pCableLength->text(), QStringLiteral("线缆长度：1000.00 m"));
    EXPECT_EQ(panel.m_pRemoteStatus->text(), QStringLiteral("未连接"));
    EXPECT_EQ(resets(), 1);
}

TEST_F(TelemetryTest, MissingRecordIsIgnored)
{
    EXPECT_EQ(telemetry.receive(nullptr), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(distances.empty());
}

} // namespace
