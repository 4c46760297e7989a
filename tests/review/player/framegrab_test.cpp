// A grabbed frame: the console's snapshot record in its comment, marked as
// from the video, read back by the scanner at the moment's distance; named
// as the console names snapshots; never over another file; refused by a
// read-only folder.
#include "framegrab.h"
#include "inspectionfiles.h"
#include "scratchfolder.h"
#include "snapshotfile.h"
#include "troubledfolder.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class FrameGrabTest : public reviewtest::ScratchFolder {
protected:
    GrabMoment moment() const
    {
        GrabMoment m;
        m.folder = folderPath();
        m.recording = "滨江路-Y12-Y13-20261207101500-2"; // the second of its second
        m.videoFile = m.recording + ".mp4";
        m.project = reviewtest::project("滨江路", "Y12", "Y13");
        m.startMs = QDateTime::fromString("20261207101500", "yyyyMMddHHmmss").toMSecsSinceEpoch();
        m.offsetS = 65.28149;
        m.hasRow = true;
        m.row = {65.25, 3.764, 3.81, -0.08, 0.05, 93.1};
        return m;
    }
    QImage picture() const
    {
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }
};

TEST_F(FrameGrabTest, TheConsolesRecordMarkedAsFromTheVideoNeverOverAnotherFile)
{
    QString error;
    const QString first = FrameGrab::write(picture(), moment(), &error);
    ASSERT_EQ(first, "滨江路-Y12-Y13-3.76M-20261207101605.jpg") << error.toStdString();
    EXPECT_EQ(FrameGrab::write(picture(), moment(), &error),
              "滨江路-Y12-Y13-3.76M-20261207101605-2.jpg");
    EXPECT_EQ(QDir(folderPath()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    const QJsonObject record =
        QJsonDocument::fromJson(reviewtest::runTool("rdjpgcom", {"-raw", path(first)})).object();
    EXPECT_EQ(record["format"].toString(), "moravel-snapshot/1");
    EXPECT_EQ(record["source"].toString(), "video");
    EXPECT_EQ(record["distance_m"].toDouble(), 3.76);
    EXPECT_EQ(record["recording"].toObject()["file"].toString(), moment().videoFile);
    EXPECT_EQ(record["recording"].toObject()["offset_s"].toDouble(), 65.281);
    EXPECT_TRUE(record["time"].toString().startsWith("2026-12-07T10:16:05.281"));
    EXPECT_EQ(record["project"].toObject()["inspector"].toString(), "李工");

    const SnapshotRead read = SnapshotFile::read(path(first));
    EXPECT_TRUE(read.hasRecord);
    EXPECT_EQ(read.snapshot.distanceM, 3.76);
    EXPECT_EQ(read.snapshot.recording, moment().recording);
    EXPECT_EQ(read.snapshot.offsetS, 65.281);
}

TEST_F(FrameGrabTest, AReadOnlyFolderRefusesWithItsReason)
{
    const TroubledFolder readOnly(folderPath(), TroubledFolder::Trouble::ReadOnly);
    ASSERT_TRUE(readOnly.ready());
    QString error;
    EXPECT_TRUE(FrameGrab::write(picture(), moment(), &error).isEmpty());
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(folderPath()))) << error.toStdString();
    EXPECT_TRUE(QDir(folderPath()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
