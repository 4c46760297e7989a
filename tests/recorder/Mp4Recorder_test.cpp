#include "Mp4Recorder.h"
#include "VideoFileTestSupport.h"
#include "childprocess.h"
#include "mediaprobe.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const int kXvid = cv::VideoWriter::fourcc('X', 'V', 'I', 'D');
const int kMp4v = cv::VideoWriter::fourcc('m', 'p', '4', 'v');
const cv::Size kSize(320, 240);
constexpr double kFps = 25.0;
constexpr int kChildWaitMs = 120000;

// A picture that differs from frame to frame: a colour gradient with a
// moving block, so the encoder has real motion to code.
cv::Mat makeFrame(cv::Size size, int index)
{
    cv::Mat frame(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        auto* row = frame.ptr<cv::Vec3b>(y);
        for (int x = 0; x < size.width; ++x) {
            row[x] = cv::Vec3b(static_cast<uchar>(x * 255 / size.width),
                               static_cast<uchar>(y * 255 / size.height), 60);
        }
    }
    const int side = size.height / 4;
    const int left = (index * 7) % std::max(1, size.width - side);
    frame(cv::Rect(left, side, side, side)).setTo(cv::Scalar(0, 0, 255));
    return frame;
}

std::chrono::microseconds frameTime(int index, double fps = kFps)
{
    return std::chrono::microseconds(std::llround(index * 1e6 / fps));
}

// Frames first to first + count - 1, taken at the given rate.
bool recordFrames(Mp4Recorder& recorder, int first, int count, cv::Size size = kSize,
                  double fps = kFps)
{
    for (int i = first; i < first + count; ++i) {
        if (!recorder.write(makeFrame(size, i), frameTime(i, fps))) {
            return false;
        }
    }
    return true;
}

Mp4Recorder::Options withSubtitles()
{
    Mp4Recorder::Options options;
    options.subtitles = true;
    return options;
}

std::string cueText(int second)
{
    return std::to_string(second) + ".00 M  横滚 -0.08°";
}

// As recordFrames, with each second's cue once the frames have passed it.
bool recordWithCues(Mp4Recorder& recorder, int first, int count)
{
    const int perSecond = static_cast<int>(kFps);
    for (int i = first; i < first + count; ++i) {
        const int second = i / perSecond;
        if (i > 0 && i % perSecond == 0 &&
            !recorder.writeSubtitle(cueText(second - 1), std::chrono::seconds(second - 1),
                                    std::chrono::seconds(second))) {
            return false;
        }
        if (!recorder.write(makeFrame(kSize, i), frameTime(i))) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(Mp4Recorder, writtenFilePlaysAsMp4vForBothCodes)
{
    TempDir dir("recorder");
    for (int code : {kXvid, kMp4v}) {
        const std::string path = dir.file("code" + std::to_string(code) + ".mp4");
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(path, code, kFps, kSize)) << recorder.lastError();
        EXPECT_TRUE(recorder.isOpened());
        ASSERT_TRUE(recordFrames(recorder, 0, 60)) << recorder.lastError();
        recorder.release();
        EXPECT_FALSE(recorder.isOpened());

        const auto info = probeVideo(path);
        EXPECT_EQ(info.at("codec_tag_string"), "mp4v");
        EXPECT_EQ(info.at("width"), "320");
        EXPECT_EQ(info.at("height"), "240");
        EXPECT_EQ(info.at("nb_read_frames"), "60");
        EXPECT_EQ(info.at("r_frame_rate"), "25/1");

        cv::Mat first;
        EXPECT_EQ(FramesReadByOpenCv(path, &first), 60);
        ASSERT_EQ(first.size(), kSize);
        // Colours survive the round trip (no channel swap, no shift).
        cv::Mat diff;
        cv::absdiff(first, makeFrame(kSize, 0), diff);
        EXPECT_LT(cv::mean(diff)[0] + cv::mean(diff)[1] + cv::mean(diff)[2], 12.0);
    }
}

TEST(Mp4Recorder, keyFramesAtMostASecondApartEachFragmentSyncedToTheDisk)
{
    TempDir dir("recorder");
    for (double fps : {10.0, 29.97}) {
        const std::string path = dir.file("gop.mp4");
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(path, kXvid, fps, kSize)) << recorder.lastError();
        ASSERT_TRUE(recordFrames(recorder, 0, 95, kSize, fps));
        recorder.release();

        const FrameTimes frames = frameTimes(path);
        ASSERT_EQ(frames.times.size(), 95u);
        EXPECT_TRUE(frames.keys.front());
        double previous = 0.0;
        for (size_t i = 0; i < frames.times.size(); ++i) {
            if (frames.keys[i]) {
                EXPECT_LE(frames.times[i] - previous, 1.0) << "at fps " << fps;
                previous = frames.times[i];
            }
        }
        EXPECT_LE(frames.times.back() - previous, 1.0);
        // Once a fragment, a second of the recording, ends, and once the file is finished.
        const auto seconds = static_cast<uint64_t>(frames.times.back());
        EXPECT_EQ(recorder.syncFigures().count, seconds + 2);
    }
}

