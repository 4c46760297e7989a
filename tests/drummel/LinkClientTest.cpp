#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "FrameSocket.h"
#include "ISocketSystemHead.h"
#include "RecordingLinkMsg.h"
#include "linkproto/TcpSocket.h"

using linkproto::Frame;
using linkproto::MsgType;
using linktest::kWait;
using linktest::RecordingLinkMsg;
using simtest::FrameListener;
using simtest::FrameSocket;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// Generous: the bound itself is 800 ms, the machine may be loaded.
constexpr milliseconds kConnectBound{1500};

std::vector<uint8_t> statusFrame(uint32_t wire, uint16_t seq = 0)
{
    LinkStatusRecord record{};
    record.Wir_length = wire;
    return simtest::frameBytes(MsgType::Status, reinterpret_cast<const uint8_t*>(&record),
                               sizeof(record), seq);
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

bool isType(const Frame& frame, MsgType type)
{
    return frame.type == type;
}

// A link object plus a raw peer on 127.0.0.1 that accepted its connection.
class LinkClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        link = CreateISocketSystemHead(&msg);
        ASSERT_NE(link, nullptr);
    }
    void TearDown() override { link->Disconnect(); }

    // Connects and starts the link; the peer side is returned.
    FrameSocket open()
    {
        EXPECT_EQ(link->Connect("127.0.0.1", listener.port()), 0);
        FrameSocket peer = listener.accept(kWait);
        EXPECT_TRUE(peer);
        EXPECT_EQ(link->IsConnected(), 1);
        EXPECT_EQ(link->Start(), 0);
        return peer;
    }

    std::vector<uint32_t> wires() const
    {
        std::vector<uint32_t> all;
        for (const auto& record : msg.statuses()) {
            all.push_back(record.Wir_length);
        }
        return all;
    }

    RecordingLinkMsg msg;
    ISocketSystemHead* link = nullptr;
    FrameListener listener;
};

} // namespace

TEST_F(LinkClient, ConnectToClosedPortFailsQuickly)
{
    // Take a free port, then close it again.
    int closedPort = 0;
    {
        FrameListener gone;
        closedPort = gone.port();
    }
    const auto start = Clock::now();
    EXPECT_NE(link->Connect("127.0.0.1", closedPort), 0);
    EXPECT_LT(Clock::now() - start, kConnectBound);
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_NE(link->Start(), 0);
    EXPECT_TRUE(msg.states().empty());
}

TEST_F(LinkClient, ConnectToPeerThatNeverAnswersGivesUpWithinTheBound)
{
    // A listener whose queue is full drops further handshakes, like an
    // unreachable host.
    FrameListener full(0);
    std::vector<FrameSocket> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(
            FrameSocket(linkproto::connectTcp("127.0.0.1", full.port(), milliseconds(200))));
    }
    const auto start = Clock::now();
    EXPECT_NE(link->Connect("127.0.0.1", full.port()), 0);
    const auto took = Clock::now() - start;
    EXPECT_LT(took, kConnectBound);
    EXPECT_EQ(link->IsConnected(), 0);
}

TEST_F(LinkClient, ConnectRejectsBadAddressOrPort)
{
    EXPECT_NE(link->Connect(nullptr, listener.port()), 0);
    EXPECT_NE(link->Connect("", listener.port()), 0);
    EXPECT_NE(link->Connect("not-an-address", listener.port()), 0);
    EXPECT_NE(link->Connect("127.0.0.1", 0), 0);
    EXPECT_NE(link->Connect("127.0.0.1", 70000), 0);
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_EQ(link->GetProtocolVersion(), linkproto::kVersion);
}

TEST_F(LinkClient, ReportsUpThenDownExactlyOnceWhenPeerCloses)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    ASSERT_TRUE(peer.sendBytes(statusFrame(250)));
    ASSERT_TRUE(msg.waitForStatuses(1));
    EXPECT_EQ(wires(), std::vector<uint32_t>{250});

    peer.close();
    ASSERT_TRUE(msg.waitForStates(2));
    EXPECT_EQ(link->IsConnected(), 0);
    // Nothing more follows: one report per drop.
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false}));
}

