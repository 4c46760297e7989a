// What a project's report holds: pictures numbered by distance, one table
// row per observation, counts by code, the worst grades and the length.
#include "folderfixture.h"
#include "reportdata.h"

namespace {

using namespace reviewtest;

constexpr int kSeconds = 4;

class ReportDataTest : public FolderFixture {};

TEST_F(ReportDataTest, PicturesRowsCountsWorstGradesAndLengthOfAProject)
{
    const Inspection inspection = writeInspection(folderPath(), {5.0, 2.0, 8.0}, kSeconds);
    ASSERT_TRUE(open());
    const QString& at5 = inspection.snapshots[0];
    const QString& at2 = inspection.snapshots[1];
    for (const Observation& o :
         {defect(at5, "PL", "破裂", "S", 3), defect(at5, "FZ", "浮渣", "F", 3, {}, false),
          note(at5, "检查井"), defect(at2, "CJ", "沉积", "F", 2),
          defect(at2, "TJ", "脱节", "S", 1)}) {
        ASSERT_GT(index().addObservation(o), 0);
    }

    const ReportData data = gatherReport(index(), onlyProject(), folderPath());
    EXPECT_EQ(data.project.fields, inspection.project);
    EXPECT_EQ(data.inspectionDate, "2026-12-07");
    EXPECT_NEAR(data.lengthM, 8.0, 0.01);
    ASSERT_EQ(data.recordings.size(), 1);
    EXPECT_NEAR(data.recordings[0].durationS, kSeconds, 0.1);
    EXPECT_FALSE(data.profile.isEmpty());

    ASSERT_EQ(data.pictures.size(), 3);
    EXPECT_EQ(data.pictures[0].snapshot.file, at2);
    EXPECT_EQ(data.pictures[1].snapshot.file, at5);
    EXPECT_EQ(data.pictures[2].number, 3);
    EXPECT_TRUE(data.pictures[2].observations.isEmpty());
    EXPECT_EQ(data.pictures[1].path, QDir(folderPath()).filePath(at5));

    QStringList rows;
    for (const ReportRow& r : data.rows) {
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(r.distanceM)
                    .arg(r.observation.code, r.observation.name)
                    .arg(r.pictureNumber);
    }
    EXPECT_EQ(rows, (QStringList{"2 CJ 沉积 1", "2 TJ 脱节 1", "5 PL 破裂 2", "5 FZ 浮渣 2",
                                 "5  检查井 2"}));
    QStringList counts;
    for (const CodeCount& c : data.counts) {
        counts << QStringLiteral("%1%2:%3").arg(c.code, c.name).arg(c.count);
    }
    EXPECT_EQ(counts, (QStringList{"CJ沉积:1", "FZ浮渣:1", "PL破裂:1", "TJ脱节:1", "检查井:1"}));
    // Floating debris is recorded, not scored.
    EXPECT_EQ(data.worst.structural, 3);
    EXPECT_EQ(data.worst.functional, 2);
}

TEST(ReportTexts, ClockPositionContinuousMarkAndUnknownValues)
{
    Observation o;
    o.code = "PL";
    o.name = "破裂";
    o.grade = 2;
    EXPECT_EQ(ReportTexts::clock(o), "");
    o.clockFrom = 11;
    EXPECT_EQ(ReportTexts::clock(o), "11点");
    o.clockTo = 2;
    EXPECT_EQ(ReportTexts::clock(o), "11–2点");
    o.continuous = "end";
    EXPECT_EQ(ReportTexts::name(o), "破裂（连续终点）");
    EXPECT_EQ(ReportTexts::summary(o), "PL 破裂（连续终点） 2级");
    EXPECT_EQ(ReportTexts::metres(kUnknown), "—");
    EXPECT_EQ(ReportTexts::worst(0), "无");
    EXPECT_EQ(ReportTexts::duration(3725.4), "1:02:05");
}

} // namespace