TEST(Mp4Recorder, mpeg4HeaderCarriesTheLowestProfileAndLevelThatAdmitTheSize)
{
    TempDir dir("recorder");
    struct Case {
        cv::Size size;
        double fps;
        const char* profile;
        const char* level;
    };
    const Case cases[] = {
        {{176, 144}, 15.0, "Simple Profile", "1"},  {{176, 144}, 25.0, "Simple Profile", "2"},
        {{640, 360}, 25.0, "Simple Profile", "4"}, // level 4a
        {{1280, 720}, 25.0, "Simple Profile", "6"}, {{1596, 1080}, 25.0, "Main Profile", "4"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("level.mp4");
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(path, kXvid, c.fps, c.size)) << recorder.lastError();
        ASSERT_TRUE(recordFrames(recorder, 0, 2, c.size, c.fps));
        recorder.release();
        const auto stream = probeStream(path, "v", "codec_name,profile,level");
        EXPECT_EQ(stream.at("codec_name"), "mpeg4") << c.size;
        EXPECT_EQ(stream.at("profile"), c.profile) << c.size;
        EXPECT_EQ(stream.at("level"), c.level) << c.size;
    }
}

TEST(Mp4Recorder, mpeg4FramesBeyondEveryLevelAreStoredScaledDownAsAWhole)
{
    TempDir dir("recorder");
    // 4 MP, and a 4K camera's picture cropped at both sides.
    for (const cv::Size size : {cv::Size(2560, 1440), cv::Size(3516, 2160)}) {
        const std::string path = dir.file("large.mp4");
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(path, kXvid, kFps, size)) << recorder.lastError();
        const cv::Size stored = recorder.storedSize();
        ASSERT_TRUE(recordFrames(recorder, 0, 3, size));
        recorder.release();
        const auto stream = probeStream(path, "v", "profile,level,width,height");
        EXPECT_EQ(stream.at("profile"), "Main Profile") << size;
        EXPECT_EQ(stream.at("level"), "4") << size;
        EXPECT_EQ(std::stoi(stream.at("width")), stored.width) << size;
        EXPECT_EQ(std::stoi(stream.at("height")), stored.height) << size;
        // The largest picture Main Profile level 4 takes (8160 macroblocks),
        // of the frames' shape.
        const int macroblocks = ((stored.width + 15) / 16) * ((stored.height + 15) / 16);
        EXPECT_LE(macroblocks, 8160) << size;
        EXPECT_GT(macroblocks, 8160 * 97 / 100) << size;
        EXPECT_NEAR(static_cast<double>(stored.width) / stored.height,
                    static_cast<double>(size.width) / size.height, 0.005)
            << size;
        EXPECT_EQ(decodedFrames(path), 3) << size;
    }
}

TEST(Mp4Recorder, framesKeepTheirTimesAndAKeyEverySecondWhateverTheirRateAndCode)
{
    TempDir dir("recorder");
    // A camera at half the nominal rate, and one that slows down after 2 s; each 4 s.
    std::vector<std::chrono::microseconds> halfRate;
    for (int i = 0; i < 50; ++i) {
        halfRate.push_back(frameTime(i, 12.5));
    }
    std::vector<std::chrono::microseconds> slowingDown;
    for (int i = 0; i < 50; ++i) {
        slowingDown.push_back(frameTime(i, 25.0));
    }
    for (int i = 0; i < 20; ++i) {
        slowingDown.push_back(std::chrono::seconds(2) + frameTime(i, 10.0));
    }
    struct Case {
        int code;
        const std::vector<std::chrono::microseconds>& times;
        const char* codec;
        const char* profile; // nullptr: any
    };
    const Case cases[] = {
        {kXvid, halfRate, "mpeg4", nullptr},
        {kXvid, slowingDown, "mpeg4", nullptr},
        {cv::VideoWriter::fourcc('a', 'v', 'c', '1'), slowingDown, "h264", "High"},
    };
    const auto end = std::chrono::seconds(4);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " with " + std::to_string(c.times.size()) + " frames");
        const std::string path = dir.file("timed.mp4");
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(path, c.code, kFps, kSize)) << recorder.lastError();
        for (size_t i = 0; i < c.times.size(); ++i) {
            ASSERT_TRUE(recorder.write(makeFrame(kSize, static_cast<int>(i)), c.times[i]));
        }
        recorder.release(end);
        const auto stream = probeStream(path, "v", "codec_name,profile");
        EXPECT_EQ(stream.at("codec_name"), c.codec);
        if (c.profile != nullptr) {
            EXPECT_EQ(stream.at("profile"), c.profile);
        }
        EXPECT_NEAR(probedDuration(path), 4.0, 0.05);
        const FrameTimes frames = frameTimes(path);
        ASSERT_EQ(frames.times.size(), c.times.size());
        EXPECT_TRUE(frames.keys.front());
        double previousKey = 0.0;
        for (size_t i = 0; i < frames.times.size(); ++i) {
            EXPECT_NEAR(frames.times[i], std::chrono::duration<double>(c.times[i]).count(), 0.002)
                << "frame " << i;
            if (frames.keys[i]) {
                EXPECT_LE(frames.times[i] - previousKey, 1.0) << "frame " << i;
                previousKey = frames.times[i];
            }
        }
    }
}

