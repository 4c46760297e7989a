// The recorder refusing what it cannot write and finishing what it began:
// bad parameters, wrong frames, repeated releases, a killed writer, a full disk.
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
