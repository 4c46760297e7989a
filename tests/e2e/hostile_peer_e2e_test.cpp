// The real program linked to a hostile crawler on 127.0.0.1 that sends
// valid status records as fast as it can, every other one full of absurd
// values: the program lives on, its memory stays flat and it still answers
// the operator's keys.
#include "consoleprocess.h"
#include "floodpeer.h"
#include "snapshotkey.h"
#include "xserver.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

namespace {

constexpr int kGenerousMs = 60000;
// Far longer than a snapshot takes, far shorter than the backlog a console
// that queued every record would need after this much flood.
constexpr int kSnapshotMs = 10000;
constexpr int kFloodMs = 20000;
// A console that kept every record would grow by hundreds of megabytes.
constexpr double kMemoryGrowthMb = 100;
// At 20 Hz the whole test would send a few hundred.
constexpr uint64_t kFloodRecords = 20000;

TEST(HostilePeer, AFloodOfAbsurdValuesLeavesTheConsoleFlatAndTakingSnapshots)
{
    XServer x(XServer::Use::Private);
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    QTemporaryDir save;
    ASSERT_TRUE(save.isValid());
    FloodPeer peer;
    ConsoleProcess console(x.display(), peer.port());
    console.useSimulatedCameras("main?w=640&h=360&fps=25", "back?w=320&h=240&fps=25", save.path());
    console.start();
    ASSERT_TRUE(peer.accept(std::chrono::milliseconds(kGenerousMs)));
    peer.setHostile(true);
    peer.setPace(FloodPeer::Pace::Flood);

    SnapshotKey f2(x.display(), save.path());
    ASSERT_TRUE(f2.pressUntilAnswered(kGenerousMs)) << "no frame to save";
    const double memoryBefore = console.residentMb();
    console.waitFor([] { return false; }, kFloodMs);
    EXPECT_LT(console.residentMb() - memoryBefore, kMemoryGrowthMb);
    f2.press();
    EXPECT_TRUE(f2.waitForAnswer(kSnapshotMs));
    EXPECT_TRUE(console.running());
    EXPECT_TRUE(peer.connected());
    EXPECT_GT(peer.recordsSent(), kFloodRecords);
}

} // namespace
