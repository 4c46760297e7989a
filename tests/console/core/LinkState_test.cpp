// The console's reaction to link state reports: teardown only when an open
// link drops, always the log line, and a real drop of the simulator's link.
#include "LinkedSim.h"
#include "PrivateLog.h"
#include "linkstate.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using coretest::LinkedSim;
using coretest::waitUntil;

// The process's log, written to a private folder once.
QString logPath()
{
    static const QString path = coretest::useLog();
    return path;
}

int logLinesWith(const QString& text)
{
    return coretest::logLinesWith(logPath(), text);
}

const QString kUpFromDown = QStringLiteral("[Moravel] startInitThread m_bConnectCom [0] bConn [1]");
const QString kDownFromUp = QStringLiteral("[Moravel] startInitThread m_bConnectCom [1] bConn [0]");
const QString kDownFromDown =
    QStringLiteral("[Moravel] startInitThread m_bConnectCom [0] bConn [0]");

class LinkStateTest : public ::testing::Test {
protected:
    void SetUp() override { logPath(); }

    // Waits for the log to hold count lines with the text.
    static bool logged(const QString& text, int count)
    {
        return waitUntil([&] { return logLinesWith(text) >= count; });
    }

    std::atomic<int> teardowns{0};
    std::atomic<bool> connectedDuringTeardown{false};
    LinkStateWatch watch{[this] {
        connectedDuringTeardown = watch.isConnected();
        ++teardowns;
    }};
};

TEST_F(LinkStateTest, LinkComingUpOnlyRecordsAndLogs)
{
    const int before = logLinesWith(kUpFromDown);
    EXPECT_EQ(watch.OnLinkState("1"), 0);
    EXPECT_TRUE(watch.isConnected());
    EXPECT_EQ(teardowns, 0);
    EXPECT_TRUE(logged(kUpFromDown, before + 1));
}

TEST_F(LinkStateTest, DropOfAnOpenLinkTearsDownOnceWithTheFlagAlreadyCleared)
{
    watch.OnLinkState("1");
    const int before = logLinesWith(kDownFromUp);
    watch.OnLinkState("0");
    EXPECT_EQ(teardowns, 1);
    EXPECT_FALSE(connectedDuringTeardown);
    EXPECT_FALSE(watch.isConnected());
    EXPECT_TRUE(logged(kDownFromUp, before + 1));

    watch.OnLinkState("0");
    EXPECT_EQ(teardowns, 1);
}

TEST_F(LinkStateTest, AnythingButALeadingOneIsDown)
{
    const int before = logLinesWith(kDownFromDown);
    for (const char* state : {"0", "", "x1", static_cast<const char*>(nullptr)})
        watch.OnLinkState(state);
    EXPECT_FALSE(watch.isConnected());
    EXPECT_EQ(teardowns, 0);
    EXPECT_TRUE(logged(kDownFromDown, before + 4));

    watch.OnLinkState("10");
    EXPECT_TRUE(watch.isConnected());
    watch.OnLinkState("");
    EXPECT_EQ(teardowns, 1);
}

TEST_F(LinkStateTest, AnOpeningThatStraddlesADropDoesNotCountAndClosingOnPurposeIsNoDrop)
{
    int drops = watch.drops();
    watch.OnLinkState("0");
    EXPECT_FALSE(watch.confirmOpened(drops));
    EXPECT_FALSE(watch.isConnected());

    drops = watch.drops();
    EXPECT_TRUE(watch.confirmOpened(drops));
    EXPECT_TRUE(watch.isConnected());
    watch.clear();
    EXPECT_FALSE(watch.isConnected());
    watch.OnLinkState("0");
    EXPECT_EQ(teardowns, 0);
}

TEST_F(LinkStateTest, SimulatorDroppingTheLinkTearsItDownOnce)
{
    LinkedSim linked;
    LinkStateWatch real([&] {
        ++teardowns;
        linked.link->Disconnect();
    });
    linked.onLinkState = [&](const char* state) { real.OnLinkState(state); };
    ASSERT_TRUE(linked.open({"--drop-after", "1"}));
    const int drops = real.drops();
    ASSERT_TRUE(real.confirmOpened(drops));
    ASSERT_TRUE(waitUntil([&] { return teardowns > 0; }));
    EXPECT_FALSE(real.isConnected());
    EXPECT_EQ(linked.link->IsConnected(), 0);
    EXPECT_EQ(teardowns, 1);
}

} // namespace