TEST_F(LinkClient, SendsHeartbeatsAndDropsAfterSilence)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    // The peer keeps the socket open but sends nothing.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(
            peer.waitForFrame([](const Frame& f) { return isType(f, MsgType::Heartbeat); }, kWait));
    }
    ASSERT_TRUE(msg.waitForStates(2));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false}));
    EXPECT_EQ(link->IsConnected(), 0);
    // The link shuts its end so the crawler sees the drop as well.
    EXPECT_TRUE(peer.waitForClose(kWait));
}

TEST_F(LinkClient, HeartbeatsFromPeerKeepTheLinkUp)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    const auto until = Clock::now() + milliseconds(2500);
    while (Clock::now() < until) {
        ASSERT_TRUE(peer.sendBytes(simtest::frameBytes(MsgType::Heartbeat, nullptr, 0)));
        std::this_thread::sleep_for(milliseconds(200));
    }
    EXPECT_EQ(msg.states(), std::vector<bool>{true});
    EXPECT_EQ(link->IsConnected(), 1);
    EXPECT_GT(link->GetRxFrameCount(), 5);
}

TEST_F(LinkClient, CorruptInputIsCountedSkippedAndNeverDelivered)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    auto badCrc = statusFrame(2);
    badCrc.back() ^= 0xFF;
    const auto truncated = statusFrame(4);
    const std::vector<uint8_t> hugeLength = {0xA5, 0x5A, linkproto::kVersion, 0x02, 0, 0,
                                             0xFF, 0xFF};
    ASSERT_TRUE(peer.sendBytes(concat({{0x01, 0x02, 0xA5},
                                       statusFrame(1),
                                       badCrc,
                                       hugeLength,
                                       statusFrame(3),
                                       {truncated.begin(), truncated.begin() + 40},
                                       statusFrame(5)})));
    ASSERT_TRUE(msg.waitForStatuses(3));
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(wires(), (std::vector<uint32_t>{1, 3, 5}));
    EXPECT_EQ(link->GetRxFrameCount(), 3);
    EXPECT_EQ(link->GetRxErrorCount(), 3);
    EXPECT_EQ(msg.states(), std::vector<bool>{true});
}

TEST_F(LinkClient, ReassemblesFramesSplitAcrossReadsAndCoalescedInOne)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    // In three pieces, well within the time a frame may take to complete.
    const auto split = statusFrame(7);
    for (size_t at = 0; at < split.size(); at += 40) {
        ASSERT_TRUE(peer.sendBytes(
            {split.begin() + static_cast<std::ptrdiff_t>(at),
             split.begin() + static_cast<std::ptrdiff_t>(std::min(at + 40, split.size()))}));
        std::this_thread::sleep_for(milliseconds(2));
    }
    ASSERT_TRUE(peer.sendBytes(concat({statusFrame(8), statusFrame(9)})));
    ASSERT_TRUE(msg.waitForStatuses(3));
    EXPECT_EQ(wires(), (std::vector<uint32_t>{7, 8, 9}));
    EXPECT_EQ(link->GetRxErrorCount(), 0);
}

TEST_F(LinkClient, ControlEchoArrivesThroughOnControlData)
{
    FrameSocket peer = open();
    LinkControlRecord echo{};
    echo.Car_PWM_Value[0] = 1193;
    echo.Lamp_PWM_Value = 1000;
    echo.DisMearsure_Status = 255;
    ASSERT_TRUE(peer.sendRecord(MsgType::ControlEcho, echo));
    ASSERT_TRUE(msg.waitForControls(1));
    const LinkControlRecord got = msg.controls().front();
    EXPECT_EQ(got.Car_PWM_Value[0], 1193);
    EXPECT_EQ(got.Lamp_PWM_Value, 1000);
    EXPECT_EQ(got.DisMearsure_Status, 255);
}

