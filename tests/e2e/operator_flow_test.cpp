// One inspection as an operator runs it, on a real X display (a private
// Xvfb) with the console's real window, crawler-sim on 127.0.0.1 and two
// simulated cameras: project entered and saved, a drive forward at half
// speed, the distance zeroed, a recording with a snapshot in it; then the
// files the inspection left behind.
#include "CodingSet.h"
#include "ColorButton.h"
#include "ConsoleOnSim.h"
#include "engineeringinfo.h"
#include "mediaprobe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

using consoletest::Commands;
using consoletest::waitUntil;

constexpr int kForward = 3;
constexpr int kDriveMs = 3000;
constexpr int kRecordMs = 5000;
// Each of the inspection's recordings lasts at least this long.
constexpr double kMinRecordedSeconds = 3.0;

class OperatorFlow : public consoletest::ConsoleOnSim {
protected:
    // Clicks the key and runs act on the modal dialog it opens, then closes it.
    template <typename Dialog> bool inDialog(int number, const std::function<void(Dialog&)>& act)
    {
        return consoletest::withModal<Dialog>(
            [&] { QTest::mouseClick(key(number), Qt::LeftButton); },
            [&](Dialog& dialog) {
                act(dialog);
                QTest::mouseClick(dialog.template findChild<QPushButton*>("pushButtonClose"),
                                  Qt::LeftButton);
            });
    }

    static QFileInfoList files(const char* pattern)
    {
        return QDir(testenv::home() + "/savevideo").entryInfoList({pattern}, QDir::Files);
    }
};

TEST_F(OperatorFlow, InspectionLeavesARecordingAndASnapshotNamedForTheProject)
{
    SetQStringFromIni("/lognone/ip", "sim:main?w=640&h=480&fps=25");
    SetQStringFromIni("/logntwo/ip", "sim:back?w=320&h=240&fps=25");
    SetQStringFromIni("/came/fps", "25");
    startConsole();
    ASSERT_FALSE(QGuiApplication::platformName() == "offscreen") << "needs an X display";

    // The project, saved to config.ini.
    ASSERT_TRUE(inDialog<engineeringinfo>(3, [](engineeringinfo& dialog) {
        const auto type = [&](const char* name, const char* text) {
            auto* edit = dialog.findChild<QLineEdit*>(name);
            edit->clear();
            QTest::keyClicks(edit, QString::fromUtf8(text));
        };
        type("lineEditOneLocation", "Ring Road");
        type("lineEditOneStartWellNo", "W12");
        type("lineEditOneEndWellNo", "W13");
        dialog.findChild<QCheckBox*>("checkBoxSaveCurInfo")->setChecked(true);
        QTest::mouseClick(dialog.findChild<QPushButton*>("pushBtnOneSet"), Qt::LeftButton);
    }));
    EXPECT_EQ(GetQStringFromIni("/systemconfig/location"), "Ring Road");
    EXPECT_EQ(console->projectInfo()->m_strStartWellNo, "W12");

    // Forward at half speed for a while, then stop.
    sliderToHalf("speedSlider");
    clickPad("drivePad", kForward);
    QTest::qWait(kDriveMs);
    clickPad("drivePad", kForward);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193", "SetCarPwm 1500 1500"}));
    ASSERT_TRUE(waitUntil([&] { return console->distanceCalibration().m_dCurrentReading > 0; }));

    // Zero the distance where the crawler stands.
    ASSERT_TRUE(inDialog<CodingSet>(6, [](CodingSet& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>("pushButtonClear"), Qt::LeftButton);
    }));
    const DistanceCalibration zeroed = console->distanceCalibration();
    EXPECT_GT(zeroed.m_dZeroReference, 0);
    EXPECT_EQ(zeroed.m_dStartDistance, 0);

    // Record with a snapshot in the middle; a recording needs a frame first.
    ASSERT_TRUE(waitUntil([&] { return console->cameraLogins().allLoggedIn(); }));
    ASSERT_TRUE(startRecording());
    QTest::qWait(kRecordMs / 2);
    QTest::mouseClick(key(2), Qt::LeftButton);
    QTest::qWait(kRecordMs / 2);
    QTest::mouseClick(key(1), Qt::LeftButton);
    EXPECT_FALSE(key(1)->isPressedLook());

    const QFileInfoList videos = files("*.mp4");
    ASSERT_EQ(videos.size(), 1);
    EXPECT_TRUE(videos[0].fileName().startsWith("Ring Road-W12-W13-"))
        << videos[0].fileName().toStdString();
    ASSERT_TRUE(waitUntil(
        [&] { return probedDuration(videos[0].filePath().toStdString()) >= kMinRecordedSeconds; }));
    EXPECT_GT(decodedFrames(videos[0].filePath().toStdString()), 0);

    const QFileInfoList pictures = files("*.jpg");
    ASSERT_EQ(pictures.size(), 1);
    // The distance since zeroing: the crawler had stopped, so only its
    // last coasting shows, far less than the run before the zeroing.
    const QRegularExpression name(
        QStringLiteral("^Ring Road-W12-W13-(\\d+\\.\\d\\d)M-\\d{14}\\.jpg$"));
    const QRegularExpressionMatch match = name.match(pictures[0].fileName());
    ASSERT_TRUE(match.hasMatch()) << pictures[0].fileName().toStdString();
    EXPECT_LT(match.captured(1).toDouble(), zeroed.m_dZeroReference / 2);
    const QImage snapshot(pictures[0].filePath());
    EXPECT_FALSE(snapshot.isNull());
}

} // namespace
