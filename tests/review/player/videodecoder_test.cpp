// The decoder on recordings made by the console's writer: a seek shows the
// frame ffprobe times last at or before the moment (its number drawn in
// it says so too), steps agree with seeks, a recording cut by a kill plays
// to its last fragment, and files that cannot be decoded say why.
#include "consolerecording.h"
#include "inspectionfiles.h"
#include "mediaprobe.h"
#include "scratchfolder.h"
#include "videodecoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

namespace {

constexpr int kFrames = 60;
constexpr double kSameTime = 1e-5; // ffprobe prints microseconds

class VideoDecoderTest : public reviewtest::ScratchFolder,
                         public ::testing::WithParamInterface<bool> {
protected:
    reviewtest::RecordingPlan plan() const
    {
        reviewtest::RecordingPlan p;
        p.project = reviewtest::project("滨江路", "Y12", "Y13");
        p.start = QDateTime::fromString("20261207101500", "yyyyMMddHHmmss");
        p.h264 = GetParam();
        p.frames = kFrames;
        return p;
    }
    // The index of the frame shown at t: the last ffprobe time at or before t.
    static int expected(const std::vector<double>& times, double t)
    {
        const auto after = std::upper_bound(times.begin(), times.end(), t + kSameTime / 2);
        return after == times.begin() ? 0 : static_cast<int>(after - times.begin()) - 1;
    }
};

TEST_P(VideoDecoderTest, SeekShowsTheLastFrameAtOrBeforeTheMoment)
{
    reviewtest::ConsoleRecording recording;
    ASSERT_TRUE(reviewtest::recordLikeConsole(folderPath(), plan(), &recording));
    const std::vector<double> times = frameTimes(recording.video.toStdString()).times;
    ASSERT_EQ(times.size(), static_cast<size_t>(kFrames));
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(recording.video)) << decoder.problem().toStdString();
    EXPECT_EQ(reviewtest::frameNumber(decoder.picture()), 0);
    // Frame by frame from the start: the file's whole index, read on the way
    // (opening read only its fragment index), keeps the place.
    for (size_t i = 1; i < times.size(); ++i) {
        if (i == kFrames / 2) {
            EXPECT_NEAR(decoder.durationS(), times.back() + (times[1] - times[0]), 0.05);
        }
        ASSERT_TRUE(decoder.advance());
        EXPECT_NEAR(decoder.time(), times[i], kSameTime);
    }
    EXPECT_FALSE(decoder.advance()) << "the end";

    // Every frame's own time, the middle between two, before the first and
    // past the last, in an order that jumps back and forth.
    std::vector<double> moments{-1.0, times.back() + 5};
    for (size_t i = 0; i < times.size(); ++i) {
        moments.push_back(times[i]);
        moments.push_back(i + 1 < times.size() ? (times[i] + times[i + 1]) / 2 : times[i] + 0.01);
    }
    std::shuffle(moments.begin(), moments.end(), std::mt19937(7));
    for (const double t : moments) {
        ASSERT_TRUE(decoder.seek(t)) << t;
        const int want = expected(times, t);
        EXPECT_NEAR(decoder.time(), times[static_cast<size_t>(want)], kSameTime) << "at " << t;
        EXPECT_EQ(reviewtest::frameNumber(decoder.picture(QSize(160, 120))), want) << "at " << t;
    }

    // Frame by frame back from the end, the same frames.
    ASSERT_TRUE(decoder.seek(times.back()));
    for (size_t i = times.size() - 1; i-- > 0;) {
        ASSERT_TRUE(decoder.stepBack());
        EXPECT_EQ(reviewtest::frameNumber(decoder.picture()), static_cast<int>(i));
    }
}

TEST_P(VideoDecoderTest, KilledRecordingPlaysToItsLastFragment)
{
    reviewtest::ConsoleRecording recording;
    ASSERT_TRUE(reviewtest::recordAndKill(folderPath(), plan(), 3500, &recording));
    const std::vector<double> times = frameTimes(recording.video.toStdString()).times;
    ASSERT_GT(times.size(), 25u);
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.open(recording.video)) << decoder.problem().toStdString();
    size_t played = 1;
    while (decoder.advance()) {
        ++played;
    }
    EXPECT_EQ(played, times.size());
    EXPECT_NEAR(decoder.time(), times.back(), kSameTime);
    ASSERT_TRUE(decoder.seek(times.back() + 60));
    EXPECT_EQ(reviewtest::frameNumber(decoder.picture()), static_cast<int>(times.size()) - 1);
}

INSTANTIATE_TEST_SUITE_P(Codecs, VideoDecoderTest, ::testing::Values(false, true),
                         [](const auto& codec) { return codec.param ? "H264" : "Mpeg4Part2"; });

TEST(VideoDecoder, FilesThatCannotBeDecodedSayWhy)
{
    QTemporaryDir dir;
    reviewtest::RecordingPlan plan;
    plan.project = reviewtest::project("A", "1", "2");
    plan.start = QDateTime::currentDateTime();
    reviewtest::ConsoleRecording good;
    ASSERT_TRUE(reviewtest::recordLikeConsole(dir.path(), plan, &good));
    QFile file(good.video);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QByteArray scrambled = bytes;
    for (int i = 1024; i < scrambled.size(); i += 7) {
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    }
    for (const QByteArray& content :
         {QByteArray(), QByteArray("not a video at all"), bytes.left(600), scrambled}) {
        QFile bad(dir.filePath("bad.mp4"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write(content);
        bad.close();
        VideoDecoder decoder;
        if (!decoder.open(bad.fileName())) {
            EXPECT_FALSE(decoder.problem().isEmpty());
            continue;
        }
        // Whatever opens plays on to its end without failing.
        while (decoder.advance()) {
        }
        EXPECT_TRUE(decoder.seek(1.0));
    }
}

} // namespace
