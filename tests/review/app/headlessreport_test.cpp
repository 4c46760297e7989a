// moravel-review --report run as a script runs it, checked with poppler's
// tools: the text of every observation and of the project, the page count,
// pages that render, a drawn profile; the CSV export; choosing a project.
#include "folderfixture.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>

namespace {

using namespace reviewtest;

constexpr int kSeconds = 6;
constexpr int kRunMs = 120000;
constexpr int kProfileDpi = 50;
constexpr int kStrongColour = 60;
constexpr int kMinDrawnPixels = 50;

struct ProgramRun {
    int exitCode = -1;
    QString errors;
};

class HeadlessReportTest : public FolderFixture {
protected:
    ProgramRun report(const QStringList& arguments)
    {
        QProcess program;
        program.start(REVIEW_PROGRAM, QStringList{"--report", folderPath()} + arguments);
        ProgramRun run;
        if (program.waitForFinished(kRunMs) && program.exitStatus() == QProcess::NormalExit) {
            run.exitCode = program.exitCode();
        }
        run.errors = QString::fromUtf8(program.readAllStandardError());
        return run;
    }
    QString output(const QString& name) const { return m_out.filePath(name); }

    QTemporaryDir m_out;
};

// Pixels of a strongly blue and a strongly red line.
std::pair<int, int> colouredPixels(const QImage& image)
{
    int blue = 0;
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            blue += qBlue(p) - std::max(qRed(p), qGreen(p)) > kStrongColour ? 1 : 0;
            red += qRed(p) - std::max(qBlue(p), qGreen(p)) > kStrongColour ? 1 : 0;
        }
    }
    return {blue, red};
}

TEST_F(HeadlessReportTest, ReportHoldsTheProjectEveryObservationTheWorstGradesAndAProfile)
{
    const Inspection inspection =
        writeInspection(folderPath(), {1.25, 3.5, 6.75, 9.0, 12.0}, kSeconds);
    ASSERT_TRUE(open());
    const QVector<Observation> observations{
        note(inspection.snapshots[0], "管道起点"),
        defect(inspection.snapshots[1], "PL", "破裂", "S", 3, "裂缝, 约 0.5 m"),
        defect(inspection.snapshots[2], "CJ", "沉积", "F", 2),
        defect(inspection.snapshots[2], "TJ", "脱节", "S", 1),
        defect(inspection.snapshots[3], "SG", "树根", "F", 1)};
    for (const Observation& o : observations) {
        ASSERT_GT(index().addObservation(o), 0);
    }
    m_folder->close();
    const QString broken = "滨江路-Y12-Y13-10.00M-20261207101510.jpg";
    write(broken, "\xFF\xD8\xFF");

    const QString pdf = output("report.pdf");
    const QString csv = output("report.csv");
    const ProgramRun run = report({"--out", pdf, "--csv", csv});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(broken)) << run.errors.toStdString();

    // Cover, summary, table, five pictures two to a page, profile.
    const QString info = QString::fromUtf8(runTool("pdfinfo", {pdf}));
    const int pages = 1 + 1 + 1 + 3 + 1;
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))))
        << info.toStdString();

    const QString text = QString::fromUtf8(runTool("pdftotext", {"-layout", pdf, "-"}));
    for (const QString& value : inspection.project) {
        EXPECT_TRUE(text.contains(value)) << value.toStdString();
    }
    EXPECT_TRUE(text.contains("2026-12-07"));
    EXPECT_TRUE(text.contains("结构性缺陷最高等级：3级")) << text.toStdString();
    EXPECT_TRUE(text.contains("功能性缺陷最高等级：2级"));
    EXPECT_TRUE(text.contains("检测长度：12.00 m"));
    // One table line per observation: distance, code, name, grade, picture.
    const QStringList rows{"1.25 +管道起点 +1", "3.50 +PL +破裂 +3级 .*裂缝, 约 0.5 m +2",
                           "6.75 +CJ +沉积 +2级 +3", "6.75 +TJ +脱节 +1级 +3",
                           "9.00 +SG +树根 +1级 +4"};
    for (const QString& row : rows) {
        EXPECT_TRUE(text.contains(QRegularExpression(row))) << row.toStdString();
    }
    EXPECT_TRUE(text.contains("图 5")) << text.toStdString();
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("第\\s*%1\\s*页\\s*/\\s*共\\s*%1\\s*页").arg(pages))));

    QTemporaryDir rendered;
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", QString::number(kProfileDpi), "-png", pdf,
                                             rendered.filePath("page")}),
              0);
    const QStringList images =
        QDir(rendered.path()).entryList({"page-*.png"}, QDir::Files, QDir::Name);
    ASSERT_EQ(images.size(), pages);
    const auto [blue, red] = colouredPixels(QImage(rendered.filePath(images.last())));
    EXPECT_GT(blue, kMinDrawnPixels);
    EXPECT_GT(red, kMinDrawnPixels);

    QFile table(csv);
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = table.readAll().split('\n');
    ASSERT_EQ(lines.size(), observations.size() + 2); // header, rows, empty after the last line end
    EXPECT_TRUE(lines[0].startsWith("\xEF\xBB\xBF"
                                    "距离（m）,代码,名称,等级,"));
    EXPECT_EQ(lines[2], QString("3.50,PL,破裂,3,,,\"裂缝, 约 0.5 m\",2,%1\r")
                            .arg(inspection.snapshots[1])
                            .toUtf8());
}

TEST_F(HeadlessReportTest, FolderWithSeveralProjectsNeedsTheChoiceOfOne)
{
    const Inspection inspection = writeInspection(folderPath(), {2.0}, 2);
    ASSERT_TRUE(writeJpeg(path("人民路-Y1-Y2-4.00M-20261208090000.jpg"), QSize(64, 48)));
    const QString pdf = output("report.pdf");

    const ProgramRun ambiguous = report({"--out", pdf});
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_TRUE(ambiguous.errors.contains("--project")) << ambiguous.errors.toStdString();
    EXPECT_TRUE(ambiguous.errors.contains("人民路"));
    EXPECT_TRUE(ambiguous.errors.contains("滨江路"));
    EXPECT_FALSE(QFile::exists(pdf));

    const QRegularExpressionMatch listed =
        QRegularExpression("(\\d+): .*人民路").match(ambiguous.errors);
    ASSERT_TRUE(listed.hasMatch());
    ASSERT_EQ(report({"--out", pdf, "--project", listed.captured(1)}).exitCode, 0);
    const QString text = QString::fromUtf8(runTool("pdftotext", {pdf, "-"}));
    EXPECT_TRUE(text.contains("4.00")) << text.toStdString();
    EXPECT_FALSE(text.contains(inspection.project.value("location")));

    EXPECT_EQ(report({"--out", pdf, "--project", "999"}).exitCode, 1);
    EXPECT_EQ(report({}).exitCode, 2);
    QProcess missing;
    missing.start(REVIEW_PROGRAM, {"--report", path("nowhere"), "--out", pdf});
    ASSERT_TRUE(missing.waitForFinished(kRunMs));
    EXPECT_EQ(missing.exitCode(), 1);
}

} // namespace
