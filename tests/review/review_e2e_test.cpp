// From the console to the report: the real console against crawler-sim on
// 127.0.0.1 with simulated cameras on an X display takes a snapshot, drives
// forward, records with a snapshot in the recording; then moravel-review
// --report on the save folder holds those snapshots at their distances,
// --import codes them from a CSV, --assess grades the section from that
// coding, and the exported CSV imported into a fresh index grades it the same.
#include "ColorButton.h"
#include "ConsoleOnSim.h"
#include "mediaprobe.h"
#include "reviewprogram.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr int kForward = 3;
constexpr int kDriveMs = 3000;
constexpr int kRecordMs = 4000;
constexpr int kSnapshotLandsMs = 2000;

// moravel-review without a window, as a script runs it.
using reviewtest::ProgramRun;
ProgramRun review(const QStringList& arguments)
{
    return reviewtest::runReview(arguments);
}

class ReviewEndToEnd : public consoletest::ConsoleOnSim {
protected:
    static QString saveFolder() { return testenv::home() + "/savevideo"; }
    static QStringList saved(const char* pattern)
    {
        return QDir(saveFolder()).entryList({pattern}, QDir::Files, QDir::Name);
    }
    // F2, and the snapshot file it wrote.
    QString snapshot()
    {
        const int before = saved("*.jpg").size();
        QTest::mouseClick(key(2), Qt::LeftButton);
        EXPECT_TRUE(consoletest::waitUntil([&] { return saved("*.jpg").size() > before; }));
        const QStringList now = saved("*.jpg");
        for (const QString& name : now) {
            if (!m_snapshots.contains(name)) {
                m_snapshots << name;
                return name;
            }
        }
        return {};
    }

    QStringList m_snapshots;
    consoletest::DebugCapture m_debug;
};

