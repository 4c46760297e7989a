// Observations, projects and section data as the index stores them.
#include "folderfixture.h"

namespace {

using namespace reviewtest;

class InspectionIndexTest : public FolderFixture {
protected:
    void SetUp() override
    {
        FolderFixture::SetUp();
        ASSERT_TRUE(open());
    }
};

TEST_F(InspectionIndexTest, ObservationsKeepEveryFieldAndAnyTextAcrossOpenings)
{
    const QString snapshot = "滨江路-Y12-Y13-3.50M-20261207101532.jpg";
    Observation crack =
        defect(snapshot, "PL", "破裂", "S", 3, "x'); DROP TABLE observation; --\n第二行 \"引号\"");
    crack.clockFrom = 11;
    crack.clockTo = 2;
    crack.continuous = Observation::kContinuous;
    crack.endM = 9.25;
    crack.endSnapshot = "滨江路-Y12-Y13-9.25M-20261207101601.jpg";
    Observation manhole = note(snapshot, "检查井");

    crack.id = index().addObservation(crack);
    manhole.id = index().addObservation(manhole);
    ASSERT_GT(crack.id, 0);
    ASSERT_GT(manhole.id, crack.id);
    reloadTelquin();
    ASSERT_TRUE(open());

    const QVector<Observation> stored = index().observations(snapshot);
    ASSERT_EQ(stored.size(), 2);
    const Observation& a = stored[0];
    EXPECT_EQ(a.id, crack.id);
    EXPECT_EQ(a.codeTable, crack.codeTable);
    EXPECT_EQ(a.code, "PL");
    EXPECT_EQ(a.name, "破裂");
    EXPECT_EQ(a.kind, "S");
    EXPECT_TRUE(a.scored);
    EXPECT_EQ(a.grade, 3);
    EXPECT_EQ(a.clockFrom, 11);
    EXPECT_EQ(a.clockTo, 2);
    EXPECT_TRUE(a.isContinuous());
    EXPECT_FALSE(known(a.startM));
    EXPECT_EQ(a.endM, 9.25);
    EXPECT_EQ(a.endSnapshot, crack.endSnapshot);
    EXPECT_EQ(a.remark, crack.remark);
    const Observation& b = stored[1];
    EXPECT_FALSE(b.isDefect());
    EXPECT_EQ(b.name, "检查井");
    EXPECT_EQ(b.grade, 0);
    EXPECT_EQ(b.clockFrom, 0);
    EXPECT_EQ(b.remark, "");

    crack.grade = 4;
    crack.remark.clear();
    crack.endM = kUnknown;
    crack.startM = 3.4;
    ASSERT_TRUE(index().updateObservation(crack));
    ASSERT_TRUE(index().removeObservation(manhole.id));
    const QVector<Observation> changed = index().observations(snapshot);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0].grade, 4);
    EXPECT_EQ(changed[0].remark, "");
    EXPECT_TRUE(changed[0].isUnfinished());
    EXPECT_EQ(changed[0].startM, 3.4);
}

TEST_F(InspectionIndexTest, ProjectIsFoundByItsIdentityAndTakesTheFieldsOfRecords)
{
    ProjectFields fromName{{"location", "滨江路"}, {"startwellno", "Y12"}, {"endwellno", "Y13"}};
    const qint64 id = index().projectFor(fromName, false);
    ASSERT_GT(id, 0);
    EXPECT_EQ(index().projectFor(fromName, false), id);

    ProjectFields record = fromName;
    record["unitcompany"] = "检测中心";
    record["pipdiameter"] = "600";
    EXPECT_EQ(index().projectFor(record, true), id);
    record["no"] = "GW-1";
    const qint64 numbered = index().projectFor(record, true);
    EXPECT_NE(numbered, id);

    const QVector<Project> projects = index().projects();
    ASSERT_EQ(projects.size(), 2);
    EXPECT_EQ(projects[0].fields.value("unitcompany"), "检测中心");
    EXPECT_EQ(projects[0].fields.value("pipdiameter"), "600");
    EXPECT_EQ(projects[0].fields.value("no"), "");
    EXPECT_EQ(projects[1].fields.value("no"), "GW-1");
    EXPECT_EQ(projects[1].fields.size(), projectKeys().size());
}

TEST_F(InspectionIndexTest, SectionDataIsKeptByTheSectionsIdentityNotByItsNumber)
{
    const ProjectFields fields{
        {"location", "滨江路"}, {"startwellno", "Y12"}, {"endwellno", "Y13"}};
    const qint64 id = index().projectFor(fields, false);
    const ProjectFields other{{"location", "人民路"}, {"startwellno", "Y1"}, {"endwellno", "Y2"}};
    index().projectFor(other, false);
    EXPECT_FALSE(known(index().section(id).lengthM));
    EXPECT_EQ(index().section(id).areaClass, SectionData::kNoAreaClass);
    SectionData data;
    data.lengthM = 42.5;
    data.areaClass = 0;
    data.soil = "loess-3";
    data.laidYear = 2004;
    data.endDepthM = 2.75;
    data.checkedBy = "王工";
    ASSERT_TRUE(index().putSection(id, data));

    // The project goes with its files and comes back under another number.
    ASSERT_TRUE(index().dropUnusedProjects());
    index().projectFor(other, false);
    const qint64 again = index().projectFor(fields, false);
    ASSERT_NE(again, id);
    const SectionData stored = index().section(again);
    EXPECT_EQ(stored.lengthM, 42.5);
    EXPECT_EQ(stored.areaClass, 0);
    EXPECT_EQ(stored.soil, "loess-3");
    EXPECT_EQ(stored.laidYear, 2004);
    EXPECT_FALSE(known(stored.startDepthM));
    EXPECT_EQ(stored.endDepthM, 2.75);
    EXPECT_EQ(stored.checkedBy, "王工");
    EXPECT_EQ(stored.approvedBy, "");
}

TEST_F(InspectionIndexTest, AllSectionsReadAtOnceAreEachSectionReadAlone)
{
    // Two sections whose snapshots lie between each other's.
    for (const char* location : {"滨江路", "人民路"}) {
        const qint64 id = index().projectFor(project(location, "Y1", "Y2"), true);
        for (const double at : {3.0, 1.0}) {
            Snapshot s;
            s.file = QStringLiteral("%1-%2.jpg").arg(location).arg(at + id);
            s.projectId = id;
            s.distanceM = at + id;
            ASSERT_TRUE(index().putFile({s.file, "snapshot", 1, 1, {}, true}));
            ASSERT_TRUE(index().putSnapshot(s));
            ASSERT_GT(index().addObservation(defect(s.file, "PL", "破裂", "S", 2)), 0);
        }
    }
    const QVector<SectionRecords> all = index().allSectionRecords();
    ASSERT_EQ(all.size(), 2);
    for (const SectionRecords& read : all) {
        const SectionRecords alone = index().sectionRecords(read.project.id);
        EXPECT_EQ(read.project.fields, alone.project.fields);
        ASSERT_EQ(read.snapshots.size(), 2);
        ASSERT_EQ(read.observations.size(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(read.snapshots[i].file, alone.snapshots[i].file);
            EXPECT_EQ(read.observations[i].id, alone.observations[i].id);
        }
    }
}

} // namespace