TEST(Mp4Recorder, tagsAreInTheInitialHeaderWhateverTheirText)
{
    TempDir dir("recorder");
    const std::string path = dir.file("tags.mp4");
    const std::string headerOnly = dir.file("header.mp4");
    Mp4Recorder::Options options;
    const std::string hostile = "O'Brien\"; x,y\n";
    options.tags = {{"location", "人民路北段"}, {"inspector", hostile}, {"no", ""}};
    Mp4Recorder recorder;
    ASSERT_TRUE(recorder.open(path, kXvid, kFps, kSize, options)) << recorder.lastError();
    // A copy cut before the first frame already has them.
    fs::copy_file(path, headerOnly);
    ASSERT_TRUE(recordFrames(recorder, 0, 30));
    recorder.release();
    for (const std::string& file : {headerOnly, path}) {
        const QJsonObject tags = formatTags(file);
        EXPECT_EQ(tags.value("location").toString(), QStringLiteral("人民路北段")) << file;
        EXPECT_EQ(tags.value("inspector").toString().toStdString(), hostile) << file;
        EXPECT_TRUE(tags.contains("no")) << file;
    }
}

TEST(Mp4Recorder, subtitleCuesPlayUnderTheVideoToItsEnd)
{
    TempDir dir("recorder");
    const std::string path = dir.file("cues.mp4");
    Mp4Recorder recorder;
    ASSERT_TRUE(recorder.open(path, kXvid, kFps, kSize, withSubtitles())) << recorder.lastError();
    ASSERT_TRUE(recordWithCues(recorder, 0, 75)); // cues of the first two seconds
    // The last cue ends with the recording; one starting too early starts later.
    const auto end = std::chrono::milliseconds(2980);
    ASSERT_TRUE(recorder.writeSubtitle(cueText(2), std::chrono::milliseconds(1500), end));
    recorder.release(end);

    const auto stream = probeStream(path, "s", "codec_name,duration");
    EXPECT_EQ(stream.at("codec_name"), "mov_text");
    EXPECT_NEAR(std::stod(stream.at("duration")), 2.98, 0.001);
    EXPECT_NEAR(probedDuration(path), 2.98, 0.001);
    const auto cues = subtitleCues(path);
    ASSERT_EQ(cues.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cues[static_cast<size_t>(i)].text, cueText(i));
        EXPECT_NEAR(cues[static_cast<size_t>(i)].start, i, 0.001);
    }
}

TEST(Mp4Recorder, firstFrameStartsTheFileAndATimeNotAfterThePreviousFollowsIt)
{
    TempDir dir("recorder");
    const std::string path = dir.file("same.mp4");
    Mp4Recorder recorder;
    ASSERT_TRUE(recorder.open(path, kXvid, kFps, kSize));
    const std::chrono::microseconds at(500000);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(recorder.write(makeFrame(kSize, i), at));
    }
    ASSERT_TRUE(recorder.write(makeFrame(kSize, 3), at / 2));
    recorder.release();
    const FrameTimes frames = frameTimes(path);
    ASSERT_EQ(frames.times.size(), 4u);
    EXPECT_EQ(frames.times[0], 0.0);
    for (size_t i = 1; i < frames.times.size(); ++i) {
        EXPECT_NEAR(frames.times[i], 0.5, 0.001);
        EXPECT_TRUE(i == 1 || frames.times[i] > frames.times[i - 1]);
    }
    // Without an end the last frame lasts one nominal frame.
    EXPECT_NEAR(probedDuration(path), frames.times.back() + 1.0 / kFps, 0.002);
}

