// Records the simulated 1920 x 1080 camera (1596 x 1080 after the crop) at
// 25 fps and prints frames dropped from the recording queue, queue depth,
// GUI event-loop lateness and peak memory.
//
//   recording_bench [seconds]     (300 for the five-minute figure)

#include "FontFaces.h"
#include "Mp4Recorder.h"
#include "puttext.h"
#include "videobench.h"

#include <QApplication>
#include <QTemporaryDir>

#include <opencv2/videoio.hpp>

#include <cstdlib>

namespace {

// What one frame costs the encoder alone: the time the GUI thread would be
// blocked per 30 ms tick if it encoded itself.
std::vector<double> encoderCosts(const QString& folder)
{
    constexpr int kFrames = 100;
    const cv::Rect crop(162, 0, 1596, 1080);
    const auto frames = videobench::cameraFrames();
    Mp4Recorder recorder;
    std::vector<double> costs;
    if (!recorder.open((folder + QStringLiteral("encoder.mp4")).toStdString(),
                       cv::VideoWriter::fourcc('x', 'v', 'i', 'd'), videobench::kFps,
                       crop.size())) {
        return costs;
    }
    for (int i = 0; i < kFrames; ++i) {
        const cv::Mat frame = frames[static_cast<size_t>(i) % frames.size()](crop).clone();
        const auto before = videobench::Clock::now();
        recorder.write(frame, std::chrono::microseconds(i * 1000000 / videobench::kFps));
        costs.push_back(videobench::milliseconds(videobench::Clock::now() - before));
    }
    return costs;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    constexpr int kDefaultSeconds = 30;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : kDefaultSeconds;
    QTemporaryDir folder;
    const auto encoder = encoderCosts(folder.path() + QStringLiteral("/"));
    const auto f = videobench::recordSession(seconds, folder.path() + QStringLiteral("/"));
    if (f.queueDepths.empty()) {
        std::printf("recording did not start: %s\n", qPrintable(f.message));
        return 1;
    }
    std::printf("recording 1596x1080 at %d fps for %d s\n", videobench::kFps, seconds);
    std::printf("  frames delivered %d  written %llu  dropped from queue %llu\n",
                f.framesWhileRecording, static_cast<unsigned long long>(f.framesWritten),
                static_cast<unsigned long long>(f.framesDropped));
    std::printf(
        "  queue depth p50 %zu  p99 %zu  max %zu\n", videobench::percentile(f.queueDepths, 0.5),
        videobench::percentile(f.queueDepths, 0.99), videobench::percentile(f.queueDepths, 1.0));
    std::printf("  GUI event loop lateness (%d ms timer) p50 %.2f ms  p99 %.2f ms  max %.2f ms\n",
                videobench::kProbeMs, videobench::percentile(f.guiLatenessMs, 0.5),
                videobench::percentile(f.guiLatenessMs, 0.99),
                videobench::percentile(f.guiLatenessMs, 1.0));
    std::printf("  encoder alone per 1596x1080 frame: median %.2f ms  p99 %.2f ms\n",
                videobench::percentile(encoder, 0.5), videobench::percentile(encoder, 0.99));
    std::printf("  peak memory (VmHWM) %ld kB, of which %d simulated camera pictures %ld kB\n",
                videobench::peakMemoryKb(), videobench::kDistinctFrames,
                static_cast<long>(videobench::kDistinctFrames) * videobench::kCameraSize.area() *
                    3 / 1024);
    return 0;
}
