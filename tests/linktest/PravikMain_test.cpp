// The Pravik program itself: its command line, and opening the link it names.
#include <gtest/gtest.h>

#include <QProcess>

#include "CrawlerSimProcess.h"
#include "TestSupport.h"

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

} // namespace

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
