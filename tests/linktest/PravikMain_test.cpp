// The Pravik program itself: its command line, and opening the link it names.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "CrawlerSimProcess.h"
#include "TestSupport.h"
#include "polling.h"
#include "xserver.h"

namespace {

constexpr int kWaitMs = 15000;

struct ProgramResult {
    int exitCode = -1;
    QString output;
};

ProgramResult RunPravik(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(PRAVIK_PATH), arguments);
    ProgramResult result;
    if (process.waitForFinished(kWaitMs) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(kWaitMs);
    }
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

// Standard output of an X tool run on display.
QString RunOn(const QString& display, const QString& tool, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(env);
    process.start(tool, arguments);
    process.waitForFinished(kWaitMs);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The names a window manager may show for the visible window of process pid,
// one "property = value" line each; empty while it has none.
QStringList WindowNames(const QString& display, qint64 pid)
{
    const QString window =
        RunOn(display, "xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
            .section('\n', 0, 0);
    if (window.isEmpty())
        return {};
    return RunOn(display, "xprop", {"-id", window, "_NET_WM_NAME", "WM_NAME"})
        .split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(PravikProgram, WindowCaptionIsEmpty)
{
    EnsureTestApplication();
    XServer x(XServer::Use::Private);
    ASSERT_FALSE(x.display().isEmpty());
    CrawlerSimProcess sim;
    ASSERT_NE(sim.port(), 0);
    QProcess pravik;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    pravik.setProcessEnvironment(env);
    pravik.start(QStringLiteral(PRAVIK_PATH),
                 {"--host", "127.0.0.1", "--port", QString::number(sim.port())});
    ASSERT_TRUE(pravik.waitForStarted(kWaitMs));
    // Both names are there and empty ("" or nothing after the "=").
    static const QRegularExpression empty(QStringLiteral(" = (\"\")?$"));
    QStringList names;
    const bool emptied = waitUntil(
        [&] {
            names = WindowNames(x.display(), pravik.processId());
            return names.size() == 2 && names.filter(empty).size() == 2;
        },
        kWaitMs);
    EXPECT_TRUE(emptied) << names.join(" | ").toStdString();
    pravik.kill();
    pravik.waitForFinished(kWaitMs);
}

TEST(PravikProgram, RejectsBadOptionsBeforeOpeningAnyLink)
{
    EnsureTestApplication();
    for (const QStringList& arguments : {QStringList{"--port", "0"}, QStringList{"--port", "70000"},
                                         QStringList{"--bogus"}, QStringList{"--host", ""}}) {
        const ProgramResult result = RunPravik(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.output.contains("Pravik: ")) << result.output.toStdString();
    }
}

TEST(PravikProgram, HelpListsHostAndPort)
{
    EnsureTestApplication();
    const ProgramResult result = RunPravik({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.contains("--host")) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("--port")) << result.output.toStdString();
}

TEST(PravikProgram, ConnectsToTheHostAndPortGivenAndResetsTheCrawler)
{
    EnsureTestApplication();
    CrawlerSimProcess sim;
    ASSERT_NE(sim.port(), 0);
    QProcess pravik;
    pravik.start(QStringLiteral(PRAVIK_PATH),
                 {"--host", "127.0.0.1", "--port", QString::number(sim.port())});
    ASSERT_TRUE(pravik.waitForStarted(kWaitMs));
    EXPECT_GE(sim.WaitForLine("client connected", 0, kWaitMs), 0);
    int next = 0;
    EXPECT_EQ(sim.NextCommand(next, kWaitMs), "cmd ResetControl");

    pravik.terminate();
    EXPECT_TRUE(pravik.waitForFinished(kWaitMs));
    EXPECT_GE(sim.WaitForLine("client disconnected", 0, kWaitMs), 0);
}
