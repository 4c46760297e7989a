// Usage: player_bench [cache folder] [--make-only] [--mpeg4 | --h264]
// On an X display (ffplay shows on the same one). For each codec: opening
// a one-hour recording and showing its first frame; seeks to random moments
// until that exact frame is on screen; a stretch played at 1× (frames shown
// against frames in it) and at 8× (pictures a second); then the CPU of
// playing at 1×, this program and ffplay at the same picture size taking
// turns. Prints figures and the machine's load with them; asserts nothing.
#include "benchfiles.h"
#include "childprocess.h"
#include "playerview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

namespace {

constexpr int kOpenRuns = 5;
constexpr int kSeeks = 40;
constexpr int kSeekWaitMs = 5000;
constexpr int kPlayS = 20;
constexpr int kFastS = 10;
constexpr int kCpuRounds = 2;
const QSize kWindow(1280, 800);
// ffprobe prints times to the microsecond; the decoder's are exact.
constexpr double kSameTimeS = 1e-5;

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : -1;
}

void printSeries(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-34s median %7.1f ms   worst %7.1f ms   best %7.1f ms   (%zu)\n", what,
                ms[ms.size() / 2], ms.back(), ms.front(), ms.size());
}

// The player in a window of its own, counting what reaches the screen.
class Stage : public QObject {
public:
    explicit Stage(const BenchRecording& r) : m_recording(r)
    {
        m_window.resize(kWindow);
        m_view = new PlayerView(&m_window);
        m_view->resize(kWindow);
        m_window.show();
        if (!QTest::qWaitForWindowExposed(&m_window)) {
            std::printf("the window does not show: no X display?\n");
        }
        m_view->findChild<QWidget*>(QStringLiteral("framePicture"))->installEventFilter(this);
        m_timeout.setSingleShot(true);
        connect(&m_timeout, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    }
    PlayerView& view() { return *m_view; }
    QSize pictureSize() const
    {
        return m_view->findChild<QWidget*>(QStringLiteral("framePicture"))->size();
    }
    void open(double atS)
    {
        Recording rec;
        rec.name = m_recording.name;
        rec.videoFile = QFileInfo(m_recording.video).fileName();
        rec.csvFile = QFileInfo(m_recording.telemetry).fileName();
        m_view->showRecording(rec, m_recording.folder, atS);
    }
    // Waits until the frame at seconds has been painted; false on timeout.
    bool waitForFrame(double seconds, int timeoutMs)
    {
        m_waitingFor = seconds;
        const bool painted = shows(seconds) || (run(timeoutMs), shows(seconds));
        m_waitingFor = kNone;
        return painted;
    }
    // The event loop for ms, or until the frame waited for is painted.
    void run(int ms)
    {
        m_timeout.start(ms);
        m_loop.exec();
        m_timeout.stop();
    }
    std::set<double>& painted() { return m_painted; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            m_lastPainted = m_view->position();
            m_painted.insert(m_lastPainted);
            if (shows(m_waitingFor)) {
                m_loop.quit();
            }
        }
        return false;
    }

private:
    static constexpr double kNone = -1e9;
    bool shows(double seconds) const { return std::abs(m_lastPainted - seconds) < kSameTimeS; }

    const BenchRecording& m_recording;
    QWidget m_window;
    PlayerView* m_view;
    QEventLoop m_loop;
    QTimer m_timeout;
    double m_lastPainted = kNone;
    double m_waitingFor = kNone;
    std::set<double> m_painted;
};

// The frame a moment shows: the last one at or before it.
double frameAt(const std::vector<double>& times, double t)
{
    const auto after = std::upper_bound(times.begin(), times.end(), t);
    return after == times.begin() ? times.front() : *(after - 1);
}

int framesBetween(const std::vector<double>& times, double from, double to)
{
    return static_cast<int>(std::upper_bound(times.begin(), times.end(), to + kSameTimeS) -
                            std::lower_bound(times.begin(), times.end(), from - kSameTimeS));
}

