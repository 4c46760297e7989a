// Glass-to-glass latency of the live picture, the Moravel program against
// GStreamer in the same run. GStreamer's RTSP server on 127.0.0.1 sends
// H.264 1920 x 1080 at 25 fps in which every picture carries, as black and
// white cells, the wall-clock milliseconds at which it went to the encoder
// (rtsp_camera.py --timecode). The X server's screen is grabbed 20 times a
// second and the cells read back off it: latency = grab time - time in the
// picture. It includes encoding, the network, decoding, the program's own
// work and painting, and up to one frame of hold. The programs take turns,
// one at a time, in windows of the given length:
//   - Moravel (crawler-sim as its crawler, back camera a simulated 640 x 480
//     one, small view off), the main camera's picture in its large view;
//   - gst-launch-1.0 rtspsrc latency=0 protocols=tcp ! decodebin !
//     videoconvert ! ximagesink.
// Printed per window and per program: samples, median, p90 and the
// differences to GStreamer, with the load average beside each window.
//
//   DISPLAY=:80 glass_latency_bench [window seconds, default 20] [rounds, default 3]
//
// Needs an X display of its own (an Xvfb of 1920 x 1080 x 24 nobody else
// draws on).
#include "BenchSupport.h"
#include "SimProcess.h"
#include "liveprograms.h"
#include "rtspcamera.h"
#include "screencode.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

constexpr int kDefaultWindowSeconds = 20;
constexpr int kDefaultRounds = 3;
constexpr int kGrabEveryMs = 50;
constexpr int kLocateWithinMs = 30000;
constexpr int kLocateEveryMs = 200;
constexpr int kMsPerSecond = 1000;

struct Figures {
    double median = 0;
    double p90 = 0;
};

Figures figures(const std::vector<double>& samples)
{
    return {bench::Percentile(samples, 0.5), bench::Percentile(samples, 0.9)};
}

bool locate(ScreenCode& screen)
{
    QElapsedTimer waited;
    waited.start();
    while (!screen.locate()) {
        if (waited.elapsed() > kLocateWithinMs)
            return false;
        livecost::runFor(kLocateEveryMs);
    }
    return true;
}

// Reads the screen every kGrabEveryMs for ms; latencies in ms, and how
// many grabs did not read.
std::vector<double> sample(ScreenCode& screen, int ms, int& unread)
{
    std::vector<double> latencies;
    QElapsedTimer clock;
    clock.start();
    qint64 next = 0;
    while (next < ms) {
        const qint64 wait = next - clock.elapsed();
        if (wait > 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(wait));
            const qint64 left = next - clock.elapsed();
            if (left > 0)
                QThread::msleep(static_cast<unsigned long>(left));
        }
        next += kGrabEveryMs;
        const uint32_t before = wallClockMillis();
        const auto shown = screen.read();
        const uint32_t after = wallClockMillis();
        if (!shown) {
            ++unread;
            continue;
        }
        // The grab is taken somewhere between the two clock readings.
        const uint32_t grabbed = before + (after - before) / 2;
        latencies.push_back(static_cast<int32_t>(grabbed - *shown));
    }
    return latencies;
}

} // namespace

int main(int argc, char** argv)
{
    const int windowSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultWindowSeconds;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultRounds;
    QCoreApplication app(argc, argv);
    const QString display = qEnvironmentVariable("DISPLAY");
    ScreenCode screen(display);
    if (!screen.connected()) {
        std::fprintf(stderr, "no X display (DISPLAY=%s)\n", qPrintable(display));
        return 1;
    }
    std::fprintf(stderr, "load average before: %s\n", bench::LoadAverage().c_str());
    RtspCamera::Options options;
    options.width = 1920;
    options.height = 1080;
    options.timecode = true;
    RtspCamera camera(options);
    simtest::SimProcess sim;
    if (!camera.start() || !sim.start({})) {
        std::fprintf(stderr, "the RTSP camera or crawler-sim did not start\n");
        return 1;
    }
    const auto console = livecost::consoleProgram({display, sim.port(), camera.url()});
    const auto gstreamer = livecost::gstreamerPlayer(display, camera.url());
    std::map<QString, std::vector<double>> all;
    const bool ran = livecost::alternate(
        {console.get(), gstreamer.get()}, rounds, [&](livecost::LiveProgram& program, int) {
            if (!locate(screen)) {
                std::fprintf(stderr, "  no time code on screen\n");
                return;
            }
            int unread = 0;
            const auto latencies = sample(screen, windowSeconds * kMsPerSecond, unread);
            const Figures f = figures(latencies);
            std::fprintf(stderr, "  %zu grabs read, %d not: median %.0f ms, p90 %.0f ms\n",
                         latencies.size(), unread, f.median, f.p90);
            auto& samples = all[program.name()];
            samples.insert(samples.end(), latencies.begin(), latencies.end());
        });
    std::fprintf(stderr, "load average after: %s\n", bench::LoadAverage().c_str());
    if (!ran)
        return 1;
    const Figures gst = figures(all[gstreamer->name()]);
    const Figures moravel = figures(all[console->name()]);
    for (const auto& [name, samples] : all) {
        const Figures f = figures(samples);
        std::fprintf(stderr, "%s: %zu samples, median %.0f ms, p90 %.0f ms\n", qPrintable(name),
                     samples.size(), f.median, f.p90);
    }
    std::fprintf(stderr,
                 "Moravel - GStreamer: median %+.0f ms (target at most +10), p90 %+.0f ms "
                 "(target at most +20)\n",
                 moravel.median - gst.median, moravel.p90 - gst.p90);
    return 0;
}
