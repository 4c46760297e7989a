// From the console to the report: the real console against crawler-sim on
// 127.0.0.1 with simulated cameras on an X display takes a snapshot, drives
// forward, records with a snapshot in the recording; then moravel-review
// --report on the save folder holds those snapshots at their distances.
#include "ColorButton.h"
#include "ConsoleOnSim.h"
#include "mediaprobe.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr int kForward = 3;
constexpr int kDriveMs = 3000;
constexpr int kRecordMs = 4000;
constexpr int kReportMs = 120000;
constexpr int kSnapshotLandsMs = 2000;

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

TEST_F(ReviewEndToEnd, ReportHoldsTheConsolesSnapshotsAtTheirDistances)
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
    QProcess review;
    review.start(REVIEW_PROGRAM, {"--report", saveFolder(), "--out", pdf});
    ASSERT_TRUE(review.waitForFinished(kReportMs));
    ASSERT_EQ(review.exitCode(), 0) << review.readAllStandardError().toStdString();

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
}

} // namespace
