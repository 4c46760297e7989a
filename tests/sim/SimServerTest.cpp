// crawler-sim as a process, driven over a raw loopback socket.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FrameSocket.h"
#include "SimProcess.h"

using linkproto::Frame;
using linkproto::MsgType;
using simtest::FrameSocket;
using simtest::SimProcess;
using std::chrono::milliseconds;

namespace {

constexpr milliseconds kWait{10000};

bool isStatus(const Frame& frame)
{
    return frame.type == MsgType::Status;
}

// The newest status record that arrives within the time given.
LinkStatusRecord latestStatus(FrameSocket& client, milliseconds span)
{
    const auto until = std::chrono::steady_clock::now() + span;
    LinkStatusRecord latest{};
    Frame frame;
    while (std::chrono::steady_clock::now() < until &&
           client.waitForFrame(isStatus, kWait, &frame)) {
        latest = linkproto::decodeRecord<LinkStatusRecord>(frame);
    }
    return latest;
}

} // namespace

TEST(SimServer, AnnouncesItsPortAndExitsCleanlyOnTerm)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({}));
    EXPECT_EQ(sim.lines().front(),
              "crawler-sim listening on 127.0.0.1:" + std::to_string(sim.port()));
    FrameSocket client = FrameSocket::connectTo(sim.port());
    ASSERT_TRUE(client);
    EXPECT_TRUE(client.waitForFrame(isStatus, kWait));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimServer, RefusesABadCommandLine)
{
    SimProcess sim;
    EXPECT_FALSE(sim.start({"--nrf", "999"}));
}

TEST(SimServer, EchoesEachCommandAndPrintsIt)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"-v"}));
    FrameSocket client = FrameSocket::connectTo(sim.port());
    ASSERT_TRUE(sim.waitForLine("client connected", kWait) > 0);
    // A type this version does not know is passed over.
    const uint8_t value = 1;
    ASSERT_TRUE(client.sendBytes(simtest::frameBytes(static_cast<MsgType>(0x40), &value, 1)));
    ASSERT_TRUE(client.sendCommand(MsgType::SetCarPwm, {1193, 1193}));
    Frame echo;
    ASSERT_TRUE(client.waitForFrame([](const Frame& f) { return f.type == MsgType::ControlEcho; },
                                    kWait, &echo));
    const auto record = linkproto::decodeRecord<LinkControlRecord>(echo);
    EXPECT_EQ(record.Car_PWM_Value[0], 1193);
    EXPECT_EQ(record.Car_PWM_Value[1], 1193);
    EXPECT_GT(sim.waitForLine("cmd SetCarPwm 1193 1193", kWait), 0);
    EXPECT_EQ(sim.linesStartingWith("cmd ").size(), 1u);
    client.close();
    EXPECT_GT(sim.waitForLine("client disconnected", kWait), 0);
}

// A console on its way out sends its reset and closes at once, and the next
// one may already be connecting when the crawler gets to its socket.
TEST(SimServer, ActsOnTheLastCommandsOfAConsoleThatClosed)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"-v"}));
    FrameSocket leaving = FrameSocket::connectTo(sim.port());
    ASSERT_GT(sim.waitForLine("client connected", kWait), 0);
    ASSERT_TRUE(leaving.waitForFrame(isStatus, kWait)); // unread data: the close resets
    sim.pause();
    ASSERT_TRUE(leaving.sendCommand(MsgType::ResetControl));
    leaving.close();
    FrameSocket next = FrameSocket::connectTo(sim.port());
    ASSERT_TRUE(next);
    sim.resume();
    EXPECT_GT(sim.waitForLine("cmd ResetControl", kWait), 0);
}

