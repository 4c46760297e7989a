// The console's life ended the ways a van ends it, again and again: the real
// program on a private X server with crawler-sim and simulated cameras on
// 127.0.0.1, driving forward and recording, then everything signalled at once
// in every order, the display alone taken away, or the link dropping while a
// camera is still logging in. Every time: exit status 0, no crash report, no
// command after the crawler's reset, a recording that plays.
// MORAVEL_STRESS_CYCLES sets the cycles per case (2 by default).
#include "SimProcess.h"
#include "consoleprocess.h"
#include "mediaprobe.h"
#include "polling.h"
#include "silentcamera.h"
#include "xinput.h"
#include "xserver.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>

namespace {

constexpr int kGenerousMs = 30000;
const std::chrono::milliseconds kGenerous(kGenerousMs);
// Places on the 1920 x 1080 console of a private Xvfb.
const QPoint kSpeedSliderMiddle(1852, 137);
const QPoint kDriveForward(1727, 494);
const std::string kResetLine = "cmd ResetControl";
constexpr int kRecordedMs = 1000;

int cycles()
{
    bool ok = false;
    const int configured = qEnvironmentVariableIntValue("MORAVEL_STRESS_CYCLES", &ok);
    return ok && configured > 0 ? configured : 2;
}

int crashReports()
{
    const QString folder = QFileInfo(ConsoleProcess::programPath()).path() + "/tmp";
    return QDir(folder).entryList({"*.dmp"}, QDir::Files).size();
}

std::string lastCommand(const simtest::SimProcess& sim)
{
    const auto commands = sim.linesStartingWith("cmd ");
    return commands.empty() ? std::string() : commands.back();
}

// One run of the program, from start to its end.
class ConsoleRun {
public:
    // Starts crawler-sim with the options, then the console with simulated
    // cameras (or a main camera on the given port) once the link is open.
    bool start(const std::vector<std::string>& simOptions, int mainCameraPort = 0)
    {
        if (m_x.display().isEmpty() || !sim.start(simOptions))
            return false;
        console = std::make_unique<ConsoleProcess>(m_x.display(), sim.port());
        console->discardDebugOutput();
        if (mainCameraPort == 0)
            console->useSimulatedCameras("main?w=640&h=360&fps=25", "back?w=320&h=240&fps=25",
                                         m_save.path());
        else
            console->appendConfig(QStringLiteral("[came]\nfps=25\n[savedir]\npath=%1/\n"
                                                 "[lognone]\nip=127.0.0.1\nport=%2\n"
                                                 "[logntwo]\nip=sim:back\nport=0\n")
                                      .arg(m_save.path())
                                      .arg(mainCameraPort));
        m_reportsBefore = crashReports();
        console->start();
        return sim.waitForPrefixCount(kResetLine, 1, kGenerous);
    }

    // Speed slider half way, forward latched, F1: the crawler runs and the
    // picture is recorded.
    bool driveAndRecord()
    {
        const auto click = [&](const QPoint& at) {
            return xinput::xdotool(m_x.display(), {"mousemove", QString::number(at.x()),
                                                   QString::number(at.y()), "click", "1"}) == 0;
        };
        if (!click(kSpeedSliderMiddle) || !click(kDriveForward))
            return false;
        if (!waitUntil(
                [&] {
                    return lastCommand(sim).rfind("cmd SetCarPwm 1", 0) == 0 &&
                           lastCommand(sim) != "cmd SetCarPwm 1500 1500";
                },
                kGenerousMs))
            return false;
        // F1 is refused until the first frame: pressed until a file grows.
        const bool recording = waitUntil(
            [&] {
                if (recordingBytes() > 0)
                    return true;
                xinput::pressKeyAt(m_x.display(), kDriveForward, "F1");
                return waitUntil([&] { return recordingBytes() > 0; }, 1000);
            },
            kGenerousMs);
        // A second of picture before the end comes.
        waitUntil([] { return false; }, kRecordedMs);
        return recording;
    }

