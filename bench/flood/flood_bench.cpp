// Figures for the whole program under a hostile crawler. Moravel runs for
// real on an X display (DISPLAY, or a private Xvfb) with two simulated
// cameras, 1920 x 1080 and 320 x 240 at 25 fps; its link goes to a peer on
// 127.0.0.1 that sends status records at 20 Hz, then as fast as the console
// takes them, then as fast with absurd values (NaN, infinities, FLT_MAX,
// INT_MIN, 0xFFFFFFFF), then at 20 Hz again. For each phase: records per
// second, the program's CPU time (user + system, % of one core), its
// resident memory (at the start, at the end, highest) and how long F2 takes
// to leave a snapshot in the save folder, which is how long the GUI thread
// keeps the operator waiting.
#include "consoleprocess.h"
#include "floodpeer.h"
#include "polling.h"
#include "snapshotkey.h"
#include "xserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kDefaultFloodSeconds = 45;
constexpr int kQuietSeconds = 10;
constexpr int kAbsurdSeconds = 15;
constexpr int kAfterSeconds = 15;
constexpr int kMsPerSecond = 1000;
constexpr int kSampleMs = 500;
constexpr int kProbeEveryMs = 10000;
// Growth of the program's memory at which a phase stops early.
constexpr double kMemoryCapMb = 3000;
constexpr int kStartWaitMs = 60000;

class Bench {
public:
    Bench(ConsoleProcess& console, FloodPeer& peer, SnapshotKey& f2)
        : m_console(console), m_peer(peer), m_f2(f2)
    {
    }

    // Frames are flowing once F2 leaves a snapshot.
    bool waitForPictures()
    {
        m_startRssMb = m_console.residentMb();
        return m_f2.pressUntilAnswered(kStartWaitMs);
    }

    // A phase runs its full time unless the program ends or, as the machine
    // is shared, its memory grows by more than kMemoryCapMb. F2 is pressed
    // every kProbeEveryMs once the previous press has left its snapshot; a
    // press still unanswered at the end of a phase is answered in a later one.
    void phase(const char* name, FloodPeer::Pace pace, bool absurd, int seconds)
    {
        m_peer.setHostile(absurd);
        m_peer.setPace(pace);
        const double cpuBefore = m_console.cpuSeconds();
        const double rssBefore = m_console.residentMb();
        const uint64_t sentBefore = m_peer.recordsSent();
        double highest = rssBefore;
        QStringList answers;
        QElapsedTimer clock;
        clock.start();
        qint64 nextProbe = 0;
        bool capped = false;
        while (clock.elapsed() < seconds * kMsPerSecond && m_console.running() && !capped) {
            if (m_waiting && m_f2.answered()) {
                answers << QStringLiteral("%1 ms").arg(m_f2.sincePressMs());
                m_waiting = false;
                nextProbe = clock.elapsed() + kProbeEveryMs;
            }
            if (!m_waiting && clock.elapsed() >= nextProbe) {
                m_f2.press();
                m_waiting = true;
            }
            // Sampling waits end early when the snapshot comes.
            waitUntil([this] { return m_waiting && m_f2.answered(); }, kSampleMs);
            highest = std::max(highest, m_console.residentMb());
            capped = highest - m_startRssMb > kMemoryCapMb;
        }
        m_peer.setPace(FloodPeer::Pace::Crawler);
        if (m_waiting)
            answers << QStringLiteral("none yet after %1 ms").arg(m_f2.sincePressMs());
        const double elapsed = static_cast<double>(clock.elapsed()) / kMsPerSecond;
        const double cpu = m_console.cpuSeconds() - cpuBefore;
        const double rssAfter = m_console.residentMb();
        std::printf("%-22s %5.1f s  %9.0f records/s  CPU %6.1f %%  RSS %7.1f -> %7.1f MB "
                    "(highest %7.1f)  F2 -> snapshot: %s%s%s\n",
                    name, elapsed, static_cast<double>(m_peer.recordsSent() - sentBefore) / elapsed,
                    100.0 * cpu / elapsed, rssBefore, rssAfter, highest,
                    qPrintable(answers.join(QStringLiteral(", "))),
                    capped ? "  (stopped early: memory cap)" : "",
                    m_console.running() ? "" : "  (the program has ended)");
        std::fflush(stdout);
    }

private:
    ConsoleProcess& m_console;
    FloodPeer& m_peer;
    SnapshotKey& m_f2;
    double m_startRssMb = 0;
    bool m_waiting = false; // an F2 waits for its snapshot
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int floodSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultFloodSeconds;
    XServer x;
    QTemporaryDir save;
    if (x.display().isEmpty() || !save.isValid()) {
        std::printf("no X display or no temporary folder\n");
        return 1;
    }
    FloodPeer peer;
    ConsoleProcess console(x.display(), peer.port());
    console.useSimulatedCameras("main?w=1920&h=1080&fps=25", "back?w=320&h=240&fps=25",
                                save.path());
    console.discardDebugOutput();
    console.start();
    SnapshotKey f2(x.display(), save.path());
    Bench bench(console, peer, f2);
    if (!peer.accept(std::chrono::milliseconds(kStartWaitMs)) || !bench.waitForPictures()) {
        std::printf("the program did not link up or show pictures\n");
        return 1;
    }
    bench.phase("20 Hz", FloodPeer::Pace::Crawler, false, kQuietSeconds);
    bench.phase("flood", FloodPeer::Pace::Flood, false, floodSeconds);
    bench.phase("flood, absurd values", FloodPeer::Pace::Flood, true, kAbsurdSeconds);
    bench.phase("20 Hz again", FloodPeer::Pace::Crawler, false, kAfterSeconds);
    std::printf("link %s\n", peer.connected() ? "still open" : "lost");
    return 0;
}