TEST(SimServer, GoesNeutralAfterOneSecondOfConsoleSilence)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"-v"}));
    FrameSocket client = FrameSocket::connectTo(sim.port());
    ASSERT_TRUE(client.sendCommand(MsgType::SetCarPwm, {1000, 1000}));
    const int command = sim.waitForLine("cmd SetCarPwm 1000 1000", kWait);
    ASSERT_GT(command, 0);
    ASSERT_GT(sim.waitForLine("neutral", kWait, static_cast<size_t>(command)), command);
    // The crawler moved while driven and stands still once neutral.
    const uint32_t stopped = latestStatus(client, milliseconds(300)).Wir_length;
    EXPECT_GT(stopped, 0u);
    EXPECT_LE(latestStatus(client, milliseconds(600)).Wir_length, stopped + 1);
}

TEST(SimServer, ScriptedRemoteStatesThenTheLastOneHolds)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--nrf", "0,255,7", "--set", "Wir_length=250"}));
    FrameSocket client = FrameSocket::connectTo(sim.port());
    std::vector<int> nrf;
    Frame frame;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(client.waitForFrame(isStatus, kWait, &frame));
        const auto record = linkproto::decodeRecord<LinkStatusRecord>(frame);
        nrf.push_back(record.NRF_Status);
        EXPECT_EQ(record.Wir_length, 250u);
    }
    EXPECT_EQ(nrf, (std::vector<int>{0, 255, 7, 7, 7}));
}

TEST(SimServer, DropAfterClosesEachConnection)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--drop-after", "0.3"}));
    for (int i = 0; i < 2; ++i) {
        FrameSocket client = FrameSocket::connectTo(sim.port());
        ASSERT_TRUE(client);
        EXPECT_TRUE(client.waitForClose(kWait));
    }
}

TEST(SimServer, StallKeepsTheSocketOpenButSendsNothing)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--stall-after", "0.2", "-v"}));
    FrameSocket client = FrameSocket::connectTo(sim.port());
    ASSERT_TRUE(client.waitForFrame(isStatus, kWait));
    // Drain what was sent before the stall, then expect silence.
    while (client.waitForFrame([](const Frame&) { return true; }, milliseconds(500))) {
    }
    ASSERT_TRUE(client.sendCommand(MsgType::SetLampPwm, {500}));
    EXPECT_GT(sim.waitForLine("cmd SetLampPwm 500", kWait), 0);
    EXPECT_FALSE(client.waitForFrame([](const Frame&) { return true; }, milliseconds(600)));
    EXPECT_FALSE(client.waitForClose(milliseconds(10)));
}

TEST(SimServer, GarbageAndTruncationStillDeliverIntactRecords)
{
    SimProcess sim;
    ASSERT_TRUE(
        sim.start({"--garbage", "--truncate", "--rate", "100", "--set", "Car_Pressure=999"}));
    FrameSocket client = FrameSocket::connectTo(sim.port());
    Frame frame;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(client.waitForFrame(isStatus, kWait, &frame));
        EXPECT_EQ(linkproto::decodeRecord<LinkStatusRecord>(frame).Car_Pressure, 999);
    }
    EXPECT_GT(client.decoder().errorCount(), 0u);
}

// Without a console, and with one while stalled, it sleeps between its
// deadlines (a busy loop takes a whole core).
TEST(SimServer, IdleOrStalledItBarelyUsesTheProcessor)
{
    constexpr auto kSpan = std::chrono::seconds(2);
    constexpr double kGenerousShare = 0.10; // of one core; the aim is under 0.02
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--stall-after", "0", "-v"}));
    const auto share = [&] {
        const double before = sim.cpuSeconds();
        std::this_thread::sleep_for(kSpan);
        return (sim.cpuSeconds() - before) / std::chrono::duration<double>(kSpan).count();
    };
    EXPECT_LT(share(), kGenerousShare) << "idle";
    FrameSocket client = FrameSocket::connectTo(sim.port());
    ASSERT_GT(sim.waitForLine("client connected", kWait), 0);
    EXPECT_LT(share(), kGenerousShare) << "stalled";
    EXPECT_FALSE(client.waitForClose(milliseconds(10)));
}
