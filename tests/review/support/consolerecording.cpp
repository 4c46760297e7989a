#include "consolerecording.h"

#include "VideoCodec.h"
#include "framequeue.h"
#include "inspectionfiles.h"
#include "recordingwriter.h"

#include <QDir>

#include <opencv2/imgproc.hpp>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <thread>

namespace reviewtest {

namespace {

using std::chrono::microseconds;
constexpr int kBits = 17; // frames of an hour at 25 a second
constexpr double kBandShare = 1.0 / 6;
constexpr int kRecordsPerSecond = 20;
constexpr int kMaxJitterMs = 12;
constexpr size_t kQueueDepth = 40;

// Arrival of frame i: its nominal time and a few milliseconds of the
// camera's unevenness.
double arrivalS(const RecordingPlan& plan, int i)
{
    return i / plan.fps + (i * 7919 % (kMaxJitterMs + 1)) / 1000.0;
}

cv::Mat background(const RecordingPlan& plan)
{
    cv::Mat picture(plan.size.height(), plan.size.width(), CV_8UC3);
    for (int y = 0; y < picture.rows; ++y) {
        for (int x = 0; x < picture.cols; ++x) {
            picture.at<cv::Vec3b>(y, x) =
                cv::Vec3b(static_cast<uchar>(60 + x * 80 / picture.cols),
                          static_cast<uchar>(70 + y * 90 / picture.rows), 90);
        }
    }
    cv::circle(picture, {picture.cols / 2, picture.rows * 7 / 12}, picture.rows / 3,
               cv::Scalar(150, 140, 120), picture.rows / 20);
    return picture;
}

cv::Mat frame(const cv::Mat& background, int number)
{
    cv::Mat picture = background.clone();
    const int band = static_cast<int>(picture.rows * kBandShare);
    for (int bit = 0; bit < kBits; ++bit) {
        const int left = picture.cols * bit / kBits;
        const int right = picture.cols * (bit + 1) / kBits;
        const int level = (number >> (kBits - 1 - bit) & 1) != 0 ? 255 : 0;
        cv::rectangle(picture, cv::Rect(left, 0, right - left, band),
                      cv::Scalar(level, level, level), cv::FILLED);
    }
    return picture;
}

TelemetrySample record(const RecordingPlan& plan, RecordingClock::time_point start, double t)
{
    TelemetrySample s;
    s.wallTime = plan.start.addMSecs(std::llround(t * 1000));
    s.at = start +
           std::chrono::duration_cast<RecordingClock::duration>(std::chrono::duration<double>(t));
    s.distanceM = planDistance(plan, t);
    s.cableM = s.distanceM + 0.05;
    s.rollDeg = 2 * std::sin(t);
    s.pitchDeg = std::cos(t);
    s.headingDeg = 93.1;
    s.bodyPressureKpa = s.lensPressureKpa = 101.3;
    s.bodyTempC = s.lensTempC = 30.5;
    return s;
}

RecordingWriter::File fileOf(const QString& folder, const RecordingPlan& plan,
                             ConsoleRecording* out)
{
    out->name = recordingBaseName(plan.project, plan.start);
    out->video = QDir(folder).filePath(out->name + ".mp4");
    out->telemetry = QDir(folder).filePath(out->name + ".csv");
    RecordingWriter::File file;
    file.videoPath = out->video.toStdString();
    file.telemetryPath = out->telemetry;
    file.fourcc =
        plan.h264 ? recorder::Fourcc('a', 'v', 'c', '1') : recorder::Fourcc('x', 'v', 'i', 'd');
    file.fps = plan.fps;
    file.size = cv::Size(plan.size.width(), plan.size.height());
    file.options.subtitles = true;
    for (auto it = plan.project.begin(); it != plan.project.end(); ++it) {
        file.options.tags.emplace_back(it.key().toStdString(), it.value().toStdString());
    }
    file.options.tags.emplace_back("start_time", isoWallTime(plan.start).toStdString());
    file.options.tags.emplace_back("moravel_format", "1");
    return file;
}

// Frames and records into writer; paced: each at its time on the clock,
// else as fast as the writer takes them. frames < 0: until killed.
void feed(RecordingWriter& writer, FrameQueue& queue, const RecordingPlan& plan,
          RecordingClock::time_point start, bool paced)
{
    const cv::Mat still = background(plan);
    double nextRecordS = plan.firstRecordS;
    for (int i = 0; plan.frames < 0 || i < plan.frames; ++i) {
        const double t = arrivalS(plan, i);
        for (; nextRecordS <= t; nextRecordS += 1.0 / kRecordsPerSecond) {
            writer.addTelemetry(record(plan, start, nextRecordS));
        }
        const auto at = start + std::chrono::duration_cast<RecordingClock::duration>(
                                    std::chrono::duration<double>(t));
        if (paced) {
            std::this_thread::sleep_until(at);
        }
        while (queue.size() >= kQueueDepth) {
            writer.pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        queue.push(frame(still, i), at);
        writer.pump();
    }
}

} // namespace

double planDistance(const RecordingPlan& plan, double seconds)
{
    return plan.startM + plan.speedMps * seconds;
}

bool recordLikeConsole(const QString& folder, const RecordingPlan& plan, ConsoleRecording* out)
{
    FrameQueue queue;
    RecordingWriter writer;
    const auto start = RecordingClock::now();
    if (!writer.open(fileOf(folder, plan, out), queue, start)) {
        return false;
    }
    feed(writer, queue, plan, start, false);
    while (writer.framesWritten() < static_cast<uint64_t>(plan.frames) && !writer.failed()) {
        writer.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double endS = arrivalS(plan, plan.frames - 1) + 1 / plan.fps;
    writer.close(start + std::chrono::duration_cast<RecordingClock::duration>(
                             std::chrono::duration<double>(endS)));
    writer.release();
    // The console always writes one; here it is lost, as a copy may lose it.
    if (!plan.telemetry) {
        QFile::remove(out->telemetry);
        out->telemetry.clear();
    }
    return !writer.failed();
}

bool recordAndKill(const QString& folder, const RecordingPlan& plan, int killAfterMs,
                   ConsoleRecording* out)
{
    const RecordingWriter::File file = fileOf(folder, plan, out);
    const pid_t pid = fork();
    if (pid == 0) {
        FrameQueue queue;
        RecordingWriter writer;
        const auto start = RecordingClock::now();
        if (writer.open(file, queue, start)) {
            RecordingPlan endless = plan;
            endless.frames = -1;
            feed(writer, queue, endless, start, true);
        }
        _exit(1);
    }
    if (pid < 0) {
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && QFile::exists(out->video);
}

QString csvDistanceAt(const QString& csv, double seconds)
{
    QFile file(csv);
    QString distance = QStringLiteral("—");
    if (!file.open(QIODevice::ReadOnly)) {
        return distance;
    }
    file.readLine(); // the header
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() > 2 && fields[1].toDouble() <= seconds) {
            distance = QString::fromUtf8(fields[2]);
        }
    }
    return distance;
}

int frameNumber(const QImage& picture)
{
    if (picture.isNull()) {
        return -1;
    }
    const int y = static_cast<int>(picture.height() * kBandShare / 2);
    int number = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int x = static_cast<int>(picture.width() * (bit + 0.5) / kBits);
        const int grey = qGray(picture.pixel(x, y));
        if (grey > 80 && grey < 175) {
            return -1; // neither black nor white
        }
        number = number << 1 | (grey >= 175 ? 1 : 0);
    }
    return number;
}

} // namespace reviewtest
