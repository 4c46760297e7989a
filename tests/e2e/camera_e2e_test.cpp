// The program with two simulated cameras on a private X display: the main
// camera live in the large view, the back camera in the small view once its
// switch is on, and a clean close while both streams run.
#include "SimProcess.h"
#include "consoleprocess.h"
#include "polling.h"
#include "xserver.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

namespace {

constexpr int kGenerousMs = 30000;
const std::chrono::milliseconds kGenerous(kGenerousMs);
const std::string kReset = "cmd ResetControl";
const QString kLoggedIn = QStringLiteral("摄像头连接！");
const QString kBackOpened = QStringLiteral("GetOpenBackCame bOpen true");
const QByteArray kPassword = "Pw-7f3kQ9x";
// Places on the 1920 x 1080 console of a private Xvfb.
const QRect kMainViewInside(520, 120, 360, 240);  // large view, clear of the small one
const QRect kBackViewInside(1230, 560, 200, 120); // small view, lower right of the large one
const QPoint kBackSwitch(1754, 402);              // rear-video switch of the camera panel
constexpr int kCloseInset = 15;                   // close button: last 30 x 30 of the title bar

class Screen {
public:
    explicit Screen(QString display) : m_display(std::move(display)) {}

    QImage grab()
    {
        const QString file = m_folder.path() + "/shot.png";
        QFile::remove(file);
        QProcess::execute("ffmpeg",
                          {"-hide_banner", "-loglevel", "error", "-y", "-f", "x11grab",
                           "-video_size", "1920x1080", "-i", m_display, "-frames:v", "1", file});
        return QImage(file).convertToFormat(QImage::Format_RGB888);
    }

    // The region keeps changing from one grab to the next: live video.
    bool live(const QRect& region)
    {
        const QImage first = grab().copy(region);
        return waitUntil(
            [&] {
                const QImage now = grab().copy(region);
                return !now.isNull() && !first.isNull() && now != first;
            },
            kGenerousMs);
    }

    void click(const QPoint& at)
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        tool.setProcessEnvironment(env);
        tool.start("xdotool",
                   {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
        tool.waitForFinished(kGenerousMs);
    }

private:
    QString m_display;
    QTemporaryDir m_folder;
};

int count(const QStringList& lines, const QString& text)
{
    return static_cast<int>(lines.count(text));
}

TEST(CameraEndToEnd, BothSimulatedCamerasShowLiveAndTheConsoleClosesCleanly)
{
    XServer x(XServer::Use::Private);
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({"-v"}));
    ConsoleProcess console(x.display(), sim.port());
    {
        QFile ini(console.configFile());
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write("[lognone]\nip=sim:main?w=640&h=360&fps=25\nport=0\nname=e2e\npassword=" +
                  kPassword + "\n[logntwo]\nip=sim:back?w=320&h=240&fps=25\nport=0\nname=e2e\n" +
                  "password=" + kPassword + "\n");
    }
    console.start();
    ASSERT_TRUE(sim.waitForPrefixCount(kReset, 1, kGenerous));
    ASSERT_TRUE(
        console.waitFor([&] { return count(console.lines(), kLoggedIn) >= 2; }, kGenerousMs));

    Screen screen(x.display());
    EXPECT_TRUE(screen.live(kMainViewInside));
    screen.click(kBackSwitch);
    ASSERT_TRUE(
        console.waitFor([&] { return console.lines().contains(kBackOpened); }, kGenerousMs));
    EXPECT_TRUE(screen.live(kBackViewInside));

    // Closing stops both plays before the console goes: no frame may reach it after.
    screen.click(QPoint(1920 - kCloseInset, kCloseInset));
    ASSERT_TRUE(console.waitForExit(kGenerousMs));
    EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(console.exitCode(), 0);
    // Camera passwords appear in no debug line and no log line.
    EXPECT_FALSE(console.lines().join('\n').contains(QString::fromLatin1(kPassword)));
    QFile log(QFileInfo(ConsoleProcess::programPath()).absolutePath() + "/Logs/Moravel.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains(kPassword));
}

} // namespace