TEST_F(ReviewEndToEnd, ConsolesFilesAreReportedCodedFromACsvAndAssessed)
{
    SetQStringFromIni("/lognone/ip", "sim:main?w=640&h=480&fps=25");
    SetQStringFromIni("/logntwo/ip", "sim:back?w=320&h=240&fps=25");
    SetQStringFromIni("/came/fps", "25");
    SetQStringFromIni("/systemconfig/location", "滨江路");
    SetQStringFromIni("/systemconfig/startwellno", "Y12");
    SetQStringFromIni("/systemconfig/endwellno", "Y13");
    // In no file name: only the files' records carry it to the report.
    SetQStringFromIni("/systemconfig/inspector", "李明");
    startConsole();
    ASSERT_FALSE(QGuiApplication::platformName() == "offscreen") << "needs an X display";
    ASSERT_TRUE(consoletest::waitUntil([&] { return console->cameraLogins().allLoggedIn(); }));
    // A snapshot needs a frame; each F2 gets time to land (it is written off the GUI thread).
    ASSERT_TRUE(consoletest::waitUntil([&] {
        QTest::mouseClick(key(2), Qt::LeftButton);
        return consoletest::waitUntil([] { return !saved("*.jpg").isEmpty(); }, kSnapshotLandsMs);
    }));
    m_snapshots = saved("*.jpg");

    // Forward for a while, then record with a snapshot in the recording.
    sliderToHalf("speedSlider");
    clickPad("drivePad", kForward);
    QTest::qWait(kDriveMs);
    clickPad("drivePad", kForward);
    ASSERT_TRUE(startRecording());
    QTest::qWait(kRecordMs / 2);
    const QString during = snapshot();
    QTest::qWait(kRecordMs / 2);
    QTest::mouseClick(key(1), Qt::LeftButton);
    ASSERT_FALSE(key(1)->isPressedLook());
    // The recording's last frames are written after the stop.
    ASSERT_TRUE(consoletest::waitUntil([] {
        return consoletest::DebugCapture::contains(
            QStringLiteral("StartOrStopSaveVideo output release"));
    }));
    ASSERT_EQ(saved("*.mp4").size(), 1);
    ASSERT_EQ(m_snapshots.size(), 2);

    QTemporaryDir out;
    const QString pdf = out.filePath("report.pdf");
    const ProgramRun report = review({"--report", saveFolder(), "--out", pdf});
    ASSERT_EQ(report.exitCode, 0) << report.errors.toStdString();

    const QString text =
        QString::fromStdString(runCommand("pdftotext -layout '" + pdf.toStdString() + "' -"));
    // The section, as every file's name (or record) tells it.
    EXPECT_TRUE(text.contains(QRegularExpression("滨江路\\s+Y12–Y13"))) << text.toStdString();
    EXPECT_TRUE(text.contains(saved("*.mp4").front())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("李明"))) << text.toStdString();
    // Each snapshot's picture, numbered by distance, captioned with its distance.
    const QRegularExpression distanceOf(QStringLiteral("-(\\d+\\.\\d\\d)M-\\d{14}\\.jpg$"));
    QVector<double> distances;
    for (const QString& name : m_snapshots) {
        const QRegularExpressionMatch match = distanceOf.match(name);
        ASSERT_TRUE(match.hasMatch()) << name.toStdString();
        distances << match.captured(1).toDouble();
    }
    EXPECT_LT(distances[0], distances[1]) << "the crawler drove between the snapshots";
    std::sort(distances.begin(), distances.end());
    for (int i = 0; i < distances.size(); ++i) {
        const QString caption = QStringLiteral("图 %1\\s+距离 %2 m")
                                    .arg(i + 1)
                                    .arg(QString::number(distances[i], 'f', 2));
        EXPECT_TRUE(text.contains(QRegularExpression(caption))) << caption.toStdString();
    }
    EXPECT_FALSE(during.isEmpty());

    // Coding done on a tablet: TJ 2级 on the first snapshot, 沉积 3级 over
    // 6 m from the second, a manhole; columns in its own order, one unknown.
    const QString csv = out.filePath("tablet.csv");
    QFile tablet(csv);
    ASSERT_TRUE(tablet.open(QIODevice::WriteOnly));
    tablet.write(QStringLiteral("备注,文件,设备,代码,等级,终点距离（m）,名称\n"
                                "\"接口, 偏移\",%1,T-7,TJ,2,,\n"
                                ",%2,T-7,CJ,3,%3,\n"
                                ",%1,T-7,,,,检查井\n")
                     .arg(m_snapshots[0], m_snapshots[1])
                     .arg(distances[1] + 6, 0, 'f', 2)
                     .toUtf8());
    tablet.close();
    const ProgramRun imported = review({"--import", saveFolder(), csv});
    ASSERT_EQ(imported.exitCode, 0) << imported.errors.toStdString();

    const ProgramRun assessed = review({"--assess", saveFolder()});
    ASSERT_EQ(assessed.exitCode, 0) << assessed.errors.toStdString();
    const QJsonArray sections = QJsonDocument::fromJson(assessed.out).array();
    ASSERT_EQ(sections.size(), 1) << assessed.out.toStdString();
    const QJsonObject section = sections[0].toObject();
    EXPECT_EQ(section["section"].toString(), "Y12–Y13");
    const double length = section["inspected_length_m"].toDouble();
    EXPECT_EQ(section["length_m"].toDouble(), length);
    // TJ 2级 alone: S = Smax = F = 3 (II), SM = 3 * 1 / (3 * L), RI = 2.1.
    const QJsonObject structural = section["structural"].toObject();
    EXPECT_DOUBLE_EQ(structural["F"].toDouble(), 3);
    EXPECT_NEAR(structural["SM"].toDouble(), 1 / length, 1e-6);
    EXPECT_DOUBLE_EQ(structural["RI"].toDouble(), 2.1);
    EXPECT_EQ(structural["grade"].toInt(), 2);
    EXPECT_EQ(structural["repair_grade"].toInt(), 2);
    // CJ 3级 over 6 m alone: Y = G = 5 (III), YM = 5 * 6 / (5 * L), MI = 0.8 * 5 + 0.15 * 0 + 0.05
    // * 0.
    const QJsonObject functional = section["functional"].toObject();
    EXPECT_DOUBLE_EQ(functional["G"].toDouble(), 5);
    EXPECT_NEAR(functional["YM"].toDouble(), 6 / length, 1e-6);
    EXPECT_DOUBLE_EQ(functional["MI"].toDouble(), 4);
    EXPECT_EQ(functional["grade"].toInt(), 3);
    const QJsonArray defects = section["defects"].toArray();
    ASSERT_EQ(defects.size(), 2);
    EXPECT_EQ(defects[1].toObject(), (QJsonObject{{"code", "CJ"},
                                                  {"grade", 3},
                                                  {"score", 5},
                                                  {"start_m", distances[1]},
                                                  {"end_m", distances[1] + 6},
                                                  {"length_m", 6}}));

    // The export read into a fresh index of a copy of the files codes them the same.
    const QString exported = out.filePath("observations.csv");
    ASSERT_EQ(review({"--report", saveFolder(), "--csv", exported}).exitCode, 0);
    const QString copy = out.filePath("copy");
    ASSERT_TRUE(QDir().mkpath(copy));
    for (const QString& file :
         QDir(saveFolder()).entryList({"*.mp4", "*.csv", "*.jpg"}, QDir::Files)) {
        ASSERT_TRUE(QFile::copy(saveFolder() + "/" + file, copy + "/" + file));
    }
    ASSERT_EQ(review({"--import", copy, exported}).exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(review({"--assess", copy}).out).array(), sections);
    // Importing it again adds nothing.
    ASSERT_EQ(review({"--import", copy, exported}).exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(review({"--assess", copy}).out).array(), sections);
}

} // namespace
