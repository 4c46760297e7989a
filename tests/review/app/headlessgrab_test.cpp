// moravel-review --grab run as a script runs it on a recording made by the
// console's writer: the new snapshot's name on standard output, indexed,
// a second one beside it at the same moment, and the report naming its
// recording and time; wrong arguments and unknown recordings refused.
#include "consolerecording.h"
#include "folderfixture.h"
#include "mediaprobe.h"
#include "reviewprogram.h"

#include <QRegularExpression>

namespace {

using reviewtest::ProgramRun;
using reviewtest::runReview;
using HeadlessGrabTest = reviewtest::FolderFixture;

TEST_F(HeadlessGrabTest, PrintsTheNewSnapshotWhichTheReportListsAtItsRecordingAndTime)
{
    reviewtest::RecordingPlan plan;
    plan.project = reviewtest::project("滨江路", "Y12", "Y13");
    plan.start = QDateTime::fromString("20261207101500", "yyyyMMddHHmmss");
    plan.frames = 90;
    reviewtest::ConsoleRecording recording;
    ASSERT_TRUE(reviewtest::recordLikeConsole(folderPath(), plan, &recording));
    const std::vector<double> times = frameTimes(recording.video.toStdString()).times;
    const double frame = *(std::upper_bound(times.begin(), times.end(), 2.5) - 1);

    const ProgramRun grabs[] = {runReview({"--grab", folderPath(), recording.name, "2.5"}),
                                runReview({"--grab", folderPath(), recording.name, "2.5"})};
    ASSERT_EQ(grabs[0].exitCode, 0) << grabs[0].errors.toStdString();
    ASSERT_EQ(grabs[1].exitCode, 0) << grabs[1].errors.toStdString();
    const QString first = QString::fromUtf8(grabs[0].out).trimmed();
    EXPECT_TRUE(first.endsWith("-20261207101502.jpg")) << first.toStdString();
    EXPECT_EQ(QString::fromUtf8(grabs[1].out).trimmed(), first.chopped(4) + "-2.jpg");
    ASSERT_TRUE(open());
    const QVector<Snapshot> shots = index().snapshots(onlyProject());
    ASSERT_EQ(shots.size(), 2);
    const Snapshot shot = shots[0].file == first ? shots[0] : shots[1];
    EXPECT_EQ(shot.file.toStdString(), first.toStdString());
    EXPECT_NEAR(shot.offsetS, frame, 1e-3);
    EXPECT_EQ(shot.recording.toStdString(), recording.name.toStdString());
    ASSERT_GT(index().addObservation(reviewtest::defect(first, "TJ", "脱节", "S", 2)), 0);
    m_folder->close();

    const QString pdf = path("report.pdf");
    ASSERT_EQ(runReview({"--report", folderPath(), "--out", pdf}).exitCode, 0);
    const QString text = QString::fromUtf8(reviewtest::runTool("pdftotext", {"-layout", pdf, "-"}));
    EXPECT_TRUE(text.contains("1：" + recording.name + ".mp4")) << text.toStdString();
    // At the distance of the telemetry row of its moment.
    EXPECT_EQ(QString::number(shot.distanceM, 'f', 2),
              reviewtest::csvDistanceAt(recording.telemetry, frame));
    EXPECT_TRUE(text.contains(
        QRegularExpression(QString::number(shot.distanceM, 'f', 2) + " +TJ +脱节 .* 1：00:02 ")))
        << text.toStdString();

    EXPECT_EQ(runReview({"--grab", folderPath(), recording.name}).exitCode, 2);
    EXPECT_EQ(runReview({"--grab", folderPath(), recording.name, "soon"}).exitCode, 2);
    const ProgramRun unknown = runReview({"--grab", folderPath(), "A-1-2-20260101000000", "1"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.errors.contains("A-1-2-20260101000000"));
}

} // namespace
