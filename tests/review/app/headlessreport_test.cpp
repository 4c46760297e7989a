// moravel-review --report run as a script runs it, checked with poppler's
// tools: the cover, the assessment sheet with every figure to two decimals
// and the grade texts, the record sheet with every score and length, the
// pictures two to a page, a drawn profile; the CSV exports; the project
// summary of a folder with two sections; wrong arguments; a damaged index
// rebuilt with its coding and an exit status that tells when some was lost;
// a folder the user cannot write, reported and coded by a user without
// root's bypass of file permissions.
#include "folderfixture.h"
#include "headlessreport.h"
#include "reviewprogram.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>

#include <unistd.h>

namespace {

using namespace reviewtest;

constexpr int kSeconds = 6;
constexpr int kProfileDpi = 50;
constexpr int kStrongColour = 60;
constexpr int kMinDrawnPixels = 50;
constexpr int kPageSize = 4096;
// A user without root's bypass of file permissions.
const char* const kNobody = "65534";

class HeadlessReportTest : public FolderFixture {
protected:
    ProgramRun report(const QStringList& arguments)
    {
        return review(QStringList{"--report", folderPath()} + arguments);
    }
    // The program, as root or as the user nobody (with a home and cache of its own).
    ProgramRun review(const QStringList& arguments, bool asNobody = false)
    {
        return asNobody ? runReview(arguments, {kNobody, output("home"), output("cache")})
                        : runReview(arguments);
    }
    QString output(const QString& name) const { return m_out.filePath(name); }
    // A written file's text after its byte-order mark.
    static QString csvText(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().mid(3))
                                              : QString();
    }
    QString text(const QString& pdf) const
    {
        return QString::fromUtf8(runTool("pdftotext", {"-layout", pdf, "-"}));
    }
    void expectLines(const QString& text, const QStringList& patterns)
    {
        for (const QString& pattern : patterns) {
            EXPECT_TRUE(text.contains(QRegularExpression(pattern))) << pattern.toStdString();
        }
    }

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

TEST_F(HeadlessReportTest, SectionSheetsCarryTheAssessmentEveryObservationAndThePictures)
{
    const Inspection inspection =
        writeInspection(folderPath(), {1.25, 3.5, 6.75, 9.0, 12.0, 13.2}, kSeconds);
    ASSERT_TRUE(open());
    const QStringList& at = inspection.snapshots;
    Observation silt = defect(at[1], "CJ", "沉积", "F", 2);
    silt.continuous = Observation::kContinuous;
    silt.endM = 9.0;
    silt.endSnapshot = at[3];
    Observation scale = defect(at[0], "JG", "结垢", "F", 1, "未到终点");
    scale.continuous = Observation::kContinuous;
    for (const Observation& o :
         {note(at[0], "管道起点"), scale, silt, defect(at[2], "FZ", "浮渣", "F", 2, {}, false),
          defect(at[4], "TJ", "脱节", "S", 2, "接口, 偏移"), defect(at[5], "TJ", "脱节", "S", 2)}) {
        ASSERT_GT(index().addObservation(o), 0);
    }
    m_folder->close();

    const QString pdf = output("report.pdf");
    const QString csv = output("report.csv");
    const QString assessment = output("assessment.csv");
    const ProgramRun run = report({"--out", pdf, "--csv", csv, "--assessment-csv", assessment});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    // Cover; assessment and record sheets with the profile; six pictures on three pages.
    const QString info = QString::fromUtf8(runTool("pdfinfo", {pdf}));
    const int pages = 1 + 1 + 3;
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))))
        << info.toStdString();
    const QString all = text(pdf);
    EXPECT_TRUE(all.contains("CJJ 181-2012"));
    EXPECT_TRUE(all.contains(inspection.project.value("unitcompany")));
    expectLines(all, {"检测：李工", "校核：", "审核："});
    // Structural: TJ 2级 at 12.0 and 13.2 m, 1.2 m apart (n2), L = the
    // inspected 13.2 m: S = 1.1 * 6 / 2 = 3.3 = F (III), SM = 6.6 / (3.3 *
    // 13.2) = 0.15, RI = 0.7 * 3.3 = 2.31 (II). Functional: JG 1级 at 1.25 m
    // (unfinished, 1 m) and CJ 2级 3.5-9.0 m (5.5 m), 2.25 m apart: Y = 1.25,
    // Ymax = G = 2 (II), YM = (0.5 + 2 * 5.5) / (1.25 * 13.2) = 0.70, MI = 1.6.
    expectLines(all, {"管段长度 L（m）\\s+13\\.20（未填管段长度，以检测长度计）",
                      "S\\s+3\\.30\\s+Smax\\s+3\\.00", "F\\s+3\\.30\\s+结构性缺陷等级\\s+III级",
                      "缺陷密度 SM\\s+0\\.15\\s+缺陷类型\\s+部分或整体缺陷",
                      "修复指数 RI\\s+2\\.31\\s+修复等级\\s+II级", "管段缺陷严重，结构状况受到影响",
                      "结构在短期内不会发生破坏现象，但应做修复计划",
                      "Y\\s+1\\.25\\s+Ymax\\s+2\\.00", "G\\s+2\\.00\\s+功能性缺陷等级\\s+II级",
                      "缺陷密度 YM\\s+0\\.70\\s+缺陷类型\\s+整体缺陷",
                      "养护指数 MI\\s+1\\.60\\s+养护等级\\s+II级",
                      "管道过流有一定的受阻，运行受影响不大",
                      "没有立即进行处理的必要，但宜安排处理计划", "1 个连续缺陷未标终点"});
    // The record sheet: distance, code, name, score, grade, length, where in
    // the recording, description, pictures.
    expectLines(all, {"1\\.25 +管道起点 .* 1\\n",
                      "1\\.25–？ +JG +结垢 +0\\.50 +1级 +1\\.00 +1：00:00 +连续缺陷，未标终点",
                      "3\\.50–9\\.00 +CJ +沉积 +2\\.00 +2级 +5\\.50 .* 2、4\\n",
                      "6\\.75 +FZ +浮渣 +2级 +— .* 3\\n",
                      "12\\.00 +TJ +脱节 +3\\.00 +2级 +1\\.00 +1：00:05 +接口, 偏移 +5\\n",
                      "13\\.20 +TJ +脱节 +3\\.00 +2级 +1\\.00 .* 6\\n", "图 6\\s+距离 13\\.20 m"});
    EXPECT_TRUE(all.contains(
        QRegularExpression(QStringLiteral("第\\s*%1\\s*页\\s*/\\s*共\\s*%1\\s*页").arg(pages))));

    QTemporaryDir rendered;
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", QString::number(kProfileDpi), "-png", "-f", "2",
                                             "-l", "2", pdf, rendered.filePath("page")}),
              0);
    const QStringList images = QDir(rendered.path()).entryList({"page-*.png"}, QDir::Files);
    ASSERT_EQ(images.size(), 1);
    const auto [blue, red] = colouredPixels(QImage(rendered.filePath(images.front())));
    EXPECT_GT(blue, kMinDrawnPixels);
    EXPECT_GT(red, kMinDrawnPixels);

    const QString observations = csvText(csv);
    EXPECT_TRUE(observations.startsWith("管段,距离（m）,代码,名称,等级,分值,环向位置,连续缺陷,"
                                        "起点距离（m）,终点距离（m）,长度（m）,"));
    EXPECT_TRUE(observations.contains(
        QStringLiteral("滨江路 Y12–Y13,3.50,CJ,沉积,2,2.00,,连续,3.50,9.00,5.50,,2、4,%1,%2\r\n")
            .arg(at[1], at[3])))
        << observations.toStdString();
    const QStringList sections = csvText(assessment).split("\r\n");
    ASSERT_GE(sections.size(), 2);
    EXPECT_TRUE(
        sections[1].startsWith("滨江路 Y12–Y13,600,混凝土,13.20,13.20,3.30,3.00,3.30,0.15,"))
        << sections[1].toStdString();
}