    // The display server goes, as the van's computer takes it down.
    void signalDisplay(int signalNumber) const
    {
        ::kill(static_cast<pid_t>(m_x.pid()), signalNumber);
    }
    void signalConsole(int signalNumber) const
    {
        ::kill(static_cast<pid_t>(console->pid()), signalNumber);
    }

    // The program ended by itself as a close ends it.
    void expectCleanEnd()
    {
        ASSERT_TRUE(console->waitForExit(kGenerousMs)) << "still running";
        EXPECT_EQ(console->exitStatus(), QProcess::NormalExit) << "died by a signal";
        EXPECT_EQ(console->exitCode(), 0);
        EXPECT_EQ(crashReports(), m_reportsBefore) << "a crash report was written";
    }
    // What was recorded plays.
    void expectPlayableRecording() const
    {
        const QStringList files = QDir(m_save.path()).entryList({"*.mp4"}, QDir::Files);
        ASSERT_EQ(files.size(), 1);
        EXPECT_GT(probedDuration((m_save.path() + "/" + files.front()).toStdString()), 0.5);
    }

    simtest::SimProcess sim;
    std::unique_ptr<ConsoleProcess> console;

private:
    qint64 recordingBytes() const
    {
        qint64 bytes = 0;
        for (const QFileInfo& file : QDir(m_save.path()).entryInfoList({"*.mp4"}, QDir::Files))
            bytes += file.size();
        return bytes;
    }

    XServer m_x{XServer::Use::Private};
    QTemporaryDir m_save;
    int m_reportsBefore = 0;
};

TEST(LifecycleStress, ConsoleCrawlerAndDisplayTerminatedAtOnceInEveryOrder)
{
    enum Target { Console, Crawler, Display };
    std::array<Target, 3> order{Console, Crawler, Display};
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle) + " order " + std::to_string(order[0]) +
                     std::to_string(order[1]) + std::to_string(order[2]));
        ConsoleRun run;
        ASSERT_TRUE(run.start({"-v"}));
        ASSERT_TRUE(run.driveAndRecord());
        const std::string driving = lastCommand(run.sim);
        for (Target target : order) {
            if (target == Console)
                run.signalConsole(SIGTERM);
            else if (target == Crawler)
                run.sim.signal(SIGTERM);
            else
                run.signalDisplay(SIGTERM);
        }
        run.expectCleanEnd();
        run.sim.kill();
        // The crawler went too, perhaps before the reset could reach it;
        // nothing but the reset ever follows the drive.
        EXPECT_TRUE(lastCommand(run.sim) == kResetLine || lastCommand(run.sim) == driving)
            << lastCommand(run.sim);
        run.expectPlayableRecording();
        std::next_permutation(order.begin(), order.end());
    }
}

TEST(LifecycleStress, TheDisplayAloneGoesWhileDriving)
{
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ConsoleRun run;
        ASSERT_TRUE(run.start({"-v"}));
        ASSERT_TRUE(run.driveAndRecord());
        run.signalDisplay(cycle % 2 == 0 ? SIGTERM : SIGKILL);
        run.expectCleanEnd();
        EXPECT_TRUE(run.sim.waitForPrefixCount(kResetLine, 2, kGenerous));
        EXPECT_EQ(lastCommand(run.sim), kResetLine);
        run.expectPlayableRecording();
    }
}

TEST(LifecycleStress, TheLinkDropsWhileACameraIsLoggingIn)
{
    const SilentCamera silent;
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ConsoleRun run;
        // The main camera's login waits out the connect wait across the drop.
        ASSERT_TRUE(run.start({"-v", "--drop-after", "1"}, silent.port()));
        // Dropped and opened again: the reset of the new link has come.
        ASSERT_TRUE(run.sim.waitForPrefixCount(kResetLine, 2, kGenerous));
        run.signalConsole(SIGTERM);
        run.expectCleanEnd();
        EXPECT_TRUE(run.sim.waitForPrefixCount(kResetLine, 3, kGenerous));
        EXPECT_EQ(lastCommand(run.sim), kResetLine);
    }
}

} // namespace