TEST(Mp4Recorder, fractionalRateAndOddSizeAreKept)
{
    TempDir dir("recorder");
    const std::string path = dir.file("ntsc.mp4");
    const cv::Size odd(321, 183);
    Mp4Recorder recorder;
    ASSERT_TRUE(recorder.open(path, kXvid, 30000.0 / 1001.0, odd)) << recorder.lastError();
    ASSERT_TRUE(recordFrames(recorder, 0, 20, odd, 30000.0 / 1001.0)) << recorder.lastError();
    recorder.release();
    const auto info = probeVideo(path);
    EXPECT_EQ(info.at("r_frame_rate"), "30000/1001");
    EXPECT_EQ(info.at("width"), "321");
    EXPECT_EQ(info.at("height"), "183");
    EXPECT_EQ(info.at("nb_read_frames"), "20");
}

TEST(Mp4Recorder, openRefusesBadParametersWithMessage)
{
    TempDir dir("recorder");
    struct Case {
        const char* what;
        std::string path;
        int code;
        double fps;
        cv::Size size;
    };
    const Case cases[] = {
        {"fps below 1", dir.file("a.mp4"), kXvid, 0.99, kSize},
        {"fps zero", dir.file("b.mp4"), kXvid, 0.0, kSize},
        {"fps not a number", dir.file("c.mp4"), kXvid, std::nan(""), kSize},
        {"empty size", dir.file("d.mp4"), kXvid, kFps, cv::Size(0, 0)},
        {"zero height", dir.file("e.mp4"), kXvid, kFps, cv::Size(320, 0)},
        {"missing folder", dir.file("missing/f.mp4"), kXvid, kFps, kSize},
        {"path is a folder", dir.file(""), kXvid, kFps, kSize},
        {"unknown code", dir.file("g.mp4"), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), kFps,
         kSize},
        {"beyond every MPEG-4 Part 2 level at any size", dir.file("i.mp4"), kXvid, 1e6, kSize},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    // Permissions do not bind root.
    if (geteuid() != 0) {
        const std::string readOnly = dir.file("readonly");
        fs::create_directory(readOnly);
        fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
        all.push_back({"read-only folder", readOnly + "/h.mp4", kXvid, kFps, kSize});
    }
    for (const Case& c : all) {
        Mp4Recorder recorder;
        EXPECT_FALSE(recorder.open(c.path, c.code, c.fps, c.size)) << c.what;
        EXPECT_FALSE(recorder.isOpened()) << c.what;
        EXPECT_FALSE(recorder.lastError().empty()) << c.what;
        // A short reason: the caller names the file.
        EXPECT_EQ(recorder.lastError().find(dir.folder()), std::string::npos) << c.what;
        EXPECT_FALSE(recorder.write(makeFrame(kSize, 0), frameTime(0))) << c.what;
    }
}

TEST(Mp4Recorder, wrongFrameIsRefusedAndRecordingGoesOn)
{
    TempDir dir("recorder");
    const std::string path = dir.file("mixed.mp4");
    Mp4Recorder recorder;
    ASSERT_TRUE(recorder.open(path, kXvid, kFps, kSize));
    ASSERT_TRUE(recordFrames(recorder, 0, 5));
    EXPECT_FALSE(recorder.write(makeFrame(cv::Size(160, 120), 0), frameTime(5)));
    EXPECT_FALSE(recorder.write(cv::Mat(kSize, CV_8UC1, cv::Scalar(0)), frameTime(5)));
    EXPECT_FALSE(recorder.write(cv::Mat(), frameTime(5)));
    EXPECT_FALSE(recorder.lastError().empty());
    EXPECT_TRUE(recorder.isOpened());
    // A region of a larger picture (row stride wider than the frame) is fine.
    cv::Mat big = makeFrame(cv::Size(400, 300), 0);
    EXPECT_TRUE(recorder.write(big(cv::Rect(cv::Point(10, 10), kSize)), frameTime(5)));
    recorder.release();
    EXPECT_EQ(decodedFrames(path), 6);
}

