// A save folder brought into the index: unchanged files are not read again,
// removed ones are forgotten with their coding kept, old files find their
// project and recording, damaged ones are listed, names that are not UTF-8
// and links to devices are listed with their problem, and nothing but the
// index is written.
#include "folderfixture.h"

#include <QFile>
#include <QThread>

namespace {

using namespace reviewtest;

const QSize kSize(320, 240);
constexpr int kSeconds = 3;
constexpr int kTouchMs = 20;

class FolderScannerTest : public FolderFixture {
protected:
    void SetUp() override
    {
        FolderFixture::SetUp();
        m_project = reviewtest::project("人民-路", "Y1", "Y2");
        m_start = QDateTime::fromString("20261207101500", "yyyyMMddHHmmss");
    }
    // A recording with its telemetry and one snapshot in it, all with records.
    void addRecordedSet()
    {
        const QString base = recordingBaseName(m_project, m_start);
        ASSERT_TRUE(writeRecording(path(base + ".mp4"), kSeconds, &m_project, m_start));
        ASSERT_TRUE(writeTelemetry(path(base + ".csv"), m_start,
                                   {{0, 1.0, 0.1, 0.2}, {1, 1.5, 0.1, 0.2}, {2, 2.0, 0.1, 0.2}}));
        SnapshotRecord record{m_start.addSecs(1), 1.5, 0.1, 0.2, base + ".mp4", 1.0};
        ASSERT_TRUE(writeJpeg(path(snapshotName(m_project, 1.5, record.time)), kSize,
                              {snapshotComment(m_project, record)}));
    }
    // An older file: a snapshot with no record, named for the project.
    QString addOldSnapshot(double distance, const QDateTime& time)
    {
        const QString name = snapshotName(m_project, distance, time);
        EXPECT_TRUE(writeJpeg(path(name), kSize));
        return name;
    }

