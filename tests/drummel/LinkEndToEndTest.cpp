// The link library against the real crawler simulator on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ISocketSystemHead.h"
#include "RecordingLinkMsg.h"
#include "SimProcess.h"

using linktest::kWait;
using linktest::RecordingLinkMsg;
using simtest::SimProcess;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

class LinkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { link = CreateISocketSystemHead(&msg); }
    void TearDown() override { link->Disconnect(); }

    // Opens the link the way the console does: Connect, IsConnected, Start, ResetControl.
    bool open(int port)
    {
        link->Connect("127.0.0.1", port);
        if (link->IsConnected() == 0) {
            return false;
        }
        link->Start();
        link->ResetControl();
        return true;
    }

    // Retries once a little while, as the console's start-up loop does.
    bool reopen(int port)
    {
        const auto until = Clock::now() + kWait;
        while (Clock::now() < until) {
            if (open(port)) {
                return true;
            }
            std::this_thread::sleep_for(milliseconds(100));
        }
        return false;
    }

    RecordingLinkMsg msg;
    ISocketSystemHead* link = nullptr;
    SimProcess sim;
};

} // namespace

TEST_F(LinkEndToEnd, StatusRecordsCarryTheSimulatorsFixedFields)
{
    ASSERT_TRUE(
        sim.start({"--set", "Car_Pressure=999", "--set", "Wir_length=250", "--set",
                   "Angle_Roll=3.5", "--set", "Angle_Pitch=-1.25", "--nrf", "0,255,255,7,255,0"}));
    ASSERT_TRUE(open(sim.port()));
    ASSERT_TRUE(msg.waitForStates(1));
    ASSERT_TRUE(msg.waitForStatuses(8));
    const auto statuses = msg.statuses();
    const uint8_t expectedNrf[] = {0, 255, 255, 7, 255, 0, 0, 0};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(statuses[i].Car_Pressure, 999);
        EXPECT_EQ(statuses[i].Wir_length, 250u);
        EXPECT_FLOAT_EQ(statuses[i].Angle_Roll, 3.5F);
        EXPECT_FLOAT_EQ(statuses[i].Angle_Pitch, -1.25F);
        EXPECT_EQ(statuses[i].NRF_Status, expectedNrf[i]) << "record " << i;
    }
    EXPECT_EQ(msg.states(), std::vector<bool>{true});
}

TEST_F(LinkEndToEnd, EveryCommandReachesTheSimulatorInOrderAndIsEchoed)
{
    ASSERT_TRUE(sim.start({"-v"}));
    ASSERT_TRUE(open(sim.port()));
    ASSERT_TRUE(sim.waitForPrefixCount("cmd ResetControl", 1, kWait));
    ASSERT_TRUE(msg.waitForControls(1));

    link->SetKeySafe(255);
    link->SetCarDirect(4);
    link->SetCarPwm0(500);
    link->SetCarPwm1(2000);
    link->SetCarPwm(1193, 1807);
    link->SetArmPwm(1000);
    link->SetBackLed(100);
    link->SetPhoPwm1(500);
    link->SetPhoPwm0(2000);
    link->SetPhoBorS(200);
    link->SetPhoForN(100);
    link->SetLampPwm(1000);
    link->SetPhoDisHum(255);
    link->SetAutoWir(255);
    link->SetDisMeasure(255);
    link->SetPhoReset(150);
    link->SetPhoCenter(0);
    const std::vector<std::string> expected = {
        "cmd ResetControl",      "cmd SetKeySafe 255",   "cmd SetCarDirect 4",
        "cmd SetCarPwm0 500",    "cmd SetCarPwm1 2000",  "cmd SetCarPwm 1193 1807",
        "cmd SetArmPwm 1000",    "cmd SetBackLed 100",   "cmd SetPhoPwm1 500",
        "cmd SetPhoPwm0 2000",   "cmd SetPhoBorS 200",   "cmd SetPhoForN 100",
        "cmd SetLampPwm 1000",   "cmd SetPhoDisHum 255", "cmd SetAutoWir 255",
        "cmd SetDisMeasure 255", "cmd SetPhoReset 150",  "cmd SetPhoCenter 0"};
    ASSERT_TRUE(sim.waitForPrefixCount("cmd ", expected.size(), kWait));
    EXPECT_EQ(sim.linesStartingWith("cmd "), expected);

    // One echo per command, each with the values applied so far.
    ASSERT_TRUE(msg.waitForControls(expected.size()));
    const auto echoes = msg.controls();
    const LinkControlRecord afterPair = echoes[5];
    EXPECT_EQ(afterPair.Key_Safe_Status, 255);
    EXPECT_EQ(afterPair.Car_Direct_Status, 4);
    EXPECT_EQ(afterPair.Car_PWM_Value[0], 1193);
    EXPECT_EQ(afterPair.Car_PWM_Value[1], 1807);
    const LinkControlRecord last = echoes.back();
    EXPECT_EQ(last.Arm_PWM_Value, 1000);
    EXPECT_EQ(last.Back_LED_Status, 100);
    EXPECT_EQ(last.Pho_PWM_Value[0], 1500); // centred by the last command
    EXPECT_EQ(last.Pho_PWM_Value[1], 1500);
    EXPECT_EQ(last.Pho_BorS_Status, 0); // the lens reset stops zoom and focus
    EXPECT_EQ(last.Pho_ForN_Status, 0);
    EXPECT_EQ(last.Lamp_PWM_Value, 1000);
    EXPECT_EQ(last.PhoDisHum_Status, 255);
    EXPECT_EQ(last.AutoWir_Status, 255);
    EXPECT_EQ(last.DisMearsure_Status, 255);
    EXPECT_EQ(echoes[9].Pho_PWM_Value[0], 2000);
    EXPECT_EQ(echoes[9].Pho_PWM_Value[1], 500);
    EXPECT_EQ(echoes[11].Pho_ForN_Status, 100);

    link->ResetControl();
    ASSERT_TRUE(msg.waitForControls(expected.size() + 1));
    const LinkControlRecord neutral = msg.controls().back();
    EXPECT_EQ(neutral.Key_Safe_Status, 0);
    EXPECT_EQ(neutral.Car_PWM_Value[0], 1500);
    EXPECT_EQ(neutral.Car_PWM_Value[1], 1500);
    EXPECT_EQ(neutral.Arm_PWM_Value, 1500);
    EXPECT_EQ(neutral.Lamp_PWM_Value, 1000); // lights are not drive outputs
}

