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
#include "xinput.h"
#include "xserver.h"

#include <QCoreApplication>
#include <QDir>
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
constexpr int kRetryF2Ms = 2000;
// Over the large view: where the console takes the keyboard.
const QPoint kKeyboardPoint(700, 240);

class Bench {
public:
    Bench(const QString& display, const QString& saveFolder, ConsoleProcess& console,
          FloodPeer& peer)
        : m_display(display), m_saveFolder(saveFolder), m_console(console), m_peer(peer)
    {
    }

    // Presses F2 until the first snapshot appears: frames are flowing.
    bool waitForPictures()
    {
        QElapsedTimer since;
        since.start();
        while (since.elapsed() < kStartWaitMs) {
            pressF2();
            if (waitUntil([this] { return pictures() > m_picturesBefore; }, kRetryF2Ms)) {
                m_startRssMb = m_console.residentMb();
                return true;
            }
        }
        return false;
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
            if (m_pressed.isValid() && pictures() > m_picturesBefore) {
                answers << QStringLiteral("%1 ms").arg(m_pressed.elapsed());
                m_pressed.invalidate();
                nextProbe = clock.elapsed() + kProbeEveryMs;
            }
            if (!m_pressed.isValid() && clock.elapsed() >= nextProbe)
                pressF2();
            // Sampling waits end early when the snapshot comes.
            waitUntil([this] { return m_pressed.isValid() && pictures() > m_picturesBefore; },
                      kSampleMs);
            highest = std::max(highest, m_console.residentMb());
            capped = highest - m_startRssMb > kMemoryCapMb;
        }
        m_peer.setPace(FloodPeer::Pace::Crawler);
        if (m_pressed.isValid())
            answers << QStringLiteral("none yet after %1 ms").arg(m_pressed.elapsed());
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
    void pressF2()
    {
        m_picturesBefore = pictures();
        m_pressed.start();
        xinput::pressKeyAt(m_display, kKeyboardPoint, QStringLiteral("F2"));
    }

    int pictures() const
    {
        return QDir(m_saveFolder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size();
    }

    QString m_display;
    QString m_saveFolder;
    ConsoleProcess& m_console;
    FloodPeer& m_peer;
    double m_startRssMb = 0;
    int m_picturesBefore = 0;
    QElapsedTimer m_pressed; // valid while an F2 waits for its snapshot
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
    const QString camera = QStringLiteral("ip=sim:%1\nport=0\nname=bench\npassword=bench-pw\n");
    console.appendConfig(QStringLiteral("[came]\nfps=25\n[savedir]\npath=%1/\n").arg(save.path()) +
                         "[lognone]\n" + camera.arg("main?w=1920&h=1080&fps=25") + "[logntwo]\n" +
                         camera.arg("back?w=320&h=240&fps=25"));
    console.discardDebugOutput();
    console.start();
    Bench bench(x.display(), save.path(), console, peer);
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
