// What a section's report holds: pictures numbered by distance, one table
// row per observation with its score and length, a continuous defect's row
// under the pictures of both its ends, counts by code and grade.
#include "folderfixture.h"
#include "reportdata.h"

namespace {

using namespace reviewtest;

constexpr int kSeconds = 4;

class ReportDataTest : public FolderFixture {};

TEST_F(ReportDataTest, PicturesRowsAndCountsOfASection)
{
    const Inspection inspection = writeInspection(folderPath(), {5.0, 2.0, 8.0}, kSeconds);
    ASSERT_TRUE(open());
    const QString& at5 = inspection.snapshots[0];
    const QString& at2 = inspection.snapshots[1];
    const QString& at8 = inspection.snapshots[2];
    Observation silt = defect(at2, "CJ", "沉积", "F", 2);
    silt.continuous = Observation::kContinuous;
    silt.endM = 8.0;
    silt.endSnapshot = at8;
    for (const Observation& o :
         {defect(at5, "PL", "破裂", "S", 3), defect(at5, "FZ", "浮渣", "F", 3, {}, false),
          note(at5, "检查井"), silt, defect(at2, "PL", "破裂", "S", 3)}) {
        ASSERT_GT(index().addObservation(o), 0);
    }

    const SectionReport data = gatherSection(index(), onlyProject(), folderPath(),
                                             CodeTables::loadFolder(CodeTables::defaultFolder()));
    EXPECT_EQ(data.section.project.fields, inspection.project);
    EXPECT_EQ(data.inspectionDate, "2026-12-07");
    EXPECT_NEAR(data.section.inspectedLengthM, 8.0, 0.01);
    ASSERT_EQ(data.recordings.size(), 1);
    EXPECT_FALSE(data.profile.isEmpty());

    ASSERT_EQ(data.pictures.size(), 3);
    EXPECT_EQ(data.pictures[0].snapshot.file, at2);
    EXPECT_EQ(data.pictures[1].path, QDir(folderPath()).filePath(at5));
    QStringList rows;
    for (const ReportRow& r : data.rows) {
        rows << QStringLiteral("%1 %2 %3 %4 %5")
                        .arg(ReportTexts::extent(r), r.observation.code, r.observation.name,
                             ReportTexts::metres(r.score), ReportTexts::metres(r.lengthM)) +
                    " " + ReportTexts::pictures(r);
    }
    EXPECT_EQ(rows, (QStringList{"2.00–8.00 CJ 沉积 2.00 6.00 1、3", "2.00 PL 破裂 5.00 1.00 1",
                                 "5.00 PL 破裂 5.00 1.00 2", "5.00 FZ 浮渣 — — 2",
                                 "5.00  检查井 — — 2"}));
    // The end's picture carries the defect too, marked as its end.
    ASSERT_EQ(data.pictures[2].rows.size(), 1);
    EXPECT_TRUE(data.pictures[2].rows[0].atEnd);
    EXPECT_TRUE(ReportTexts::description(data.pictures[2].rows[0]).contains("终点"));
    EXPECT_EQ(ReportTexts::counts(data.counts), "CJ 2级×1；FZ 3级×1；PL 3级×2");
}

TEST(ReportTexts, ClockPositionContinuousDefectAndUnknownValues)
{
    ReportRow row;
    Observation& o = row.observation;
    o.code = "PL";
    o.name = "破裂";
    o.grade = 2;
    EXPECT_EQ(ReportTexts::clock(o), "");
    o.clockFrom = 11;
    EXPECT_EQ(ReportTexts::clock(o), "11点");
    o.clockTo = 2;
    EXPECT_EQ(ReportTexts::clock(o), "11–2点");
    o.continuous = Observation::kContinuous;
    row.startM = 3.5;
    EXPECT_EQ(ReportTexts::summary(o), "PL 破裂 2级 连续");
    EXPECT_EQ(ReportTexts::extent(row), "3.50–？");
    EXPECT_EQ(ReportTexts::description(row), "连续缺陷，未标终点");
    EXPECT_EQ(ReportTexts::metres(kUnknown), "—");
    EXPECT_EQ(ReportTexts::duration(3725.4), "1:02:05");
}

} // namespace
