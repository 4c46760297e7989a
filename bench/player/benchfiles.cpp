#include "benchfiles.h"

#include "consolerecording.h"
#include "inspectionfiles.h"
#include "mediaprobe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <fstream>

namespace {

constexpr int kSeconds = 3600;
constexpr double kFps = 25;
const char* const kDone = ".done";

// Packet times without decoding: with no B-frames they are the frames' times.
std::vector<double> packetTimes(const QString& video)
{
    const std::string out =
        runCommand("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time "
                   "-of csv=p=0 '" +
                   video.toStdString() + "' 2>/dev/null");
    std::vector<double> times;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty()) {
            times.push_back(std::atof(line.c_str()));
        }
    }
    std::sort(times.begin(), times.end());
    return times;
}

} // namespace

BenchRecording benchRecording(const QString& cacheFolder, bool h264)
{
    BenchRecording r;
    r.codec = h264 ? QStringLiteral("H.264") : QStringLiteral("MPEG-4 Part 2");
    r.folder = QDir(cacheFolder).filePath(h264 ? "h264" : "mpeg4");
    reviewtest::RecordingPlan plan;
    plan.project = reviewtest::project("滨江路", "Y12", "Y13");
    plan.start = QDateTime::fromString("20261207090000", "yyyyMMddHHmmss");
    plan.h264 = h264;
    plan.size = QSize(1596, 1080);
    plan.fps = kFps;
    plan.frames = static_cast<int>(kSeconds * kFps);
    plan.speedMps = 0.05; // a slow inspection
    reviewtest::ConsoleRecording made;
    made.name = reviewtest::recordingBaseName(plan.project, plan.start);
    QDir dir(r.folder);
    if (!QFile::exists(dir.filePath(kDone))) {
        dir.removeRecursively();
        QDir().mkpath(r.folder);
        std::printf("making the one-hour %s recording in %s (once; this takes long)\n",
                    qPrintable(r.codec), qPrintable(r.folder));
        std::fflush(stdout);
        QElapsedTimer clock;
        clock.start();
        if (!reviewtest::recordLikeConsole(r.folder, plan, &made)) {
            return r;
        }
        std::printf("  made in %.0f s\n", clock.elapsed() / 1000.0);
        QFile(dir.filePath(kDone)).open(QIODevice::WriteOnly);
    }
    r.name = made.name;
    r.video = dir.filePath(made.name + ".mp4");
    r.telemetry = dir.filePath(made.name + ".csv");
    const QString timesFile = dir.filePath("frame-times.txt");
    std::ifstream cached(timesFile.toStdString());
    for (double t = 0; cached >> t;) {
        r.frameTimes.push_back(t);
    }
    if (r.frameTimes.empty()) {
        r.frameTimes = packetTimes(r.video);
        std::ofstream out(timesFile.toStdString());
        out.precision(9);
        for (const double t : r.frameTimes) {
            out << t << '\n';
        }
    }
    return r;
}
