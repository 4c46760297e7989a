// Snapshot JPEGs: the record in the comment, the name of older files,
// damaged files, and distances no crawler drives.
#include "inspectionfiles.h"
#include "scratchfolder.h"
#include "snapshotfile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace reviewtest;

const QSize kSize(320, 240);

class SnapshotFileTest : public ScratchFolder {};

TEST_F(SnapshotFileTest, RecordInTheCommentGivesProjectDistanceAttitudeAndRecording)
{
    const ProjectFields project = reviewtest::project("滨江路", "Y12", "Y13");
    SnapshotRecord record;
    record.time = QDateTime::fromString("2026-12-07T10:15:30.123+01:00", Qt::ISODateWithMs);
    record.distanceM = 12.35;
    record.rollDeg = -0.08;
    record.pitchDeg = 0.05;
    record.recordingFile = "滨江路-Y12-Y13-20261207101500.mp4";
    record.offsetS = 15.234;
    // An encoder's own comment comes first; the file name says something else.
    const QString file = path("renamed.jpg");
    ASSERT_TRUE(writeJpeg(file, kSize, {"Lavc59.37.100", snapshotComment(project, record)}));

    const SnapshotRead read = SnapshotFile::read(file);
    EXPECT_TRUE(read.usable);
    EXPECT_TRUE(read.problem.isEmpty()) << read.problem.toStdString();
    EXPECT_TRUE(read.hasRecord);
    EXPECT_EQ(read.project, project);
    const Snapshot& s = read.snapshot;
    EXPECT_EQ(s.file, "renamed.jpg");
    EXPECT_DOUBLE_EQ(s.distanceM, 12.35);
    EXPECT_DOUBLE_EQ(s.cableM, 12.40);
    EXPECT_DOUBLE_EQ(s.rollDeg, -0.08);
    EXPECT_DOUBLE_EQ(s.pitchDeg, 0.05);
    EXPECT_DOUBLE_EQ(s.headingDeg, 93.1);
    EXPECT_EQ(s.recording, "滨江路-Y12-Y13-20261207101500");
    EXPECT_DOUBLE_EQ(s.offsetS, 15.234);
    EXPECT_EQ(s.timeMs, record.time.toMSecsSinceEpoch());
    EXPECT_EQ(s.timeText, "2026-12-07 10:15:30");
}

TEST_F(SnapshotFileTest, RecordWithoutStatusValuesLeavesThemUnknown)
{
    // Before any status record the console writes null for them.
    SnapshotRecord values;
    values.time = QDateTime::currentDateTime();
    QJsonObject record =
        QJsonDocument::fromJson(snapshotComment(project("A", "1", "2"), values)).object();
    for (const char* key : {"distance_m", "cable_m", "roll_deg", "pitch_deg", "heading_deg"}) {
        record.insert(key, QJsonValue::Null);
    }
    const QByteArray comment = QJsonDocument(record).toJson(QJsonDocument::Compact);
    const QString file = path("A-1-2-9.00M-20261207101530.jpg");
    ASSERT_TRUE(writeJpeg(file, kSize, {comment}));
    const SnapshotRead read = SnapshotFile::read(file);
    ASSERT_TRUE(read.usable) << comment.toStdString();
    EXPECT_TRUE(read.hasRecord);
    EXPECT_FALSE(known(read.snapshot.distanceM));
    EXPECT_FALSE(known(read.snapshot.rollDeg));
    EXPECT_TRUE(read.snapshot.recording.isEmpty());
}

TEST_F(SnapshotFileTest, FileWithoutARecordIsReadFromItsName)
{
    const QString file = path("滨江路-Y12-Y13-7.25M-20261207101534.jpg");
    ASSERT_TRUE(writeJpeg(file, kSize, {"some other program's comment"}));
    const SnapshotRead read = SnapshotFile::read(file);
    EXPECT_TRUE(read.usable);
    EXPECT_FALSE(read.hasRecord);
    EXPECT_TRUE(read.project.isEmpty());
    EXPECT_DOUBLE_EQ(read.snapshot.distanceM, 7.25);
    EXPECT_EQ(read.snapshot.timeText, "2026-12-07 10:15:34");
    EXPECT_FALSE(known(read.snapshot.pitchDeg));
}

TEST_F(SnapshotFileTest, DistanceNoCrawlerDrivesIsLeftUnknownWithItsProblem)
{
    SnapshotRecord record;
    record.time = QDateTime::currentDateTime();
    record.distanceM = 1e308;
    const QString recorded = path("A-1-2-1.00M-20261207101530.jpg");
    ASSERT_TRUE(writeJpeg(recorded, kSize, {snapshotComment(project("A", "1", "2"), record)}));
    const QString named = path("A-1-2-99999999.00M-20261207101531.jpg");
    ASSERT_TRUE(writeJpeg(named, kSize));
    for (const QString& file : {recorded, named}) {
        const SnapshotRead read = SnapshotFile::read(file);
        EXPECT_TRUE(read.usable);
        EXPECT_FALSE(known(read.snapshot.distanceM)) << file.toStdString();
        EXPECT_TRUE(read.problem.contains("不可能")) << read.problem.toStdString();
    }
}

TEST_F(SnapshotFileTest, DamagedAndForeignFilesAreSkippedWithTheirProblem)
{
    const QString good = path("A-1-2-1.00M-20261207101530.jpg");
    ASSERT_TRUE(writeJpeg(good, kSize));
    const qint64 size = QFile(good).size();
    const QString text = write("A-1-2-3.00M-20261207101530.jpg", "plain text");
    ASSERT_TRUE(writeJpeg(path("holiday.jpg"), kSize));

    const std::pair<QString, const char*> cases[] = {
        {cutCopy(good, size - 100, "A-1-2-2.00M-20261207101530.jpg"), "缺少结束标记"},
        {cutCopy(good, 30, "A-1-2-2.50M-20261207101530.jpg"), "头部不完整"},
        {text, "不是 JPEG"},
        {path("holiday.jpg"), "文件名"},
    };
    for (const auto& [file, problem] : cases) {
        const SnapshotRead read = SnapshotFile::read(file);
        EXPECT_FALSE(read.usable) << file.toStdString();
        EXPECT_TRUE(read.problem.contains(QString::fromUtf8(problem)))
            << file.toStdString() << ": " << read.problem.toStdString();
    }
    EXPECT_TRUE(SnapshotFile::read(good).usable);
}

} // namespace
