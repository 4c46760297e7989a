#include "recordingwriter.h"

#include "childprocess.h"
#include "framequeue.h"
#include "mediaprobe.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <opencv2/videoio.hpp>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFps = 25.0;
const cv::Size kSize(320, 240);

cv::Mat noiseFrame(cv::Size size, int seed)
{
    cv::Mat frame(size, CV_8UC3);
    cv::RNG rng(static_cast<uint64_t>(seed) + 1);
    rng.fill(frame, cv::RNG::UNIFORM, 0, 256);
    return frame;
}

// The file at path (an MPEG-4 Part 2 recording at kFps and kSize) with its
// telemetry beside it.
RecordingWriter::File fileAt(const std::string& path)
{
    RecordingWriter::File file;
    file.videoPath = path;
    file.telemetryPath =
        QString::fromStdString(path).replace(QStringLiteral(".mp4"), QStringLiteral(".csv"));
    file.fourcc = cv::VideoWriter::fourcc('x', 'v', 'i', 'd');
    file.fps = kFps;
    file.size = kSize;
    file.options.subtitles = true;
    return file;
}

// Pumps the writer until it has written `count` frames or failed.
bool waitForWritten(RecordingWriter& writer, uint64_t count)
{
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (writer.framesWritten() < count && !writer.failed() && Clock::now() < deadline) {
        writer.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return writer.framesWritten() >= count;
}

TEST(RecordingWriter, EncodesEveryFrameAtTheOpenedSize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("a.mp4")).toStdString();
    FrameQueue queue;
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(fileAt(path), queue, Clock::now())) << writer.error();
    EXPECT_TRUE(writer.isOpened());
    constexpr int kFrames = 30;
    for (int i = 0; i < kFrames; ++i) {
        // Every third frame comes from a camera of another size.
        const cv::Size size = i % 3 == 0 ? cv::Size(640, 360) : kSize;
        queue.push(noiseFrame(size, i), Clock::now());
    }
    // Nothing is written before the first pump.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(writer.framesWritten(), 0u);
    EXPECT_TRUE(waitForWritten(writer, kFrames));
    EXPECT_EQ(queue.size(), 0u);
    writer.release();
    EXPECT_FALSE(writer.isOpened());
    queue.push(noiseFrame(kSize, 0), Clock::now());
    writer.pump();
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_EQ(writer.framesWritten(), static_cast<uint64_t>(kFrames));
    const auto probe = probeVideo(path);
    EXPECT_EQ(probe.at("width"), "320");
    EXPECT_EQ(probe.at("height"), "240");
    EXPECT_EQ(probe.at("codec_tag_string"), "mp4v");
    EXPECT_EQ(probe.at("nb_read_frames"), std::to_string(kFrames));
}

TEST(RecordingWriter, WritesQueuedFramesOldestFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("order.mp4")).toStdString();
    FrameQueue queue;
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(fileAt(path), queue, Clock::now()));
    constexpr int kFrames = 20;
    constexpr int kStep = 10;
    for (int i = 0; i < kFrames; ++i) {
        queue.push(cv::Mat(kSize, CV_8UC3, cv::Scalar::all(20 + kStep * i)), Clock::now());
    }
    ASSERT_TRUE(waitForWritten(writer, kFrames));
    writer.release();
    cv::VideoCapture video(path);
    ASSERT_TRUE(video.isOpened());
    cv::Mat frame;
    int index = 0;
    while (video.read(frame)) {
        EXPECT_NEAR(cv::mean(frame)[0], 20 + kStep * index, kStep / 2.0) << "frame " << index;
        ++index;
    }
    EXPECT_EQ(index, kFrames);
}

TEST(RecordingWriter, FramesLandAtTheirArrivalOnTheRecordingsClock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("timed.mp4")).toStdString();
    FrameQueue queue;
    RecordingWriter writer;
    // A recording that started three seconds ago, with frames after 0.2, 1 and 2 s.
    const auto start = Clock::now() - std::chrono::seconds(3);
    ASSERT_TRUE(writer.open(fileAt(path), queue, start));
    for (int ms : {200, 1000, 2000}) {
        queue.push(noiseFrame(kSize, ms), start + std::chrono::milliseconds(ms));
    }
    ASSERT_TRUE(waitForWritten(writer, 3));
    writer.release();
    const FrameTimes frames = frameTimes(path);
    ASSERT_EQ(frames.times.size(), 3u);
    EXPECT_EQ(frames.times[0], 0.0); // the first frame starts the file
    EXPECT_NEAR(frames.times[1], 1.0, 0.001);
    EXPECT_NEAR(frames.times[2], 2.0, 0.001);
    // The last frame lasts until the release: the file is as long as the recording ran.
    const double duration = probedDuration(path);
    EXPECT_GE(duration, 3.0);
    EXPECT_LT(duration, 3.0 + 5.0); // generous: the machine may be loaded
}