TEST_F(HeadlessReportTest, FolderOfTwoSectionsGivesOneReportWithTheProjectSummaryFirst)
{
    const Inspection inspection = writeInspection(folderPath(), {2.0}, 2);
    ASSERT_TRUE(writeJpeg(path("人民路-Y1-Y2-4.00M-20261208090000.jpg"), QSize(64, 48)));
    ASSERT_TRUE(open());
    ASSERT_GT(index().addObservation(defect(inspection.snapshots[0], "PL", "破裂", "S", 4)), 0);
    m_folder->close();
    const QString pdf = output("report.pdf");

    ASSERT_EQ(report({"--out", pdf}).exitCode, 0);
    const QString all = text(pdf);
    const int summary = all.indexOf("项目汇总");
    ASSERT_GE(summary, 0) << all.toStdString();
    EXPECT_LT(summary, all.indexOf("管段状况评估表"));
    // PL 4级 alone: F = 10 (IV), RI = 7 + 0.05 * 3 (E of 600 mm) = 7.15 (IV).
    expectLines(
        all.mid(summary),
        {"滨江路 Y12–Y13 +600 +混凝土 +2\\.00 +2\\.00 +10\\.00 IV级 +7\\.15 IV级 +0\\.00 I级 "
         "+0\\.00 I级 +PL 4级×1",
         "人民路 Y1–Y2 .*0\\.00 I级 +0\\.00 I级 +无", "PL +破裂 +0 +0 +0 +1 +1"});

    const QRegularExpressionMatch listed =
        QRegularExpression("(\\d+): .*人民路")
            .match(report({"--out", pdf, "--project", "99"}).errors);
    ASSERT_TRUE(listed.hasMatch());
    ASSERT_EQ(report({"--out", pdf, "--project", listed.captured(1)}).exitCode, 0);
    EXPECT_FALSE(text(pdf).contains(inspection.project.value("location")));

    EXPECT_EQ(report({}).exitCode, 2);
    EXPECT_EQ(runReview({"--report", path("nowhere"), "--out", pdf}).exitCode, 1);
}

