// The shipped defect code table and tables added beside it.
#include "codetable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

TEST(CodeTables, ShippedTableHoldsEveryCodeWithItsGradesAndLeavesFloatingDebrisUnscored)
{
    QStringList problems;
    const CodeTables tables = CodeTables::loadFolder(CodeTables::defaultFolder(), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    EXPECT_EQ(tables.codes().size(), 16);

    const DefectCode* crack = tables.find("pl");
    ASSERT_NE(crack, nullptr);
    EXPECT_EQ(crack->name, "破裂");
    EXPECT_EQ(crack->kind, "S");
    EXPECT_TRUE(crack->scored);
    ASSERT_EQ(crack->grades.size(), 4);
    EXPECT_EQ(crack->grades[3].grade, 4);
    EXPECT_TRUE(crack->grades[3].description.startsWith("坍塌"));
    EXPECT_EQ(crack->gradeEntry(1)->score, 0.5);
    EXPECT_EQ(crack->gradeEntry(4)->score, 10);
    EXPECT_EQ(tables.find("ZW")->gradeEntry(1)->score, 0.1);
    EXPECT_EQ(tables.find("TJ")->gradeEntry(2)->score, 3);

    const DefectCode* debris = tables.find("FZ");
    ASSERT_NE(debris, nullptr);
    EXPECT_EQ(debris->kind, "F");
    EXPECT_FALSE(debris->scored);
    EXPECT_EQ(debris->grades.size(), 3);
    EXPECT_FALSE(std::isfinite(debris->gradeEntry(1)->score));
    EXPECT_EQ(debris->gradeEntry(4), nullptr);
    EXPECT_EQ(tables.find("XX"), nullptr);
}

TEST(CodeTables, AnotherTableInTheFolderAddsItsCodesAndBadLinesAreReported)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Columns in another order, without "scored".
    ASSERT_TRUE(writeText(dir.filePath("a-local.tsv"), "# local codes\n"
                                                       "grade\tkind\tcode\tname\tdescription\n"
                                                       "1\tF\tYN\t淤泥\t少量\n"
                                                       "2\tF\tYN\t淤泥\t较多\n"
                                                       "x\tF\tYN\t淤泥\t坏的等级\n"
                                                       "1\tQ\tZZ\t未知\t坏的类别\n"));
    ASSERT_TRUE(writeText(dir.filePath("b-broken.tsv"), "code\tname\n"));
    ASSERT_TRUE(writeText(dir.filePath("notes.txt"), "not a table"));

    QStringList problems;
    const CodeTables tables = CodeTables::loadFolder(dir.path(), &problems);
    ASSERT_EQ(tables.codes().size(), 1);
    const DefectCode* silt = tables.find("YN");
    ASSERT_NE(silt, nullptr);
    EXPECT_EQ(silt->table, "a-local");
    EXPECT_TRUE(silt->scored);
    EXPECT_EQ(silt->grades.size(), 2);
    EXPECT_FALSE(std::isfinite(silt->grades[0].score)); // a table without scores
    ASSERT_EQ(problems.size(), 3) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems[0].contains("a-local.tsv:5"));
    EXPECT_TRUE(problems[1].contains("a-local.tsv:6"));
    EXPECT_TRUE(problems[2].contains("b-broken.tsv"));
}

} // namespace