// Waits for the writer's files to be complete.
bool waitForClosed(const RecordingWriter& writer)
{
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (!writer.isClosed() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return writer.isClosed();
}

TEST(RecordingWriter, CloseTakesOverTheWaitingFramesAndEndsTheFileAtTheStop)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("stop.mp4")).toStdString();
    FrameQueue queue;
    RecordingWriter writer;
    const auto start = Clock::now() - std::chrono::seconds(3);
    ASSERT_TRUE(writer.open(fileAt(path), queue, start));
    // Three seconds of frames still waiting when the recording stops.
    constexpr int kWaiting = 75;
    for (int i = 0; i < kWaiting; ++i) {
        queue.push(noiseFrame(kSize, i), start + std::chrono::milliseconds(i * 40));
    }
    std::atomic<bool> told{false};
    writer.close(start + std::chrono::seconds(3), [&told] { told = true; });
    EXPECT_FALSE(writer.isOpened());
    // The queue is the next recording's at once.
    EXPECT_EQ(queue.size(), 0u);
    queue.push(noiseFrame(kSize, 0), Clock::now());
    ASSERT_TRUE(waitForClosed(writer));
    EXPECT_TRUE(told);
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_EQ(writer.framesWritten(), static_cast<uint64_t>(kWaiting));
    EXPECT_EQ(decodedFrames(path), kWaiting);
    EXPECT_NEAR(probedDuration(path), 3.0, 0.001);
}

