// The console's video glue in this process: simulated cameras and GStreamer's
// RTSP server through the real main-camera library and crawler-sim on
// 127.0.0.1. Snapshots (F2) show what the frame path and the overlay hold;
// recordings keep real time whatever the camera's rate and show an outage.
#include "ConsoleRecording.h"
#include "NoVideoCheck.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>

#include <cstdlib>

namespace {

using coretest::waitUntil;

using coretest::ConsoleVideo;
using coretest::frameAt;
using coretest::kBackWhole;
using coretest::kCableMetres;
using coretest::kMainCropped;
using coretest::recentLog;
// More than the file's header: encoded frames are in it.
constexpr qint64 kSomeVideoBytes = 16 * 1024;

// Rows of a snapshot above the back camera's picture when the whole of it is
// fitted into the main camera's narrow crop (a cropped one would fill them).
bool showsBarAboveAndBelow(const QImage& snapshot)
{
    const int pictureRows = kBackWhole.height() * kMainCropped.width() / kBackWhole.width();
    const int barRows = (kMainCropped.height() - pictureRows) / 2;
    for (int y = 4; y < barRows / 3; ++y) // the main camera lights them
        for (int x = 0; x < snapshot.width(); ++x)
            if (qGray(snapshot.pixel(x, y)) > 16)
                return false;
    return snapshot.size() == kMainCropped;
}

TEST_F(ConsoleVideo, SwappedBackCameraFramesAreNotCroppedButFittedWholeToTheFirstSize)
{
    startConsole();
    EXPECT_EQ(snapshotSize(), kMainCropped);
    EXPECT_FALSE(showsBarAboveAndBelow(QImage(folder() + snapshot())));
    console->GetChangeMainOrBackCame(true);
    // Snapshots until one shows a back-camera frame.
    EXPECT_TRUE(waitUntil([&] { return showsBarAboveAndBelow(QImage(folder() + snapshot())); }));
    console->GetChangeMainOrBackCame(false);
    EXPECT_TRUE(waitUntil([&] { return !showsBarAboveAndBelow(QImage(folder() + snapshot())); }));
}

TEST_F(ConsoleVideo, LinkReadingAndDialogCorrectionMeetInTheSnapshotDistance)
{
    startConsole();
    ASSERT_TRUE(waitUntil(
        [&] { return console->distanceCalibration().m_dCurrentReading == kCableMetres; }));
    console->setDistanceCorrection(2.0, 0.5);
    console->setDistanceOverlaySwitch(QStringLiteral("1"));
    const DistanceCalibration calibration = console->distanceCalibration();
    EXPECT_EQ(calibration.m_dCurrentReading, kCableMetres); // the correction keeps the reading
    EXPECT_EQ(calibration.m_dZeroReference, 2.0);
    EXPECT_EQ(calibration.m_dStartDistance, 0.5);
    EXPECT_EQ(calibration.m_strOverlaySwitch, QStringLiteral("1"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^人民路-Y1-Y2-10\\.75M-\\d{14}\\.jpg$"))
                    .match(snapshot())
                    .hasMatch());
}

TEST_F(ConsoleVideo, DialogChangesReachTheOverlay)
{
    startConsole();
    ProjectInfo info = *console->projectInfo();
    info.m_strLocation = QStringLiteral("新地点");
    console->applyProjectInfo(info);
    EXPECT_TRUE(snapshot().startsWith(QStringLiteral("新地点-Y1-Y2-")));

    OverlayFields fields{};
    fields[2] = true;
    console->setOverlayFields(fields);
    console->setCustomText(QStringLiteral("自定义"));
    EXPECT_EQ(console->overlayFields(), fields);
    EXPECT_EQ(console->customText(), QStringLiteral("自定义"));
}

TEST_F(ConsoleVideo, RefusedRecordingShowsAModelessMessageAndLeavesF1Normal)
{
    startConsole(QStringLiteral("0"));
    snapshot(); // a frame is there: only the frame rate stands in the way
    QTest::keyClick(console.get(), Qt::Key_F1);
    QMessageBox* message = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        message = console->findChild<QMessageBox*>(QStringLiteral("recordingMessage"));
        return message != nullptr && message->isVisible();
    }));
    EXPECT_FALSE(message->isModal());
    EXPECT_TRUE(message->text().contains(QStringLiteral("帧率")));
    auto* f1 = console->findChild<ColorButton*>(QStringLiteral("F1"));
    ASSERT_NE(f1, nullptr);
    EXPECT_FALSE(f1->isPressedLook());
    EXPECT_TRUE(saved(".mp4").isEmpty());
    // The console goes on: frames still arrive while the message is up.
    EXPECT_FALSE(snapshot().isEmpty());
}

