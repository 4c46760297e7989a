// The observation CSV carries no live formula, and what it exports the
// import reads back as the same coding.
#include "folderfixture.h"
#include "observationcsv.h"
#include "observationimport.h"

#include <QRegularExpression>

namespace {

using namespace reviewtest;

constexpr int kSeconds = 2;

class ObservationCsvTest : public FolderFixture {};

TEST_F(ObservationCsvTest, FormulaCellsAreTextAndComeBackAsTheyWere)
{
    const Inspection inspection = writeInspection(folderPath(), {1.0, 2.0}, kSeconds);
    ASSERT_TRUE(open());
    const QStringList remarks{"=HYPERLINK(\"http://127.0.0.1/x\",\"详情\")",
                              "+1 接口",
                              "-3 mm",
                              "@SUM(A1:A9)",
                              "'=已是文字",
                              "-1.50",
                              "普通备注"};
    QVector<Observation> coded;
    for (const QString& remark : remarks) {
        coded << defect(inspection.snapshots[coded.size() % 2], "PL", "破裂", "S", 2, remark);
        ASSERT_GT(index().addObservation(coded.last()), 0);
    }
    coded << note(inspection.snapshots[0], "=1+1");
    ASSERT_GT(index().addObservation(coded.last()), 0);
    const CodeTables codes = CodeTables::loadFolder(CodeTables::defaultFolder());
    QString error;
    const QString csv = path("export.csv");
    ASSERT_TRUE(ObservationCsv::write({gatherSection(index(), onlyProject(), folderPath(), codes)},
                                      csv, &error))
        << error.toStdString();

    const QString text = QString::fromUtf8(read("export.csv"));
    for (const char* cell :
         {"\"'=HYPERLINK(\"\"http://127.0.0.1/x\"\",\"\"详情\"\")\"", ",'+1 接口,", ",'-3 mm,",
          ",'@SUM(A1:A9),", ",''=已是文字,", ",-1.50,", ",普通备注,", ",'=1+1,"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(cell))) << cell;
    }
    // No cell of the file starts a formula.
    EXPECT_FALSE(
        text.contains(QRegularExpression("(^|,)\"?[=+@]", QRegularExpression::MultilineOption)))
        << text.toStdString();

    for (const Observation& o : index().projectObservations(onlyProject())) {
        ASSERT_TRUE(index().removeObservation(o.id));
    }
    const ObservationImport::Result imported = ObservationImport::run(index(), codes, csv);
    ASSERT_TRUE(imported.problems.isEmpty()) << imported.problems.join('\n').toStdString();
    EXPECT_EQ(imported.added, coded.size());
    QStringList before;
    for (const Observation& o : coded) {
        before << o.snapshot + o.code + o.name + QString::number(o.grade) + o.remark;
    }
    QStringList after;
    for (const Observation& o : index().projectObservations(onlyProject())) {
        after << o.snapshot + o.code + o.name + QString::number(o.grade) + o.remark;
    }
    before.sort();
    after.sort();
    EXPECT_EQ(after, before);
}

} // namespace