TEST_F(LinkEndToEnd, DropWhenSimulatorIsKilledAndReconnectWhenItReturns)
{
    ASSERT_TRUE(sim.start({}));
    const int port = sim.port();
    ASSERT_TRUE(open(port));
    ASSERT_TRUE(msg.waitForStatuses(2));
    sim.kill();
    ASSERT_TRUE(msg.waitForStates(2));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false}));
    EXPECT_EQ(link->IsConnected(), 0);
    EXPECT_NE(link->SetCarPwm(1000, 1000), 0);

    link->Disconnect();
    EXPECT_FALSE(open(port)); // nobody listens now
    SimProcess back;
    ASSERT_TRUE(back.start({"-v"}, port));
    ASSERT_TRUE(reopen(port));
    const size_t before = msg.statuses().size();
    ASSERT_TRUE(msg.waitForStatuses(before + 2));
    ASSERT_TRUE(msg.waitForStates(3));
    EXPECT_EQ(msg.states().back(), true);
    // The stale forward never arrives; the fresh session starts with the reset.
    ASSERT_TRUE(back.waitForPrefixCount("cmd ", 1, kWait));
    EXPECT_EQ(back.linesStartingWith("cmd ").front(), "cmd ResetControl");
    back.stop();
}

TEST_F(LinkEndToEnd, DropWhenSimulatorStallsWithTheSocketOpen)
{
    ASSERT_TRUE(sim.start({"--stall-after", "0.5"}));
    ASSERT_TRUE(open(sim.port()));
    ASSERT_TRUE(msg.waitForStatuses(1));
    ASSERT_TRUE(msg.waitForStates(2));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false}));
    EXPECT_EQ(link->IsConnected(), 0);
    // Each new connection stalls again after half a second, then drops again.
    link->Disconnect();
    ASSERT_TRUE(reopen(sim.port()));
    ASSERT_TRUE(msg.waitForStates(4));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(LinkEndToEnd, ConsoleStyleReconnectAfterTheSimulatorDropsTheConnection)
{
    // The console disconnects from inside the drop report and retries.
    msg.setOnLinkState([this](bool up) {
        if (!up) {
            link->Disconnect();
        }
    });
    ASSERT_TRUE(sim.start({"--drop-after", "1"}));
    ASSERT_TRUE(open(sim.port()));
    ASSERT_TRUE(msg.waitForStates(2));
    ASSERT_TRUE(reopen(sim.port()));
    ASSERT_TRUE(msg.waitForStates(4));
    EXPECT_EQ(msg.states(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(LinkEndToEnd, GarbageAndTruncatedFramesNeverCorruptARecord)
{
    ASSERT_TRUE(sim.start({"--garbage", "--truncate", "--rate", "50", "--set", "Car_Pressure=999",
                           "--set", "Wir_length=250"}));
    ASSERT_TRUE(open(sim.port()));
    ASSERT_TRUE(msg.waitForStatuses(60));
    for (const auto& record : msg.statuses()) {
        ASSERT_EQ(record.Car_Pressure, 999);
        ASSERT_EQ(record.Wir_length, 250u);
    }
    EXPECT_GT(link->GetRxErrorCount(), 0);
    EXPECT_GE(link->GetRxFrameCount(), 60);
    EXPECT_EQ(msg.states(), std::vector<bool>{true});
}