TEST_F(ConsoleVideo, FailuresShareOneShortMessageAtATimeAndAreLogged)
{
    // A "folder" that is a file: no snapshot can be written below it, not even by root.
    QFile blocker(folder() + "file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    SetQStringFromIni("/savedir/path", folder() + "file/");
    const QString hugeFps(10000, QLatin1Char('9'));
    startConsole(hugeFps);
    // F1 until a frame is there and only the frame rate stands in the way.
    QMessageBox* message = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        QTest::keyClick(console.get(), Qt::Key_F1);
        message = console->findChild<QMessageBox*>(QStringLiteral("recordingMessage"));
        return message != nullptr && message->isVisible() &&
               message->text().contains(QStringLiteral("帧率"));
    }));
    const QRect screen = message->screen()->availableGeometry();
    EXPECT_LE(message->frameGeometry().width(), screen.width());
    EXPECT_LE(message->frameGeometry().height(), screen.height() / 2);
    EXPECT_TRUE(message->text().contains(QChar(0x2026))) << "the 10000 digits are cut";

    // F2 until a frame is there and its snapshot fails: the same box, now about it.
    ASSERT_TRUE(waitUntil([&] {
        QTest::keyClick(console.get(), Qt::Key_F2);
        return message->windowTitle() == QStringLiteral("抓图");
    }));
    EXPECT_EQ(console->findChildren<QMessageBox*>().size(), 1);
    EXPECT_TRUE(message->isVisible());
    const QStringList lines = message->text().split('\n');
    ASSERT_EQ(lines.size(), 2) << message->text().toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Not a directory"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("人民路-Y1-Y2-"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(".jpg"))) << lines[1].toStdString();
    EXPECT_TRUE(waitUntil([&] {
        return recentLog().contains(QStringLiteral(
            "showRecordingMessage [抓图] [无法保存抓图：Not a directory 人民路-Y1-Y2-"));
    }));
}

TEST_F(ConsoleVideo, ClosingWhileRecordingFinishesAPlayableFile)
{
    startConsole();
    snapshot(); // frames are flowing
    QTest::keyClick(console.get(), Qt::Key_F1);
    auto* f1 = console->findChild<ColorButton*>(QStringLiteral("F1"));
    ASSERT_NE(f1, nullptr);
    ASSERT_TRUE(waitUntil([&] { return f1->isPressedLook(); }));
    ASSERT_EQ(saved(".mp4").size(), 1);
    const QString path = folder() + saved(".mp4").front();
    // Frames reach the file; the camera keeps delivering while the console goes.
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(path).size() > kSomeVideoBytes; }));
    console.reset();
    EXPECT_GT(decodedFrames(path.toStdString()), 0);
    EXPECT_GT(probedDuration(path.toStdString()), 0.0);
}

// The file's nominal rate (/came/fps) is 25.
class ConsoleRecordingFromACamera : public coretest::ConsoleRecording {
protected:
    // The file plays as long as it recorded (2 %), with frames at about fps.
    static void expectRealTime(const QString& path, double ranSeconds, double fps)
    {
        ASSERT_FALSE(path.isEmpty());
        EXPECT_NEAR(probedDuration(path.toStdString()), ranSeconds, ranSeconds * 0.02);
        EXPECT_NEAR(decodedFrames(path.toStdString()), fps * ranSeconds, fps * ranSeconds * 0.15);
    }