    ProjectFields m_project;
    QDateTime m_start;
};

TEST_F(FolderScannerTest, SecondOpeningReadsNothingAndOnlyTheIndexIsWritten)
{
    addRecordedSet();
    addOldSnapshot(2.5, m_start.addSecs(kSeconds + 60));
    const QStringList before = files();
    ASSERT_TRUE(open());
    EXPECT_EQ(m_folder->lastScan().read, 4);

    ASSERT_TRUE(open());
    EXPECT_EQ(m_folder->lastScan().read, 0);
    EXPECT_EQ(m_folder->lastScan().unchanged, 4);
    QStringList expected = QStringList(before) << "inspection.db";
    expected.sort();
    QStringList after = files();
    after.sort();
    EXPECT_EQ(after, expected);
}

TEST_F(FolderScannerTest, FolderThatIsGoneForAWhileIsNotTakenForEmpty)
{
    addOldSnapshot(2.5, m_start);
    ASSERT_TRUE(open());
    const QString away = folderPath() + "-unplugged";
    ASSERT_TRUE(QDir().rename(folderPath(), away));
    EXPECT_FALSE(m_folder->rescan(&m_notice));
    ASSERT_TRUE(QDir().rename(away, folderPath()));
    ASSERT_TRUE(m_folder->rescan(&m_notice));
    EXPECT_EQ(m_folder->lastScan().read, 0);
    EXPECT_EQ(m_folder->lastScan().removed, 0);
    EXPECT_EQ(index().snapshots(onlyProject()).size(), 1);
}

TEST_F(FolderScannerTest, OldFilesJoinTheRecordedProjectAndTheRecordingTheyWereTakenIn)
{
    addRecordedSet();
    const QString during = addOldSnapshot(1.8, m_start.addSecs(2));
    const QString after = addOldSnapshot(9.0, m_start.addSecs(kSeconds + 60));
    ASSERT_TRUE(open());

    // The location holds a "-", so only the recorded project can tell the wells.
    const qint64 project = onlyProject();
    const QVector<Recording> recordings = index().recordings(project);
    ASSERT_EQ(recordings.size(), 1);
    const Recording& r = recordings.front();
    EXPECT_EQ(r.videoFile, r.name + ".mp4");
    EXPECT_EQ(r.csvFile, r.name + ".csv");
    EXPECT_NEAR(r.durationS, kSeconds, 0.1);
    EXPECT_DOUBLE_EQ(r.maxDistanceM, 2.0);
    EXPECT_EQ(index().profile(project).size(), 3);

    const QVector<Snapshot> snapshots = index().snapshots(project);
    ASSERT_EQ(snapshots.size(), 3);
    EXPECT_TRUE(snapshots[0].hasRecord);
    EXPECT_EQ(snapshots[0].recording, r.name);
    EXPECT_EQ(snapshots[1].file, during);
    EXPECT_FALSE(snapshots[1].hasRecord);
    EXPECT_EQ(snapshots[1].recording, r.name);
    EXPECT_EQ(snapshots[2].file, after);
    EXPECT_EQ(snapshots[2].recording, "");
}

TEST_F(FolderScannerTest, RemovedSnapshotIsForgottenAndItsCodingReturnsWithIt)
{
    const QString name = addOldSnapshot(3.0, m_start);
    addOldSnapshot(4.0, m_start.addSecs(5));
    ASSERT_TRUE(open());
    ASSERT_GT(index().addObservation(note(name, "检查井")), 0);
    const QByteArray bytes = read(name);

    ASSERT_TRUE(QFile::remove(path(name)));
    ASSERT_TRUE(m_folder->rescan(&m_notice));
    EXPECT_EQ(m_folder->lastScan().removed, 1);
    const qint64 project = onlyProject();
    ASSERT_EQ(index().snapshots(project).size(), 1);
    EXPECT_TRUE(index().projectObservations(project).isEmpty());

    write(name, bytes);
    ASSERT_TRUE(m_folder->rescan(&m_notice));
    ASSERT_EQ(index().projectObservations(onlyProject()).size(), 1);
}

TEST_F(FolderScannerTest, ChangedFileIsReadAgainAndDamagedFilesAreListedWhileTheRestIsIndexed)
{
    const QString name = addOldSnapshot(3.0, m_start);
    ASSERT_TRUE(open());
    QThread::msleep(kTouchMs);
    ASSERT_TRUE(writeJpeg(path(name), kSize * 2));
    const QString junk = "人民-路-Y1-Y2-5.00M-20261207101600.jpg";
    write(junk, "not a picture");
    const QString notTelemetry = "人民-路-Y1-Y2-20261207101600.csv";
    write(notTelemetry, "a,b\n1,2\n");

    ASSERT_TRUE(m_folder->rescan(&m_notice));
    EXPECT_EQ(m_folder->lastScan().read, 3);
    const QVector<FileEntry> problems = index().problems();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_EQ(problems[0].name, notTelemetry);
    EXPECT_EQ(problems[1].name, junk);
    for (const FileEntry& problem : problems) {
        EXPECT_FALSE(problem.usable);
        EXPECT_FALSE(problem.problem.isEmpty());
    }
    EXPECT_EQ(index().snapshots(onlyProject()).size(), 1);
}

TEST_F(FolderScannerTest, GbkNameAndLinkToADeviceAreListedWithTheirProblem)
{
    addOldSnapshot(3.0, m_start);
    // 人民路-Y1-Y2-4.00M-20261207101600.jpg as a Windows machine copies it.
    const QByteArray gbk = QByteArray::fromHex("c8cbc3f1c2b7") + "-Y1-Y2-4.00M-20261207101600.jpg";
    const QByteArray folder = QFile::encodeName(folderPath()) + '/';
    QFile named(QString::fromLatin1(folder + "placeholder"));
    ASSERT_TRUE(writeJpeg(named.fileName(), kSize));
    ASSERT_EQ(::rename(named.fileName().toLatin1().constData(), (folder + gbk).constData()), 0);
    ASSERT_EQ(symlink("/dev/zero", (folder + "stream.csv").constData()), 0);
    ASSERT_TRUE(QDir(folderPath()).mkdir("folder.jpg"));

    ASSERT_TRUE(open());
    const QVector<FileEntry> problems = index().problems();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_EQ(problems[0].name, "\\xC8\\xCB\\xC3\\xF1\\xC2\\xB7-Y1-Y2-4.00M-20261207101600.jpg");
    EXPECT_TRUE(problems[0].problem.contains("人民路-Y1-Y2-4.00M-20261207101600.jpg"))
        << problems[0].problem.toStdString();
    EXPECT_EQ(problems[1].name, "stream.csv");
    EXPECT_TRUE(problems[1].problem.contains("不是普通文件")) << problems[1].problem.toStdString();
    EXPECT_EQ(index().snapshots(onlyProject()).size(), 1);

    ASSERT_TRUE(open());
    EXPECT_EQ(m_folder->lastScan().read, 0);
    EXPECT_EQ(m_folder->lastScan().unchanged, 3);
    // Qt cannot see the name to remove it with the folder.
    EXPECT_EQ(::unlink((folder + gbk).constData()), 0);
}

} // namespace
