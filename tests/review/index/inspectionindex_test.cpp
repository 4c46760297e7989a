// Observations and projects as the index stores them.
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
    crack.continuous = "start";
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
    EXPECT_EQ(a.continuous, "start");
    EXPECT_EQ(a.remark, crack.remark);
    const Observation& b = stored[1];
    EXPECT_FALSE(b.isDefect());
    EXPECT_EQ(b.name, "检查井");
    EXPECT_EQ(b.grade, 0);
    EXPECT_EQ(b.clockFrom, 0);
    EXPECT_EQ(b.remark, "");

    crack.grade = 4;
    crack.remark.clear();
    crack.continuous.clear();
    ASSERT_TRUE(index().updateObservation(crack));
    ASSERT_TRUE(index().removeObservation(manhole.id));
    const QVector<Observation> changed = index().observations(snapshot);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0].grade, 4);
    EXPECT_EQ(changed[0].remark, "");
    EXPECT_EQ(changed[0].continuous, "");
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

} // namespace
