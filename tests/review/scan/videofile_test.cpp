// Recordings: project tags and start time, the name of older files, what
// plays of a cut file, and files that are no recording.
#include "inspectionfiles.h"
#include "scratchfolder.h"
#include "videofile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace reviewtest;

constexpr int kSeconds = 4;
constexpr double kFrameSlackS = 0.1;

class VideoFileTest : public ScratchFolder {};

TEST_F(VideoFileTest, TaggedRecordingGivesItsProjectStartAndLength)
{
    const ProjectFields project = reviewtest::project("滨江路", "Y12", "Y13");
    const QDateTime start =
        QDateTime::fromString("2026-12-07T10:15:30.123+01:00", Qt::ISODateWithMs);
    // Renamed: the tags, not the name, tell the project.
    const QString file = path("copy.mp4");
    ASSERT_TRUE(writeRecording(file, kSeconds, &project, start));

    const VideoRead read = VideoFile::read(file);
    ASSERT_TRUE(read.usable) << read.problem.toStdString();
    EXPECT_TRUE(read.hasRecord);
    EXPECT_EQ(read.project, project);
    EXPECT_EQ(read.recording.name, "copy");
    EXPECT_EQ(read.recording.videoFile, "copy.mp4");
    EXPECT_EQ(read.recording.startMs, start.toMSecsSinceEpoch());
    EXPECT_EQ(read.recording.startText, "2026-12-07 10:15:30");
    EXPECT_NEAR(read.recording.durationS, kSeconds, kFrameSlackS);
}

TEST_F(VideoFileTest, UntaggedRecordingIsReadFromItsNameAndACutOnePlaysToItsLastFragment)
{
    const QString file = path("滨江路-Y12-Y13-20261207101530.mp4");
    ASSERT_TRUE(writeRecording(file, kSeconds, nullptr, QDateTime()));
    const VideoRead read = VideoFile::read(file);
    ASSERT_TRUE(read.usable) << read.problem.toStdString();
    EXPECT_FALSE(read.hasRecord);
    EXPECT_TRUE(read.project.isEmpty());
    EXPECT_EQ(read.recording.startText, "2026-12-07 10:15:30");

    const QString cutFile =
        cutCopy(file, QFile(file).size() * 3 / 4, "滨江路-Y12-Y13-20261207101531.mp4");
    const VideoRead partial = VideoFile::read(cutFile);
    ASSERT_TRUE(partial.usable) << partial.problem.toStdString();
    EXPECT_GT(partial.recording.durationS, 0.0);
    EXPECT_LT(partial.recording.durationS, kSeconds);
}

TEST_F(VideoFileTest, FilesThatAreNoRecordingAreSkippedWithTheirProblem)
{
    const QString good = path("A-1-2-20261207101530.mp4");
    ASSERT_TRUE(writeRecording(good, kSeconds, nullptr, QDateTime()));
    cutCopy(good, 100, "A-1-2-20261207101531.mp4");
    write("A-1-2-20261207101532.mp4", "no video at all");
    ASSERT_TRUE(writeRecording(path("holiday.mp4"), 1, nullptr, QDateTime()));

    for (const QString name :
         {"A-1-2-20261207101531.mp4", "A-1-2-20261207101532.mp4", "holiday.mp4"}) {
        const VideoRead read = VideoFile::read(path(name));
        EXPECT_FALSE(read.usable) << name.toStdString();
        EXPECT_FALSE(read.problem.isEmpty()) << name.toStdString();
    }
}

} // namespace