TEST(RecordingWriter, StatusRecordsGoToTheTelemetryFileAndOneCueASecond)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("telemetry.mp4")).toStdString();
    FrameQueue queue;
    RecordingWriter writer;
    const auto start = Clock::now() - std::chrono::seconds(3);
    ASSERT_TRUE(writer.open(fileAt(path), queue, start));
    // Received 0.2, 0.9, 1.6 and 2.5 s into the recording, at 1, 1.5, 2 and 2.5 m.
    const int receivedMs[] = {200, 900, 1600, 2500};
    for (int i = 0; i < 4; ++i) {
        TelemetrySample sample;
        sample.wallTime = QDateTime::currentDateTime();
        sample.at = start + std::chrono::milliseconds(receivedMs[i]);
        sample.distanceM = 1.0 + 0.5 * i;
        writer.addTelemetry(sample);
    }
    for (int i = 0; i < 75; ++i) {
        queue.push(noiseFrame(kSize, i), start + std::chrono::milliseconds(i * 40));
    }
    ASSERT_TRUE(waitForWritten(writer, 75));
    writer.close(start + std::chrono::seconds(3));
    ASSERT_TRUE(waitForClosed(writer));

    QFile csv(dir.filePath(QStringLiteral("telemetry.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().split('\n');
    ASSERT_EQ(rows.size(), 6); // header, four rows, the last line end
    for (int i = 0; i < 4; ++i) {
        const QList<QByteArray> fields = rows[i + 1].split(',');
        EXPECT_EQ(fields.value(1), QByteArray::number(receivedMs[i] / 1000.0, 'f', 3));
        EXPECT_EQ(fields.value(2), QByteArray::number(1.0 + 0.5 * i, 'f', 2));
    }
    // Each second's cue shows the newest record at its start; none before the first.
    const auto cues = subtitleCues(path);
    ASSERT_GE(cues.size(), 2u);
    EXPECT_EQ(cues[cues.size() - 2].text.rfind("1.50 M", 0), 0u) << cues[cues.size() - 2].text;
    EXPECT_NEAR(cues[cues.size() - 2].start, 1.0, 0.001);
    EXPECT_EQ(cues.back().text.rfind("2.00 M", 0), 0u) << cues.back().text;
    EXPECT_NEAR(cues.back().start, 2.0, 0.001);
    EXPECT_NEAR(std::stod(probeStream(path, "s", "duration").at("duration")), 3.0, 0.001);
}

TEST(RecordingWriter, ScalesWithAreaInterpolation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A fine checkerboard averages to grey under area scaling (nearest would keep black or white).
    cv::Mat board(480, 640, CV_8UC3);
    for (int y = 0; y < board.rows; ++y) {
        for (int x = 0; x < board.cols; ++x) {
            board.at<cv::Vec3b>(y, x) = (x + y) % 2 ? cv::Vec3b(255, 255, 255) : cv::Vec3b(0, 0, 0);
        }
    }
    const std::string path = dir.filePath(QStringLiteral("b.mp4")).toStdString();
    FrameQueue queue;
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(fileAt(path), queue, Clock::now()));
    queue.push(board, Clock::now());
    ASSERT_TRUE(waitForWritten(writer, 1));
    writer.release();
    const std::string mean =
        runCommand("ffmpeg -v error -i '" + path +
                   "' -f rawvideo -pix_fmt gray - 2>/dev/null | od -An -tu1 -v");
    long sum = 0;
    long count = 0;
    std::istringstream values(mean);
    int v = 0;
    while (values >> v) {
        sum += v;
        ++count;
    }
    ASSERT_EQ(count, kSize.area());
    EXPECT_NEAR(static_cast<double>(sum) / count, 127.5, 12.0);
}

TEST(RecordingWriter, OpenFailureIsReported)
{
    FrameQueue queue;
    RecordingWriter writer;
    EXPECT_FALSE(writer.open(fileAt("/nonexistent-folder-for-test/a.mp4"), queue, Clock::now()));
    EXPECT_FALSE(writer.isOpened());
    EXPECT_FALSE(writer.error().empty());
    RecordingWriter::File slow = fileAt("/tmp/never.mp4");
    slow.fps = 0.5;
    EXPECT_FALSE(writer.open(slow, queue, Clock::now()));
    queue.push(noiseFrame(kSize, 0), Clock::now());
    writer.pump();
    EXPECT_EQ(queue.size(), 1u);
}

TEST(RecordingWriter, FullDiskStopsWritingAndKeepsAPlayableFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("full.mp4")).toStdString();
    constexpr rlim_t kDiskBytes = 2 * 1024 * 1024;
    int written[2];
    ASSERT_EQ(pipe(written), 0);
    const int code = childprocess::inChild([&path, &written] {
        childprocess::fillDiskAt(kDiskBytes);
        FrameQueue queue;
        RecordingWriter writer;
        const auto start = Clock::now();
        if (!writer.open(fileAt(path), queue, start)) {
            return 2;
        }
        // Frames of a 25 fps camera, written as fast as the encoder goes.
        for (int i = 0; i < 2000 && !writer.failed(); ++i) {
            queue.push(noiseFrame(kSize, i), start + std::chrono::milliseconds(i * 40));
            waitForWritten(writer, static_cast<uint64_t>(i) + 1);
        }
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!writer.failed() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const bool reported = writer.failed() && !writer.error().empty();
        writer.release();
        const uint64_t frames = writer.framesWritten();
        (void)!write(written[1], &frames, sizeof frames);
        return reported ? 0 : 3;
    });
    close(written[1]);
    uint64_t frames = 0;
    ASSERT_EQ(read(written[0], &frames, sizeof frames), static_cast<ssize_t>(sizeof frames));
    close(written[0]);
    EXPECT_EQ(code, 0);
    ASSERT_GT(frames, 0u);
    // Everything but the fragment the disk cut off and the second after it plays.
    const int decoded = decodedFrames(path);
    EXPECT_GT(decoded, 0);
    EXPECT_GE(decoded, static_cast<int>(frames) - 2 * static_cast<int>(kFps) - 1);
    EXPECT_LE(decoded, static_cast<int>(frames));
}

TEST(RecordingWriter, KilledProcessLeavesAFilePlayableToTwoSecondsBeforeTheKill)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("killed.mp4")).toStdString();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(ready[0]);
        FrameQueue queue;
        RecordingWriter writer;
        if (!writer.open(fileAt(path), queue, Clock::now())) {
            _exit(2);
        }
        const auto start = Clock::now();
        bool told = false;
        for (int i = 0;; ++i) {
            // Real-time pace: frame i is due at i / fps.
            std::this_thread::sleep_until(start + std::chrono::milliseconds(i * 40));
            queue.push(noiseFrame(kSize, i % 50), Clock::now());
            writer.pump();
            if (!told) {
                const char one = 1;
                (void)!write(ready[1], &one, 1);
                told = true;
            }
        }
    }
    close(ready[1]);
    char one = 0;
    ASSERT_EQ(read(ready[0], &one, 1), 1);
    close(ready[0]);
    const auto recordingStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const double recordedSeconds =
        std::chrono::duration<double>(Clock::now() - recordingStart).count();
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const double playable = decodedFrames(path) / kFps;
    EXPECT_GE(playable, recordedSeconds - 2.0);
    EXPECT_LE(playable, recordedSeconds + 0.5);
}

} // namespace