void measureOpen(const BenchRecording& r)
{
    std::vector<double> ms;
    for (int run = 0; run < kOpenRuns; ++run) {
        Stage stage(r);
        QElapsedTimer clock;
        clock.start();
        stage.open(0);
        if (!stage.waitForFrame(r.frameTimes.front(), kSeekWaitMs)) {
            std::printf("  open: no first frame within %d ms\n", kSeekWaitMs);
            return;
        }
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("  open, first frame (first run %.1f ms):\n", ms.front());
    printSeries("", ms);
}

void measureSeeks(Stage& stage, const BenchRecording& r)
{
    std::mt19937 random(24);
    std::uniform_real_distribution<double> anywhere(0, r.frameTimes.back());
    std::vector<double> ms;
    int exact = 0;
    for (int i = 0; i < kSeeks; ++i) {
        const double t = anywhere(random);
        QElapsedTimer clock;
        clock.start();
        stage.view().seekTo(t);
        if (stage.waitForFrame(frameAt(r.frameTimes, t), kSeekWaitMs)) {
            ++exact;
            ms.push_back(clock.nsecsElapsed() / 1e6);
        }
    }
    std::printf("  seek to a random moment, its exact frame painted: %d of %d\n", exact, kSeeks);
    if (!ms.empty()) {
        printSeries("", ms);
    }
}

// Plays seconds at speed from fromS; frames painted, and those in the stretch.
void measurePlaying(Stage& stage, const BenchRecording& r, double fromS, int seconds,
                    int speedSteps)
{
    stage.view().seekTo(fromS);
    stage.waitForFrame(frameAt(r.frameTimes, fromS), kSeekWaitMs);
    stage.view().changeSpeed(speedSteps);
    stage.painted().clear();
    const PlaybackEngine::Statistics before = stage.view().engine().statistics();
    const double load = loadAverage();
    stage.view().togglePlaying();
    stage.run(seconds * 1000);
    stage.view().pause();
    stage.run(100);
    const PlaybackEngine::Statistics after = stage.view().engine().statistics();
    stage.view().changeSpeed(-speedSteps);
    if (stage.painted().empty()) {
        std::printf("  nothing painted while playing\n");
        return;
    }
    // From the first frame painted while playing to the last.
    const int inStretch =
        framesBetween(r.frameTimes, *stage.painted().begin(), *stage.painted().rbegin());
    const int painted = static_cast<int>(stage.painted().size());
    std::printf("  %s× for %d s (load %.1f): %d frames painted of %d in the stretch, %d not "
                "shown; %.1f pictures/s; skipped %lld, replaced %lld\n",
                speedSteps == 0 ? "1" : "8", seconds, load, painted, inStretch, inStretch - painted,
                painted / static_cast<double>(seconds),
                static_cast<long long>(after.skipped - before.skipped),
                static_cast<long long>(after.replaced - before.replaced));
}

double processCpuS()
{
    return childprocess::cpuSeconds(getpid());
}

// ffplay on the same file and display, at the picture size; its CPU seconds.
double ffplayCpuS(const BenchRecording& r, double fromS, int seconds, const QSize& size)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string from = std::to_string(fromS);
        const std::string length = std::to_string(seconds);
        const std::string width = std::to_string(size.width());
        const std::string height = std::to_string(size.height());
        const std::string video = r.video.toStdString();
        execlp("ffplay", "ffplay", "-hide_banner", "-loglevel", "quiet", "-autoexit", "-an", "-sn",
               "-ss", from.c_str(), "-t", length.c_str(), "-x", width.c_str(), "-y", height.c_str(),
               video.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    const auto cpu = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return cpu(usage.ru_utime) + cpu(usage.ru_stime);
}

void measureCpu(Stage& stage, const BenchRecording& r)
{
    std::printf("  CPU playing %d s at 1× (%d×%d picture), taking turns:\n", kPlayS,
                stage.pictureSize().width(), stage.pictureSize().height());
    for (int round = 0; round < kCpuRounds; ++round) {
        const double from = 300.0 + round * 600;
        stage.view().seekTo(from);
        stage.waitForFrame(frameAt(r.frameTimes, from), kSeekWaitMs);
        const double load = loadAverage();
        const double before = processCpuS();
        stage.view().togglePlaying();
        stage.run(kPlayS * 1000);
        stage.view().pause();
        const double review = processCpuS() - before;
        const double ffplay = ffplayCpuS(r, from + kPlayS, kPlayS, stage.pictureSize());
        std::printf("    round %d (load %.1f): review %.2f s, ffplay %.2f s, ratio %.2f\n",
                    round + 1, load, review, ffplay, ffplay > 0 ? review / ffplay : -1.0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    const bool makeOnly = arguments.contains(QStringLiteral("--make-only"));
    const bool onlyMpeg4 = arguments.contains(QStringLiteral("--mpeg4"));
    const bool onlyH264 = arguments.contains(QStringLiteral("--h264"));
    QString cache = QStringLiteral(PLAYER_BENCH_CACHE);
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1String("--"))) {
            cache = argument;
        }
    }
    for (const bool h264 : {false, true}) {
        if ((h264 && onlyMpeg4) || (!h264 && onlyH264)) {
            continue;
        }
        const BenchRecording r = benchRecording(cache, h264);
        if (r.video.isEmpty() || r.frameTimes.empty()) {
            std::printf("%s: the recording could not be made\n", qPrintable(r.codec));
            return 1;
        }
        if (makeOnly) {
            continue;
        }
        std::printf("%s, 1596 x 1080, %zu frames, %.0f s (load %.1f)\n", qPrintable(r.codec),
                    r.frameTimes.size(), r.frameTimes.back(), loadAverage());
        measureOpen(r);
        Stage stage(r);
        stage.open(0);
        stage.waitForFrame(r.frameTimes.front(), kSeekWaitMs);
        measureSeeks(stage, r);
        measurePlaying(stage, r, 1200, kPlayS, 0);
        measurePlaying(stage, r, 2400, kFastS, 3);
        measureCpu(stage, r);
        std::fflush(stdout);
    }
    return 0;
}
