// Records the simulated 1920 x 1080 camera (1596 x 1080 after the crop) at
// 25 fps with MPEG-4 Part 2 and with H.264 and prints, for each: the encoder
// alone (CPU and wall time per frame, what forcing each fragment to the disk
// costs), and a real-time recording through the console's recording path
// (frames dropped from the recording queue, queue depth, GUI event-loop
// lateness, megabytes per hour); then peak memory.
//
//   recording_bench [seconds]     (300 for the five-minute figure)
//
// The files go below TMPDIR, which must be a real disk for fdatasync to count.

#include "FontFaces.h"
#include "Mp4Recorder.h"
#include "puttext.h"
#include "videobench.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <opencv2/videoio.hpp>

#include <time.h>

#include <cstdlib>

namespace {

constexpr int kEncoderFrames = 250; // ten seconds of video
constexpr double kBytesPerMegabyte = 1e6;
constexpr double kSecondsPerHour = 3600;

struct Codec {
    const char* name;
    const char* setting; // /came/codec
    int fourcc;
};
const Codec kCodecs[] = {
    {"MPEG-4 Part 2", "", cv::VideoWriter::fourcc('x', 'v', 'i', 'd')},
    {"H.264 (libx264 veryfast, CRF 23)", "h264", cv::VideoWriter::fourcc('a', 'v', 'c', '1')},
};

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct EncoderFigures {
    std::vector<double> wallMs; // per write, waiting for the disk included
    double cpuMsPerFrame = 0;   // every thread of the process
    Mp4Recorder::SyncFigures sync;
};

// The encoder alone, writing as fast as it can, with a cue a second as the
// console writes them.
EncoderFigures encoderAlone(const QString& folder, const Codec& codec, bool syncFragments)
{
    const cv::Rect crop(162, 0, 1596, 1080);
    const auto frames = videobench::cameraFrames();
    Mp4Recorder recorder;
    Mp4Recorder::Options options;
    options.subtitles = true;
    options.syncFragments = syncFragments;
    EncoderFigures figures;
    if (!recorder.open((folder + QStringLiteral("encoder.mp4")).toStdString(), codec.fourcc,
                       videobench::kFps, crop.size(), options)) {
        std::printf("  %s: %s\n", codec.name, recorder.lastError().c_str());
        return figures;
    }
    const double cpuBefore = cpuMilliseconds();
    for (int i = 0; i < kEncoderFrames; ++i) {
        const cv::Mat frame = frames[static_cast<size_t>(i) % frames.size()](crop).clone();
        const std::chrono::microseconds at(static_cast<int64_t>(i) * 1000000 / videobench::kFps);
        const auto before = videobench::Clock::now();
        if (i > 0 && i % videobench::kFps == 0) {
            recorder.writeSubtitle("12.35 M", at - std::chrono::seconds(1), at);
        }
        recorder.write(frame, at);
        figures.wallMs.push_back(videobench::milliseconds(videobench::Clock::now() - before));
    }
    recorder.release();
    figures.cpuMsPerFrame = (cpuMilliseconds() - cpuBefore) / kEncoderFrames;
    figures.sync = recorder.syncFigures();
    return figures;
}

void printEncoder(const QString& folder, const Codec& codec)
{
    const EncoderFigures synced = encoderAlone(folder, codec, true);
    const EncoderFigures unsynced = encoderAlone(folder, codec, false);
    const double meanSyncMs = synced.sync.count == 0
                                  ? 0.0
                                  : static_cast<double>(synced.sync.total.count()) / 1e3 /
                                        static_cast<double>(synced.sync.count);
    std::printf("  %s: CPU %.1f ms per frame; wall median %.1f ms, p99 %.1f ms\n", codec.name,
                synced.cpuMsPerFrame, videobench::percentile(synced.wallMs, 0.5),
                videobench::percentile(synced.wallMs, 0.99));
    std::printf("    fdatasync: %llu fragments, mean %.1f ms, longest %.1f ms; without it wall "
                "median %.1f ms, p99 %.1f ms\n",
                static_cast<unsigned long long>(synced.sync.count), meanSyncMs,
                static_cast<double>(synced.sync.longest.count()) / 1e3,
                videobench::percentile(unsynced.wallMs, 0.5),
                videobench::percentile(unsynced.wallMs, 0.99));
}

bool printSession(const QString& folder, const Codec& codec, int seconds)
{
    const auto f =
        videobench::recordSession(seconds, folder, true, QString::fromLatin1(codec.setting));
    if (f.queueDepths.empty()) {
        std::printf("  %s: recording did not start: %s\n", codec.name, qPrintable(f.message));
        return false;
    }
    const double megabytesPerHour = static_cast<double>(QFileInfo(f.file).size()) /
                                    kBytesPerMegabyte / seconds * kSecondsPerHour;
    std::printf("  %s:\n", codec.name);
    std::printf("    frames delivered %d  written %llu  dropped from queue %llu\n",
                f.framesWhileRecording, static_cast<unsigned long long>(f.framesWritten),
                static_cast<unsigned long long>(f.framesDropped));
    std::printf(
        "    queue depth p50 %zu  p99 %zu  max %zu\n", videobench::percentile(f.queueDepths, 0.5),
        videobench::percentile(f.queueDepths, 0.99), videobench::percentile(f.queueDepths, 1.0));
    std::printf("    GUI event loop lateness (%d ms timer) p50 %.2f ms  p99 %.2f ms  max %.2f ms\n",
                videobench::kProbeMs, videobench::percentile(f.guiLatenessMs, 0.5),
                videobench::percentile(f.guiLatenessMs, 0.99),
                videobench::percentile(f.guiLatenessMs, 1.0));
    std::printf("    %.0f MB per hour\n", megabytesPerHour);
    return true;
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
    const QString path = folder.path() + QStringLiteral("/");
    std::printf("encoder alone, 1596x1080, %d frames at %d fps, a fragment per second:\n",
                kEncoderFrames, videobench::kFps);
    for (const Codec& codec : kCodecs) {
        printEncoder(path, codec);
    }
    std::printf("recording 1596x1080 at %d fps for %d s, fdatasync after each fragment:\n",
                videobench::kFps, seconds);
    bool recorded = true;
    for (const Codec& codec : kCodecs) {
        recorded = printSession(path, codec, seconds) && recorded;
    }
    std::printf("peak memory (VmHWM) %ld kB, of which %d simulated camera pictures %ld kB\n",
                videobench::peakMemoryKb(), videobench::kDistinctFrames,
                static_cast<long>(videobench::kDistinctFrames) * videobench::kCameraSize.area() *
                    3 / 1024);
    return recorded ? 0 : 1;
}
