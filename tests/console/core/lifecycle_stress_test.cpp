// The console in this process against crawler-sim, changed under its feet
// cycle after cycle: the cameras swapped while one is still logging in, and
// new connection settings saved while the link is down. It never crashes,
// comes back up, and its crawler's last command is the reset of its close.
// MORAVEL_STRESS_CYCLES sets the cycles per case (2 by default).
#include "ConsoleOnSim.h"
#include "inisettings.h"
#include "silentcamera.h"

namespace {

using consoletest::waitUntil;

int cycles()
{
    bool ok = false;
    const int configured = qEnvironmentVariableIntValue("MORAVEL_STRESS_CYCLES", &ok);
    return ok && configured > 0 ? configured : 2;
}

class LifecycleStress : public consoletest::ConsoleOnSim {
protected:
    // The close's reset is the last thing the crawler hears.
    void expectResetLastAtClose()
    {
        takeAfter(std::chrono::milliseconds(0));
        console->close();
        console.reset();
        const consoletest::Commands commands = takeAfter(std::chrono::milliseconds(300));
        ASSERT_FALSE(commands.empty()) << "no reset at the close";
        EXPECT_EQ(commands.back(), "ResetControl");
    }
};

TEST_F(LifecycleStress, CamerasSwappedWhileOneIsLoggingIn)
{
    const SilentCamera silent;
    SetQStringFromIni("/lognone/ip", "127.0.0.1");
    SetQStringFromIni("/lognone/port", QString::number(silent.port()));
    SetQStringFromIni("/logntwo/ip", "sim:back?w=320&h=240&fps=25");
    startConsole();
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        // Swaps and a relogin while the main camera's login waits it out.
        for (int swap = 0; swap < 10; ++swap) {
            console->GetChangeMainOrBackCame(swap % 2 == 0);
            waitUntil([] { return false; }, 50);
        }
        console->applyConnectionChanges({{true, true}, false});
        waitUntil([] { return false; }, 200);
    }
    EXPECT_TRUE(waitUntil([&] { return console->cameraLogins().userId(1) >= 0; }))
        << "the back camera logs in meanwhile";
    expectResetLastAtClose();
}

TEST_F(LifecycleStress, SettingsSavedWhileTheLinkIsDown)
{
    startConsole({"--drop-after", "1"});
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        ASSERT_TRUE(waitUntil([&] { return !console->linkConnected(); }));
        console->applyConnectionChanges({{true, false}, true});
        ASSERT_TRUE(waitUntil([&] { return console->linkConnected(); }));
    }
    expectResetLastAtClose();
}

} // namespace
