// Observations and projects as the index stores them.
#include "inspectionindex.h"
#include "telquinlibrary.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class InspectionIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        reopen();
    }
    void reopen()
    {
        QString notice;
        QString error;
        ASSERT_TRUE(m_db.open(m_dir.path(), &notice, &error)) << error.toStdString();
    }

    QTemporaryDir m_dir;
    TelquinLibrary m_telquin;
    IndexDatabase m_db{m_telquin.system()};
    InspectionIndex m_index{m_db};
};

TEST_F(InspectionIndexTest, ObservationsKeepEveryFieldAndAnyTextAcrossOpenings)
{
    Observation defect;
    defect.snapshot = "滨江路-Y12-Y13-3.50M-20261207101532.jpg";
    defect.codeTable = "cjj181-defects";
    defect.code = "PL";
    defect.name = "破裂";
    defect.kind = "S";
    defect.scored = true;
    defect.grade = 3;
    defect.clockFrom = 11;
    defect.clockTo = 2;
    defect.continuous = "start";
    defect.remark = "x'); DROP TABLE observation; --\n第二行 \"引号\"";
    Observation note;
    note.snapshot = defect.snapshot;
    note.name = "检查井";

    defect.id = m_index.addObservation(defect);
    note.id = m_index.addObservation(note);
    ASSERT_GT(defect.id, 0);
    ASSERT_GT(note.id, defect.id);
    m_db.close();
    reopen();

    const QVector<Observation> stored = m_index.observations(defect.snapshot);
    ASSERT_EQ(stored.size(), 2);
    const Observation& a = stored[0];
    EXPECT_EQ(a.id, defect.id);
    EXPECT_EQ(a.codeTable, defect.codeTable);
    EXPECT_EQ(a.code, "PL");
    EXPECT_EQ(a.name, "破裂");
    EXPECT_EQ(a.kind, "S");
    EXPECT_TRUE(a.scored);
    EXPECT_EQ(a.grade, 3);
    EXPECT_EQ(a.clockFrom, 11);
    EXPECT_EQ(a.clockTo, 2);
    EXPECT_EQ(a.continuous, "start");
    EXPECT_EQ(a.remark, defect.remark);
    const Observation& b = stored[1];
    EXPECT_FALSE(b.isDefect());
    EXPECT_EQ(b.name, "检查井");
    EXPECT_EQ(b.grade, 0);
    EXPECT_EQ(b.clockFrom, 0);
    EXPECT_EQ(b.remark, "");

    defect.grade = 4;
    defect.remark.clear();
    defect.continuous.clear();
    ASSERT_TRUE(m_index.updateObservation(defect));
    ASSERT_TRUE(m_index.removeObservation(note.id));
    const QVector<Observation> changed = m_index.observations(defect.snapshot);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0].grade, 4);
    EXPECT_EQ(changed[0].remark, "");
    EXPECT_EQ(changed[0].continuous, "");
}

TEST_F(InspectionIndexTest, ProjectIsFoundByItsIdentityAndTakesTheFieldsOfRecords)
{
    ProjectFields fromName{{"location", "滨江路"}, {"startwellno", "Y12"}, {"endwellno", "Y13"}};
    const qint64 id = m_index.projectFor(fromName, false);
    ASSERT_GT(id, 0);
    EXPECT_EQ(m_index.projectFor(fromName, false), id);

    ProjectFields record = fromName;
    record["unitcompany"] = "检测中心";
    record["pipdiameter"] = "600";
    EXPECT_EQ(m_index.projectFor(record, true), id);
    record["no"] = "GW-1";
    const qint64 numbered = m_index.projectFor(record, true);
    EXPECT_NE(numbered, id);

    const QVector<Project> projects = m_index.projects();
    ASSERT_EQ(projects.size(), 2);
    EXPECT_EQ(projects[0].fields.value("unitcompany"), "检测中心");
    EXPECT_EQ(projects[0].fields.value("pipdiameter"), "600");
    EXPECT_EQ(projects[0].fields.value("no"), "");
    EXPECT_EQ(projects[1].fields.value("no"), "GW-1");
    EXPECT_EQ(projects[1].fields.size(), projectKeys().size());
}

} // namespace
