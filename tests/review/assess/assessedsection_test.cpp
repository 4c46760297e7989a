// A section's records turned into the defects the assessment counts: where
// each lies, continuous ones with their ends or still open, what is left
// out and why, and the length it is assessed over.
#include "assessedsection.h"
#include "inspectionfiles.h"

#include <gtest/gtest.h>

namespace {

using reviewtest::defect;
using reviewtest::note;

Snapshot snapshot(const QString& file, double distanceM)
{
    Snapshot s;
    s.file = file;
    s.distanceM = distanceM;
    return s;
}

TEST(AssessedSection, DefectsArePlacedAlongThePipeAndTheUncountableAreNamed)
{
    SectionRecords records;
    records.project.id = 7;
    records.project.fields = reviewtest::project("滨江路", "Y12", "Y13");
    records.project.fields["pipdiameter"] = "DN1000";
    records.snapshots = {snapshot("a.jpg", 2.0), snapshot("b.jpg", 5.0), snapshot("c.jpg", 9.0)};
    Recording recording;
    recording.minDistanceM = 0;
    recording.maxDistanceM = 12;
    records.recordings = {recording};
    Observation silt = defect("a.jpg", "CJ", "沉积", "F", 2);
    silt.continuous = Observation::kContinuous;
    silt.endM = 8.0;
    Observation crack = defect("b.jpg", "PL", "破裂", "S", 3);
    crack.startM = 4.5;
    Observation leak = defect("c.jpg", "SL", "渗漏", "S", 2);
    leak.continuous = Observation::kContinuous;
    records.observations = {silt,
                            note("a.jpg", "检查井"),
                            crack,
                            leak,
                            defect("c.jpg", "FZ", "浮渣", "F", 2, {}, false),
                            defect("c.jpg", "XX", "未知", "S", 1)};
    const CodeTables codes = CodeTables::loadFolder(CodeTables::defaultFolder());

    AssessedSection a = assessSection(records, codes);
    EXPECT_EQ(a.title(), "滨江路 Y12–Y13");
    EXPECT_EQ(a.diameterMm, 1000);
    EXPECT_EQ(a.inspectedLengthM, 12);
    EXPECT_EQ(a.lengthM, 12);
    EXPECT_FALSE(a.lengthEntered);
    ASSERT_EQ(a.defects.size(), 3);
    EXPECT_EQ(a.defects[0].code, "CJ");
    EXPECT_EQ(a.defects[0].endM, 8.0);
    EXPECT_EQ(a.defects[0].lengthM(), 6.0);
    EXPECT_EQ(a.defects[1].startM, 4.5);
    EXPECT_EQ(a.defects[1].score, 5);
    EXPECT_TRUE(a.defects[2].unfinished);
    EXPECT_EQ(a.defects[2].endM, 9.0);
    EXPECT_EQ(a.defects[2].lengthM(), 1.0);
    EXPECT_EQ(a.unfinished, 1);
    ASSERT_EQ(a.problems.size(), 1);
    EXPECT_TRUE(a.problems[0].contains("XX")) << a.problems[0].toStdString();
    // PL 3级 and SL 2级 4.5 m apart: S = (5 + 2) / 2 = 3.5, F = Smax = 5.
    EXPECT_DOUBLE_EQ(a.assessment.structural.mean, 3.5);
    EXPECT_DOUBLE_EQ(a.assessment.functional.density, 2 * 6 / (2 * 12.0));

    records.data.lengthM = 30;
    a = assessSection(records, codes);
    EXPECT_TRUE(a.lengthEntered);
    EXPECT_DOUBLE_EQ(a.assessment.functional.density, 2 * 6 / (2 * 30.0));
}

} // namespace