TEST_F(LinkClient, CommandsWhileDownAreDroppedAndNeverSentLater)
{
    EXPECT_NE(link->SetCarPwm(1000, 1000), 0);
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    EXPECT_EQ(link->SetKeySafe(255), 0);
    ASSERT_TRUE(
        peer.waitForFrame([](const Frame& f) { return isType(f, MsgType::SetKeySafe); }, kWait));
    peer.close();
    ASSERT_TRUE(msg.waitForStates(2));
    // A stale "forward" while the link is down.
    EXPECT_NE(link->SetCarPwm(1000, 1000), 0);

    link->Disconnect();
    FrameSocket again = open();
    EXPECT_EQ(link->SetArmPwm(2000), 0);
    Frame first;
    ASSERT_TRUE(again.waitForFrame([](const Frame& f) { return linkproto::isCommand(f.type); },
                                   kWait, &first));
    EXPECT_EQ(first.type, MsgType::SetArmPwm);
}

TEST_F(LinkClient, CommandsFromInsideAStatusCallbackGoOut)
{
    // The console resets the crawler from the status callback when the remote lets go.
    msg.setOnStatus([this](const LinkStatusRecord& record) {
        if (record.NRF_Status != 255) {
            link->ResetControl();
        }
    });
    FrameSocket peer = open();
    LinkStatusRecord record{};
    record.NRF_Status = 7;
    ASSERT_TRUE(peer.sendRecord(MsgType::Status, record));
    EXPECT_TRUE(
        peer.waitForFrame([](const Frame& f) { return isType(f, MsgType::ResetControl); }, kWait));
}

TEST_F(LinkClient, DisconnectFromInsideTheDropCallbackThenReconnect)
{
    msg.setOnLinkState([this](bool up) {
        if (!up) {
            link->Disconnect(); // as the console does
        }
    });
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    peer.close();
    ASSERT_TRUE(msg.waitForStates(2));

    FrameSocket again = open();
    ASSERT_TRUE(msg.waitForStates(3));
    ASSERT_TRUE(again.sendBytes(statusFrame(42)));
    ASSERT_TRUE(msg.waitForStatuses(1));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(link->SetLampPwm(500), 0);
    EXPECT_TRUE(
        again.waitForFrame([](const Frame& f) { return isType(f, MsgType::SetLampPwm); }, kWait));
}

TEST_F(LinkClient, OwnDisconnectReportsNothingAndCountersRestartOnConnect)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    ASSERT_TRUE(peer.sendBytes(concat({{0x00}, statusFrame(1)})));
    ASSERT_TRUE(msg.waitForStatuses(1));
    EXPECT_EQ(link->GetRxFrameCount(), 1);
    EXPECT_EQ(link->GetRxErrorCount(), 1);
    link->Disconnect();
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_TRUE(peer.waitForClose(kWait));
    EXPECT_EQ(msg.states(), std::vector<bool>{true});

    FrameSocket again = open();
    EXPECT_EQ(link->GetRxFrameCount(), 0);
    EXPECT_EQ(link->GetRxErrorCount(), 0);
}

TEST_F(LinkClient, TruncatedFrameFollowedByHeartbeatsKeepsTheLinkUp)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    const auto cut = statusFrame(1);
    ASSERT_TRUE(peer.sendBytes({cut.begin(), cut.begin() + 30}));
    const auto until = Clock::now() + milliseconds(2500);
    while (Clock::now() < until) {
        ASSERT_TRUE(peer.sendBytes(simtest::frameBytes(MsgType::Heartbeat, nullptr, 0)));
        std::this_thread::sleep_for(milliseconds(250));
    }
    ASSERT_TRUE(peer.sendBytes(statusFrame(2)));
    ASSERT_TRUE(msg.waitForStatuses(1));
    EXPECT_EQ(wires(), std::vector<uint32_t>{2});
    EXPECT_EQ(msg.states(), std::vector<bool>{true});
    EXPECT_EQ(link->GetRxErrorCount(), 1);
}