    // A recording from a camera at a steady rate.
    void expectRealTimeAt(const char* fps)
    {
        startCamera(fps);
        startConsole();
        snapshot();
        double ran = 0;
        const QString path = record(kRecordMs, ran);
        expectRealTime(path, ran, std::atof(fps));
    }

    static constexpr int kRecordMs = 8000;
};

TEST_F(ConsoleRecordingFromACamera, RecordingOfAFullRateCameraPlaysInRealTime)
{
    expectRealTimeAt("25");
}

TEST_F(ConsoleRecordingFromACamera, RecordingOfAHalfRateCameraPlaysInRealTime)
{
    expectRealTimeAt("12.5");
}

TEST_F(ConsoleRecordingFromACamera, RecordingOfACameraThatSlowsDownPlaysInRealTime)
{
    startCamera("25");
    startConsole();
    snapshot();
    double ran = 0;
    bool slowed = false;
    const QString path = record(kRecordMs, ran, [&](qint64 ms) {
        if (!slowed && ms >= kRecordMs / 2) {
            camera->setRate(10);
            slowed = true;
        }
    });
    expectRealTime(path, ran, (25.0 + 10.0) / 2);
}

TEST_F(ConsoleRecordingFromACamera, RecordingStartedDuringALossShowsTheOutageAndKeepsItsLength)
{
    startCamera("25");
    startConsole();
    snapshot();
    camera->kill();
    waitUntil([] { return false; }, 2500); // the loss shows after 1.5 s
    double ran = 0;
    bool restarted = false;
    const QString path = record(kRecordMs, ran, [&](qint64 ms) {
        if (!restarted && ms >= 2000) {
            camera->start();
            restarted = true;
        }
    });
    ASSERT_FALSE(path.isEmpty());
    EXPECT_NEAR(probedDuration(path.toStdString()), ran, ran * 0.02);
    EXPECT_TRUE(coretest::showsNoVideo(frameAt(path, "0", false)));
    EXPECT_FALSE(coretest::showsNoVideo(frameAt(path, "-0.3", true)));
}

// The main camera's port, changed and saved in the connection dialog while
// a recording runs: the camera goes as in any loss, and comes back when
// changed back. Meanwhile the dialog's rate is the recording's own. A lost
// camera leaves a frame a second in the file, so the outage is kept long
// enough that the first frame after 4.5 s is still one of those.
TEST_F(ConsoleRecordingFromACamera, CameraChangeSavedDuringARecordingShowsTheOutageInTheFile)
{
    startCamera("25");
    startConsole();
    snapshot();
    const auto changeMainPort = [&](int port) {
        SetQStringFromIni("/lognone/port", QString::number(port));
        ConnectionConsole::Changes changes;
        changes.cameras[0] = true;
        console->applyConnectionChanges(changes);
    };
    EXPECT_FALSE(console->recordingRate().measured);
    double ran = 0;
    int step = 0;
    ConnectionConsole::RecordingRate rate;
    const QString path = record(kRecordMs, ran, [&](qint64 ms) {
        if (step == 0 && ms >= 1500) {
            changeMainPort(camera->port() + 1); // nothing listens there
            ++step;
        } else if (step == 1 && ms >= 6000) {
            rate = console->recordingRate();
            changeMainPort(camera->port());
            ++step;
        }
    });
    ASSERT_FALSE(path.isEmpty());
    EXPECT_NEAR(probedDuration(path.toStdString()), ran, ran * 0.02);
    EXPECT_FALSE(coretest::showsNoVideo(frameAt(path, "1", false)));
    EXPECT_TRUE(coretest::showsNoVideo(frameAt(path, "4.5", false)));
    EXPECT_FALSE(coretest::showsNoVideo(frameAt(path, "-0.3", true)));
    // Measured from the file as it grew: of the order of the whole file's rate.
    EXPECT_TRUE(rate.measured);
    const double fileRate = QFileInfo(path).size() * 8.0 / ran;
    EXPECT_GT(rate.bitsPerSecond, fileRate / 4);
    EXPECT_LT(rate.bitsPerSecond, fileRate * 4);
    EXPECT_TRUE(console->recordingRate().measured); // kept after the recording
}

} // namespace