TEST_F(HeadlessReportTest, DamagedIndexIsRebuiltWithItsCodingAndSaysWhenSomeIsLost)
{
    const Inspection inspection = writeInspection(folderPath(), {1.0, 2.0, 3.0, 4.0}, 2);
    ASSERT_TRUE(open());
    for (int i = 0; i < 7; ++i) {
        ASSERT_GT(index().addObservation(defect(inspection.snapshots[i % 4], "PL", "破裂", "S",
                                                i % 4 + 1, QStringLiteral("第 %1 处").arg(i))),
                  0);
    }
    const auto rootOf = [&](const char* table) {
        return index()
            .database()
            .query("SELECT rootpage FROM sqlite_master WHERE name = ?1", {table})
            .value(0)
            .value(0)
            .toInt();
    };
    // Random bytes over the page that lists the files.
    const int files = rootOf("file");
    m_folder->close();
    overwrite("inspection.db", qint64(files - 1) * kPageSize, kPageSize);

    const QString csv = output("observations.csv");
    const ProgramRun rebuilt = report({"--csv", csv});
    EXPECT_EQ(rebuilt.exitCode, 0) << rebuilt.errors.toStdString();
    EXPECT_TRUE(rebuilt.errors.contains("恢复了 7 条观察")) << rebuilt.errors.toStdString();
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(csvText(csv).contains(QStringLiteral(",第 %1 处,").arg(i))) << i;
    }

    // Now the page that holds the coding.
    ASSERT_TRUE(open());
    const int observations = rootOf("observation");
    m_folder->close();
    overwrite("inspection.db", qint64(observations - 1) * kPageSize, kPageSize);
    const ProgramRun lost = report({"--csv", csv});
    EXPECT_EQ(lost.exitCode, HeadlessReport::kCodingLost) << lost.errors.toStdString();
    EXPECT_TRUE(lost.errors.contains("1 页无法读取")) << lost.errors.toStdString();
    EXPECT_TRUE(QFile::exists(csv));
}

TEST_F(HeadlessReportTest, FolderTheUserCannotWriteIsReportedAndItsCodingKeptOnThisComputer)
{
    if (geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty()) {
        GTEST_SKIP() << "needs root and setpriv to run the program as another user";
    }
    const Inspection inspection = writeInspection(folderPath(), {1.0, 2.0}, 2);
    ASSERT_TRUE(open());
    ASSERT_GT(index().addObservation(defect(inspection.snapshots[0], "PL", "破裂", "S", 2)), 0);
    m_folder->close();
    // Read and pass for everybody, written by nobody; the output open to all.
    ASSERT_TRUE(QFile::setPermissions(folderPath(), QFile::ReadOwner | QFile::ExeOwner |
                                                        QFile::ReadOther | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(m_out.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::WriteOther | QFile::ExeOther));
    const auto state = [&] {
        QStringList files;
        for (QDirIterator it(folderPath(), QDir::Files | QDir::Hidden); it.hasNext();) {
            const QFileInfo info(it.next());
            files << info.fileName() + QString::number(info.size()) +
                         info.lastModified().toString(Qt::ISODateWithMs);
        }
        files.sort();
        return files;
    };
    const QStringList before = state();
    const QString cached = output("cache");

    // The folder's current index is read as it is: nothing is written anywhere.
    const QString csv = output("observations.csv");
    const QString pdf = output("report.pdf");
    const ProgramRun asIs = review({"--report", folderPath(), "--csv", csv, "--out", pdf}, true);
    ASSERT_EQ(asIs.exitCode, 0) << asIs.errors.toStdString();
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(csvText(csv).contains(",PL,破裂,2,")) << csvText(csv).toStdString();
    EXPECT_FALSE(QDir(cached).exists());

    // Coding goes to the user's cache, and says so.
    const QString coding = output("coding.csv");
    QFile file(coding);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("文件,代码,等级,备注\n%1,TJ,3,本机编码\n")
                   .arg(inspection.snapshots[1])
                   .toUtf8());
    file.close();
    const ProgramRun imported = review({"--import", folderPath(), coding}, true);
    ASSERT_EQ(imported.exitCode, 0) << imported.errors.toStdString();
    EXPECT_TRUE(imported.errors.contains("只读：编码保存在本机 " + cached))
        << imported.errors.toStdString();
    const QStringList indexes = QDir(cached + "/moravel-review/indexes").entryList({"*.db"});
    ASSERT_EQ(indexes.size(), 1);

    const ProgramRun again = review({"--report", folderPath(), "--csv", csv}, true);
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
    EXPECT_TRUE(csvText(csv).contains(",PL,破裂,2,"));
    EXPECT_TRUE(csvText(csv).contains(",TJ,脱节,3,")) << csvText(csv).toStdString();
    EXPECT_EQ(state(), before);
}

} // namespace
