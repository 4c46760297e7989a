// The console program started for real: link up within two seconds of
// start, a one-second retry rhythm while the crawler is gone, and a
// reconnection when it comes back.
#include "SimProcess.h"
#include "consoleprocess.h"
#include "polling.h"
#include "xserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>

#include <gtest/gtest.h>

namespace {

constexpr int kLinkUpMs = 2000;
constexpr int kGenerousMs = 20000;
constexpr int kRetryWindowMs = 4500;
using std::chrono::milliseconds;
const std::string kConnected = "client connected";
const std::string kReset = "cmd ResetControl";
const milliseconds kGenerous(kGenerousMs);
const QString kFirstPaint = QStringLiteral("first paint");

bool hasLineStartingWith(const QStringList& lines, const QString& start)
{
    for (const QString& line : lines)
        if (line.startsWith(start))
            return true;
    return false;
}

// The console's width from its "main width: " debug line, or -1.
int consoleWidth(const QStringList& lines)
{
    static const QRegularExpression width(QStringLiteral("^main width:\\s+(\\d+)$"));
    for (const QString& line : lines) {
        const auto match = width.match(line);
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return -1;
}

TEST(ConsoleEndToEnd, LinksUpRetriesEverySecondAndReconnects)
{
    XServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({"-v"}));
    const int port = sim.port();

    ConsoleProcess console(x.display(), port);
    QElapsedTimer sinceStart;
    sinceStart.start();
    console.start();
    ASSERT_TRUE(sim.waitForPrefixCount(kReset, 1, kGenerous));
    EXPECT_LE(sinceStart.elapsed(), kLinkUpMs) << "link came up late";
    const int connected = sim.waitForLine(kConnected, milliseconds(0));
    const int reset = sim.waitForLine(kReset, milliseconds(0));
    ASSERT_GE(connected, 0);
    EXPECT_LT(connected, reset) << "reset before the connection";
    EXPECT_EQ(sim.linesStartingWith(kConnected).size(), 1u);

    // The crawler goes away: the console knocks once a second.
    sim.kill();
    QTcpServer knocks;
    ASSERT_TRUE(knocks.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    int attempts = 0;
    QObject::connect(&knocks, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = knocks.nextPendingConnection()) {
            ++attempts;
            socket->abort();
            socket->deleteLater();
        }
    });
    ASSERT_TRUE(waitUntil([&] { return attempts >= 1; }, kGenerousMs));
    QElapsedTimer window;
    window.start();
    const int first = attempts;
    waitUntil([&] { return window.elapsed() >= kRetryWindowMs; }, kGenerousMs);
    const int inWindow = attempts - first;
    EXPECT_GE(inWindow, 3) << "retries slower than once a second";
    EXPECT_LE(inWindow, 6) << "retries faster than once a second";
    knocks.close();
    EXPECT_TRUE(console.running());

    // It comes back on the same port: the console reconnects and resets.
    simtest::SimProcess back;
    ASSERT_TRUE(back.start({"-v"}, port));
    EXPECT_TRUE(back.waitForPrefixCount(kReset, 1, kGenerous));
    EXPECT_EQ(back.linesStartingWith(kConnected).size(), 1u);
    EXPECT_TRUE(console.running());
}

} // namespace

TEST(ConsoleEndToEnd, TitleBarCloseResetsTheCrawlerAndExitsWithZero)
{
    XServer x(XServer::Use::Private);
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({"-v"}));
    ConsoleProcess console(x.display(), sim.port());
    console.start();
    ASSERT_TRUE(sim.waitForPrefixCount(kReset, 1, kGenerous));
    ASSERT_TRUE(console.waitFor([&] { return hasLineStartingWith(console.lines(), kFirstPaint); },
                                kGenerousMs));
    const int width = consoleWidth(console.lines());
    ASSERT_GT(width, 0);

    // The close button is the title bar's last 30 x 30 button.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", x.display());
    QProcess click;
    click.setProcessEnvironment(env);
    click.start("xdotool", {"mousemove", QString::number(width - 15), "15", "click", "1"});
    ASSERT_TRUE(click.waitForFinished(kGenerousMs));

    ASSERT_TRUE(console.waitForExit(kGenerousMs));
    EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(console.exitCode(), 0);
    EXPECT_TRUE(console.lines().contains("CloseWindows"));
    EXPECT_TRUE(sim.waitForPrefixCount(kReset, 2, kGenerous));
    EXPECT_EQ(sim.linesStartingWith(kReset).size(), 2u);
}

TEST(ConsoleEndToEnd, FatalSignalLeavesAReportBesideTheProgram)
{
    XServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    simtest::SimProcess sim;
    ASSERT_TRUE(sim.start({}));
    ConsoleProcess console(x.display(), sim.port());
    console.start();
    ASSERT_TRUE(console.waitFor([&] { return hasLineStartingWith(console.lines(), kFirstPaint); },
                                kGenerousMs));
    ASSERT_EQ(::kill(static_cast<pid_t>(console.pid()), SIGSEGV), 0);
    ASSERT_TRUE(console.waitForExit(kGenerousMs));
    EXPECT_EQ(console.exitStatus(), QProcess::CrashExit);

    static const QRegularExpression report(
        QStringLiteral("^Moravel crashed; report: (.*/tmp/(\\d{14})\\.dmp)$"));
    QString path;
    for (const QString& line : console.lines())
        if (const auto match = report.match(line); match.hasMatch())
            path = match.captured(1);
    ASSERT_FALSE(path.isEmpty()) << console.lines().join('\n').toStdString();
    const QString programDir = QFileInfo(ConsoleProcess::programPath()).canonicalPath();
    EXPECT_EQ(QFileInfo(path).canonicalPath(), programDir + "/tmp");
    QFile dump(path);
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    EXPECT_TRUE(dump.readAll().startsWith("reason: SIGSEGV"));
    dump.remove();
}

// The simulator's output and the knock counter need a Qt event loop.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
