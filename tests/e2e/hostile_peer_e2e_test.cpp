// The real program linked to a hostile crawler on 127.0.0.1 that sends
// valid status records as fast as it can, every other one full of absurd
// values: the program lives on, its memory stays flat and it still answers
// the operator's keys.
#include "consoleprocess.h"
#include "floodpeer.h"
#include "polling.h"
#include "xinput.h"
#include "xserver.h"

#include <QDir>
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
constexpr int kRetryF2Ms = 2000;
// At 20 Hz the whole test would send a few hundred.
constexpr uint64_t kFloodRecords = 20000;
const QPoint kKeyboardPoint(700, 240);

TEST(HostilePeer, AFloodOfAbsurdValuesLeavesTheConsoleFlatAndTakingSnapshots)
{
    XServer x(XServer::Use::Private);
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    QTemporaryDir save;
    ASSERT_TRUE(save.isValid());
    FloodPeer peer;
    ConsoleProcess console(x.display(), peer.port());
    const QString camera = QStringLiteral("ip=sim:%1\nport=0\nname=e2e\npassword=e2e-pw\n");
    console.appendConfig(QStringLiteral("[came]\nfps=25\n[savedir]\npath=%1/\n").arg(save.path()) +
                         "[lognone]\n" + camera.arg("main?w=640&h=360&fps=25") + "[logntwo]\n" +
                         camera.arg("back?w=320&h=240&fps=25"));
    console.start();
    ASSERT_TRUE(peer.accept(std::chrono::milliseconds(kGenerousMs)));
    peer.setHostile(true);
    peer.setPace(FloodPeer::Pace::Flood);

    const auto pictures = [&] {
        return QDir(save.path()).entryList({"*.jpg"}, QDir::Files).size();
    };
    // F2 until the first frame is there to be saved.
    ASSERT_TRUE(console.waitFor(
        [&] {
            const int before = pictures();
            xinput::pressKeyAt(x.display(), kKeyboardPoint, QStringLiteral("F2"));
            return waitUntil([&] { return pictures() > before; }, kRetryF2Ms);
        },
        kGenerousMs));
    const double memoryBefore = console.residentMb();
    console.waitFor([] { return false; }, kFloodMs);
    EXPECT_LT(console.residentMb() - memoryBefore, kMemoryGrowthMb);
    const int before = pictures();
    ASSERT_TRUE(xinput::pressKeyAt(x.display(), kKeyboardPoint, QStringLiteral("F2")));
    EXPECT_TRUE(console.waitFor([&] { return pictures() > before; }, kSnapshotMs));
    EXPECT_TRUE(console.running());
    EXPECT_TRUE(peer.connected());
    EXPECT_GT(peer.recordsSent(), kFloodRecords);
}

} // namespace
