#include "Mp4Recorder.h"
#include "Mp4RecorderFrames.h"
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

using namespace mp4test;

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

// A decoded YV12 picture is encoded as it is; its size is checked as a BGR
// frame's is, and a scaled-down recording takes it too.
TEST(Mp4Recorder, yv12PicturesRecordAsTheirBgrFrames)
{
    TempDir dir("recorder");
    for (const cv::Size size : {kSize, cv::Size(2560, 1440)}) {
        const std::string path = dir.file("yv12-" + std::to_string(size.width) + ".mp4");
        Mp4Recorder recorder;
        ASSERT_TRUE(recorder.open(path, kMp4v, kFps, size)) << recorder.lastError();
        cv::Mat yv12;
        cv::cvtColor(makeFrame(size, 0), yv12, cv::COLOR_BGR2YUV_YV12);
        EXPECT_FALSE(recorder.write(yv12.rowRange(0, yv12.rows - 2), frameTime(0)));
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(recorder.write(yv12, frameTime(i))) << recorder.lastError();
        }
        recorder.release();
        cv::Mat first;
        EXPECT_EQ(FramesReadByOpenCv(path, &first), 3);
        cv::Mat expected;
        cv::resize(makeFrame(size, 0), expected, first.size(), 0, 0, cv::INTER_AREA);
        cv::Mat diff;
        cv::absdiff(first, expected, diff);
        EXPECT_LT(cv::mean(diff)[0] + cv::mean(diff)[1] + cv::mean(diff)[2], 12.0);
    }
}