// A host that spends 2 s in a callback delays the callbacks behind it, but
// the link keeps sending heartbeats and judges silence on what arrives.
TEST_F(LinkClient, SlowCallbackDelaysLaterCallbacksNeverTheLink)
{
    constexpr milliseconds kCallbackTime{2000};
    constexpr milliseconds kPeerHeartbeat{200};
    msg.setOnStatus([&](const LinkStatusRecord& record) {
        if (record.Wir_length == 1) {
            std::this_thread::sleep_for(kCallbackTime);
        }
    });
    FrameSocket peer = open();
    ASSERT_TRUE(peer.sendBytes(statusFrame(1)));
    const auto start = Clock::now(); // the callback starts at once
    std::vector<Clock::time_point> heard{start};
    auto nextSend = start;
    bool secondSent = false;
    while (Clock::now() < start + kCallbackTime + milliseconds(600)) {
        if (Clock::now() >= nextSend) {
            ASSERT_TRUE(peer.sendBytes(simtest::frameBytes(MsgType::Heartbeat, nullptr, 0)));
            nextSend += kPeerHeartbeat;
        }
        if (!secondSent && Clock::now() >= start + kCallbackTime / 2) {
            ASSERT_TRUE(peer.sendBytes(statusFrame(2)));
            secondSent = true;
        }
        if (peer.waitForFrame([](const Frame& f) { return isType(f, MsgType::Heartbeat); },
                              milliseconds(20))) {
            heard.push_back(Clock::now());
        }
    }
    ASSERT_TRUE(msg.waitForStatuses(2));
    EXPECT_EQ(wires(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(msg.states(), std::vector<bool>{true});
    EXPECT_EQ(link->IsConnected(), 1);
    // Every 250 ms; generous for a loaded machine, far below the callback's 2 s.
    milliseconds longestGap{0};
    for (size_t i = 1; i < heard.size(); ++i) {
        longestGap =
            std::max(longestGap, std::chrono::duration_cast<milliseconds>(heard[i] - heard[i - 1]));
    }
    EXPECT_GE(heard.size(), 6u);
    EXPECT_LT(longestGap, milliseconds(800));
}

// Frames of another version, of unknown types and commands travelling the
// wrong way reach no callback; another version is logged once and counted.
TEST_F(LinkClient, FramesNotForTheConsoleAreSkippedAnotherVersionLoggedOnce)
{
    FrameSocket peer = open();
    ASSERT_TRUE(msg.waitForStates(1));
    const LinkStatusRecord record{};
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    testing::internal::CaptureStderr();
    for (uint16_t seq = 0; seq < 2; ++seq) {
        ASSERT_TRUE(
            peer.sendBytes(simtest::frameBytes(MsgType::Status, bytes, sizeof(record), seq, 2)));
    }
    ASSERT_TRUE(peer.sendBytes(simtest::frameBytes(static_cast<MsgType>(0x40), bytes, 20)));
    ASSERT_TRUE(peer.sendCommand(MsgType::SetCarPwm, {1000, 1000}));
    ASSERT_TRUE(peer.sendBytes(statusFrame(5)));
    const bool delivered = msg.waitForStatuses(1);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(delivered);
    const std::string line = "crawler speaks link protocol version 2";
    const size_t first = err.find(line);
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find(line, first + 1), std::string::npos) << err;
    EXPECT_EQ(wires(), std::vector<uint32_t>{5});
    EXPECT_TRUE(msg.controls().empty());
    EXPECT_EQ(link->GetRxErrorCount(), 2);
    EXPECT_EQ(link->GetRxFrameCount(), 3);
}