TEST(Mp4Recorder, releaseIsIdempotentAndRecorderReopens)
{
    TempDir dir("recorder");
    Mp4Recorder recorder;
    ASSERT_TRUE(recorder.open(dir.file("one.mp4"), kXvid, kFps, kSize));
    ASSERT_TRUE(recordFrames(recorder, 0, 10));
    recorder.release();
    recorder.release();
    EXPECT_FALSE(recorder.write(makeFrame(kSize, 0), frameTime(0)));

    ASSERT_TRUE(recorder.open(dir.file("two.mp4"), kXvid, kFps, kSize));
    ASSERT_TRUE(recordFrames(recorder, 0, 7));
    // Opening again finishes the running file first.
    ASSERT_TRUE(recorder.open(dir.file("three.mp4"), kXvid, kFps, kSize));
    ASSERT_TRUE(recordFrames(recorder, 0, 3));
    recorder.release();
    EXPECT_EQ(decodedFrames(dir.file("one.mp4")), 10);
    EXPECT_EQ(decodedFrames(dir.file("two.mp4")), 7);
    EXPECT_EQ(decodedFrames(dir.file("three.mp4")), 3);
}

TEST(Mp4Recorder, destructorFinishesFile)
{
    TempDir dir("recorder");
    {
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(dir.file("scoped.mp4"), kXvid, kFps, kSize));
        ASSERT_TRUE(recordFrames(recorder, 0, 12));
    }
    EXPECT_EQ(decodedFrames(dir.file("scoped.mp4")), 12);
}

TEST(Mp4Recorder, fileOfKilledWriterPlaysUpToLastSecond)
{
    TempDir dir("recorder");
    const std::string path = dir.file("killed.mp4");
    constexpr int kWritten = 100; // four seconds at 25 fps
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(ready[0]);
        Mp4Recorder recorder;
        if (!recorder.open(path, kXvid, kFps, kSize, withSubtitles()) ||
            !recordWithCues(recorder, 0, kWritten)) {
            _exit(1);
        }
        const char done = 'd';
        if (::write(ready[1], &done, 1) != 1) {
            _exit(1);
        }
        for (;;) {
            pause();
        }
    }
    close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    const int polled = poll(&wait, 1, kChildWaitMs);
    char done = 0;
    const bool signalled = polled == 1 && read(ready[0], &done, 1) == 1;
    close(ready[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(signalled) << "the recording child did not finish writing";
    ASSERT_TRUE(WIFSIGNALED(status));

    const auto info = probeVideo(path);
    const int frames = std::atoi(info.at("nb_read_frames").c_str());
    EXPECT_GE(frames, kWritten - 2 * static_cast<int>(kFps));
    EXPECT_LE(frames, kWritten);
    EXPECT_EQ(info.at("codec_tag_string"), "mp4v");
    const int readByOpenCv = FramesReadByOpenCv(path);
    EXPECT_GE(readByOpenCv, kWritten - 2 * static_cast<int>(kFps));
    // The subtitles too, to the last fragment.
    const auto cues = subtitleCues(path);
    EXPECT_GE(cues.size(), static_cast<size_t>(kWritten / kFps) - 2);
    for (size_t i = 0; i < cues.size(); ++i) {
        EXPECT_EQ(cues[i].text, cueText(static_cast<int>(i))) << "cue " << i;
    }
}

TEST(Mp4Recorder, fullDiskFailsWriteAndKeepsPlayableFile)
{
    TempDir dir("recorder");
    const std::string path = dir.file("full.mp4");
    constexpr rlim_t kFileLimit = 2 * 1024 * 1024;
    constexpr int kMaxFrames = 5000;
    enum Outcome { Failed = 0, OpenFailed, NeverFailed, StillOpen, NoMessage };
    const int outcome = childprocess::inChild([&] {
        childprocess::fillDiskAt(kFileLimit);
        Mp4Recorder recorder;
        if (!recorder.open(path, kXvid, kFps, kSize)) {
            return OpenFailed;
        }
        cv::RNG rng(7);
        for (int i = 0; i < kMaxFrames; ++i) {
            cv::Mat frame = makeFrame(kSize, i);
            cv::Mat noise(kSize, CV_8UC3);
            rng.fill(noise, cv::RNG::UNIFORM, 0, 20);
            frame += noise;
            if (!recorder.write(frame, frameTime(i))) {
                if (recorder.isOpened()) {
                    return StillOpen;
                }
                return recorder.lastError().empty() ? NoMessage : Failed;
            }
        }
        return NeverFailed;
    });
    ASSERT_EQ(outcome, Failed);
    EXPECT_LE(fs::file_size(path), kFileLimit);
    const int frames = decodedFrames(path);
    // At least the first whole fragment (one second) made it.
    EXPECT_GE(frames, static_cast<int>(kFps));
    EXPECT_GE(FramesReadByOpenCv(path), static_cast<int>(kFps));
}
