// The program's video keys with a simulated 1920 x 1080 main camera on a
// private X display: F1 records an MP4 of the cropped, overlaid picture, F2
// writes a JPEG snapshot, a recording cut off by SIGKILL still plays, and a
// recording that cannot start is reported instead.
#include "SimProcess.h"
#include "consoleprocess.h"
#include "mediaprobe.h"
#include "troubledfolder.h"
#include "xinput.h"
#include "xserver.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>

namespace {

constexpr int kGenerousMs = 60000;
constexpr int kFps = 25;
constexpr double kFrameCountTolerance = 0.10;
// A recording cut off or closed plays to within this of its end.
constexpr double kLossSeconds = 2.0;
constexpr int kRecordMs = 8000;
constexpr int kShortRecordMs = 1500;
constexpr int kCloseRecordMs = 4000;
const QSize kSmallFrame(640, 360);
const std::string kReset = "cmd ResetControl";
const QSize kMainFrame(1920, 1080);
constexpr int kCropEachSide = 162;
const QSize kRecordedSize(kMainFrame.width() - 2 * kCropEachSide, kMainFrame.height());
constexpr int kMaxNameBytes = 255; // of one file name, in UTF-8
// Where the console takes the keyboard: over the large view, clear of any message box.
const QPoint kKeyboardPoint(700, 240);
// The record indicator's dot on a 1596 x 1080 frame: 160 pixels left of the
// right edge, a quarter text row down, radius 10; checked with a margin.
const QRect kIndicatorDot(1426, 19, 21, 21);
constexpr int kStrongColour = 100;
const QString kFirstPaint = QStringLiteral("first paint");
const QString kRecordingStarted = QStringLiteral("m_pTimer start");
const QString kRecordingStopped = QStringLiteral("m_pTimer Stop");
const QString kRecordingClosed = QStringLiteral("StartOrStopSaveVideo output release");
const QString kFpsRefused = QStringLiteral("帧率设置无效");
const QString kNamePattern = QStringLiteral("^人民路-Y1-Y2-(\\d{14})\\.mp4$");
const QString kTimeFormat = QStringLiteral("yyyyMMddHHmmss");

struct Project {
    QString location;
    QString startWell;
    QString endWell;
    QString fps = QString::number(kFps);
    QSize mainFrame = kMainFrame;
    QString codec = QString(); // /came/codec; empty: none
};

// Saturated green or red: the indicator's dot, never the white overlay or
// the nearly grey pipe of the simulated camera.
bool strongGreenOrRed(QRgb pixel)
{
    const int r = qRed(pixel);
    const int g = qGreen(pixel);
    const int b = qBlue(pixel);
    return (g - std::max(r, b) > kStrongColour) || (r - std::max(g, b) > kStrongColour);
}

class VideoEndToEnd : public ::testing::Test {
protected:
    void startConsole(const Project& project)
    {
        ASSERT_FALSE(m_x.display().isEmpty()) << "no X display and no Xvfb";
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(saveFolder()));
        ASSERT_TRUE(m_sim.start({"-v"}));
        m_console = std::make_unique<ConsoleProcess>(m_x.display(), m_sim.port());
        writeConfig(project);
        m_console->start();
        const QString firstFrame = QStringLiteral("GetImage m_iMatWidth %1 %2")
                                       .arg(project.mainFrame.width() - 2 * kCropEachSide)
                                       .arg(project.mainFrame.height());
        ASSERT_TRUE(m_console->waitFor([&] { return sawLine(firstFrame); }, kGenerousMs))
            << "no cropped frame from the simulated camera";
        // Keys reach the window once it is on screen.
        ASSERT_TRUE(m_console->waitFor([this] { return sawLine(kFirstPaint); }, kGenerousMs));
    }

    // The console's own account of a failed case.
    void TearDown() override
    {
        if (HasFailure() && m_console)
            std::cerr << m_console->lines().join('\n').toStdString() << '\n';
    }

    // The save folder lies two levels below the temporary root, so a name
    // escaping it by "../../" would land inside the root.
    QString saveFolder() const { return m_root.path() + "/a/b/save/"; }

    void pressKey(const char* key)
    {
        ASSERT_TRUE(xinput::pressKeyAt(m_x.display(), kKeyboardPoint, QString::fromLatin1(key)));
    }

    int countLines(const QString& text)
    {
        const QStringList& lines = m_console->lines();
        return static_cast<int>(std::count_if(
            lines.begin(), lines.end(), [&](const QString& line) { return line.contains(text); }));
    }
    bool sawLine(const QString& text) { return countLines(text) > 0; }
    bool waitForLines(const QString& text, int count)
    {
        return m_console->waitFor([&] { return countLines(text) >= count; }, kGenerousMs);
    }
    // Lets the console run on, reading its output meanwhile.
    void runFor(int ms)
    {
        m_console->waitFor([] { return false; }, ms);
    }

    QStringList saved(const QString& suffix) const
    {
        // Hidden too: none may be there.
        return QDir(saveFolder()).entryList({"*" + suffix}, QDir::Files | QDir::Hidden, QDir::Name);
    }
    bool waitForSaved(const QString& suffix)
    {
        return m_console->waitFor([&] { return !saved(suffix).isEmpty(); }, kGenerousMs);
    }

    // F1, the time until F1 again, as the console's own start and stop lines
    // say; returns once the files are complete.
    double record(int ms)
    {
        const int before = countLines(kRecordingStopped);
        const int closedBefore = countLines(kRecordingClosed);
        pressKey("F1");
        EXPECT_TRUE(waitForLines(kRecordingStarted, countLines(kRecordingStarted) + 1));
        QElapsedTimer clock;
        clock.start();
        runFor(ms);
        pressKey("F1");
        EXPECT_TRUE(waitForLines(kRecordingStopped, before + 1));
        const double seconds = clock.elapsed() / 1000.0;
        EXPECT_TRUE(waitForLines(kRecordingClosed, closedBefore + 1));
        return seconds;
    }

    // F1, and the recording runs for ms until cut() ends the program; the
    // seconds from the recording's start to the cut.
    double recordUntil(int ms, const std::function<void()>& cut)
    {
        pressKey("F1");
        EXPECT_TRUE(waitForLines(kRecordingStarted, 1));
        QElapsedTimer clock;
        clock.start();
        runFor(ms);
        cut();
        const double recorded = clock.elapsed() / 1000.0;
        EXPECT_TRUE(m_console->waitForExit(kGenerousMs));
        return recorded;
    }

    // The save folder's only recording, or an empty path.
    std::string onlyRecording() const
    {
        const QStringList videos = saved(".mp4");
        EXPECT_EQ(videos.size(), 1);
        return videos.size() == 1 ? (saveFolder() + videos.front()).toStdString() : std::string();
    }

    XServer m_x{XServer::Use::Private};
    simtest::SimProcess m_sim;
    QTemporaryDir m_root;
    std::unique_ptr<ConsoleProcess> m_console;

private:
    void writeConfig(const Project& project)
    {
        const QString camera = QStringLiteral("ip=sim:%1\nport=0\nname=e2e\npassword=e2e-pw\n");
        const QString text =
            QStringLiteral("[com]\nip=127.0.0.1\nport=%1\n"
                           "[systemconfig]\ntaskname=端到端\nfontcolor=白\nstartflag=1\n"
                           "location=%2\nstartwellno=%3\nendwellno=%4\n"
                           "[came]\nfps=%5\ncodec=%6\n[savedir]\npath=%7\n")
                .arg(m_sim.port())
                .arg(project.location, project.startWell, project.endWell, project.fps,
                     project.codec, saveFolder()) +
            "[lognone]\n" +
            camera.arg(QStringLiteral("main?w=%1&h=%2&fps=25")
                           .arg(project.mainFrame.width())
                           .arg(project.mainFrame.height())) +
            "[logntwo]\n" + camera.arg("back?w=320&h=240&fps=25");
        QFile ini(m_console->configFile());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QTextCodec::codecForName("GB2312")->fromUnicode(text));
    }
};

TEST_F(VideoEndToEnd, RecordingHasTheProjectNameTheCroppedSizeAndEveryFrameWithoutTheIndicator)
{
    startConsole({"人民路", "Y1", "Y2"});
    const QDateTime before = QDateTime::currentDateTime();
    const double seconds = record(kRecordMs);

    const QStringList videos = saved(".mp4");
    ASSERT_EQ(videos.size(), 1) << videos.join(' ').toStdString();
    const QRegularExpressionMatch name = QRegularExpression(kNamePattern).match(videos.front());
    ASSERT_TRUE(name.hasMatch()) << videos.front().toStdString();
    const QDateTime started = QDateTime::fromString(name.captured(1), kTimeFormat);
    EXPECT_LE(std::abs(started.secsTo(before)), 60) << name.captured(1).toStdString();

    const std::string path = (saveFolder() + videos.front()).toStdString();
    const auto probe = probeVideo(path);
    EXPECT_EQ(probe.at("width"), std::to_string(kRecordedSize.width()));
    EXPECT_EQ(probe.at("height"), std::to_string(kRecordedSize.height()));
    const double expected = seconds * kFps;
    EXPECT_NEAR(std::atoi(probe.at("nb_read_frames").c_str()), expected,
                expected * kFrameCountTolerance);

    // One frame a second: the indicator alternates each second and is never in the file.
    QTemporaryDir frames;
    ASSERT_TRUE(frames.isValid());
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-hide_banner", "-loglevel", "error", "-i",
                                           QString::fromStdString(path), "-vf", "fps=1",
                                           frames.path() + "/%03d.png"}),
              0);
    const QStringList pictures = QDir(frames.path()).entryList({"*.png"}, QDir::Files);
    ASSERT_GE(pictures.size(), kRecordMs / 1000 - 1);
    for (const QString& picture : pictures) {
        const QImage image(frames.path() + "/" + picture);
        ASSERT_EQ(image.size(), kRecordedSize) << picture.toStdString();
        int marked = 0;
        for (int y = kIndicatorDot.top(); y <= kIndicatorDot.bottom(); ++y)
            for (int x = kIndicatorDot.left(); x <= kIndicatorDot.right(); ++x)
                marked += strongGreenOrRed(image.pixel(x, y)) ? 1 : 0;
        EXPECT_EQ(marked, 0) << picture.toStdString();
    }
}

TEST_F(VideoEndToEnd, SnapshotAndRecordingOfAnEscapingLocationStayInTheSaveFolder)
{
    startConsole({"../../x", "s1", "e2"});
    pressKey("F2");
    ASSERT_TRUE(waitForSaved(".jpg"));
    const QStringList pictures = saved(".jpg");
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^_\\._\\.\\._x-s1-e2-\\d+\\.\\d\\dM-\\d{14}\\.jpg$"))
            .match(pictures.front())
            .hasMatch())
        << pictures.front().toStdString();
    EXPECT_EQ(QImage(saveFolder() + pictures.front()).size(), kRecordedSize);

    record(kShortRecordMs);
    ASSERT_EQ(saved(".mp4").size(), 1);
    EXPECT_TRUE(saved(".mp4").front().startsWith(QStringLiteral("_._.._x-s1-e2-")));
    EXPECT_GT(decodedFrames((saveFolder() + saved(".mp4").front()).toStdString()), 0);

    // Nothing anywhere else below the root.
    QStringList written;
    QDirIterator all(m_root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (all.hasNext())
        written << QFileInfo(all.next()).absolutePath() + "/";
    // The snapshot, the recording and its telemetry.
    ASSERT_EQ(written.size(), 3) << written.join(' ').toStdString();
    for (const QString& folder : written)
        EXPECT_EQ(QDir(folder).canonicalPath(), QDir(saveFolder()).canonicalPath());
}

TEST_F(VideoEndToEnd, RecordingCutOffBySigkillPlaysUpToTwoSecondsBeforeTheKill)
{
    startConsole({"人民路", "Y1", "Y2"});
    const double recorded = recordUntil(
        kRecordMs, [this] { EXPECT_EQ(::kill(static_cast<pid_t>(m_console->pid()), SIGKILL), 0); });
    EXPECT_EQ(m_console->exitStatus(), QProcess::CrashExit);

    const std::string path = onlyRecording();
    EXPECT_GE(probedDuration(path), recorded - kLossSeconds) << "recorded " << recorded << " s";
    EXPECT_GE(decodedFrames(path), static_cast<int>((recorded - kLossSeconds) * kFps));
    // Its subtitles to the last fragment, and its telemetry to the last second.
    EXPECT_GE(subtitleCues(path).size(), static_cast<size_t>(recorded - kLossSeconds));
    QFile csv(QString::fromStdString(path).replace(".mp4", ".csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().trimmed().split('\n');
    ASSERT_GT(rows.size(), 1);
    EXPECT_GE(rows.back().split(',').value(1).toDouble(), recorded - 1.0)
        << rows.back().toStdString();
}

TEST_F(VideoEndToEnd, H264RecordingPlaysAsLongAsItRan)
{
    Project project{"人民路", "Y1", "Y2"};
    project.codec = "h264";
    startConsole(project);
    const double seconds = record(kRecordMs);
    const std::string path = onlyRecording();
    EXPECT_EQ(probeStream(path, "v", "codec_name").at("codec_name"), "h264");
    // The test sees the start and the stop a little late, never early.
    EXPECT_NEAR(probedDuration(path), seconds, seconds * kFrameCountTolerance);
    EXPECT_NEAR(decodedFrames(path), seconds * kFps, seconds * kFps * kFrameCountTolerance);
}

TEST_F(VideoEndToEnd, RefusedRecordingIsReportedAndTheConsoleKeepsWorking)
{
    Project project{"人民路", "Y1", "Y2"};
    project.fps = "0";
    startConsole(project);
    pressKey("F1");
    ASSERT_TRUE(waitForLines(kFpsRefused, 1));
    EXPECT_TRUE(xinput::windowShows(m_x.display(), QStringLiteral("录像"))) << "no message window";

    // Not faked: the next F1 tries to start again instead of stopping.
    pressKey("F1");
    ASSERT_TRUE(waitForLines(kFpsRefused, 2));
    EXPECT_FALSE(sawLine(kRecordingStarted));
    EXPECT_TRUE(saved(".mp4").isEmpty());
    // The message does not hold up the console: frames still reach snapshots.
    pressKey("F2");
    EXPECT_TRUE(waitForSaved(".jpg"));
}

// Closing by a signal or by the window manager's Alt+F4 is a normal close:
// the crawler's last command is the reset, the recording is finished and
// the program exits with 0.
struct CloseMeans {
    const char* name;
    int signalNumber; // 0: Alt+F4
};

// Names the case in test listings.
void PrintTo(const CloseMeans& means, std::ostream* out)
{
    *out << means.name;
}

class CloseEndToEnd : public VideoEndToEnd, public ::testing::WithParamInterface<CloseMeans> {};

TEST_P(CloseEndToEnd, ResetsTheCrawlerLastFinishesTheRecordingAndExitsWithZero)
{
    const int signalNumber = GetParam().signalNumber;
    if (signalNumber == 0) {
        ASSERT_TRUE(m_x.startWindowManager());
    }
    // A small picture: the close is under test, not the encoder's pace.
    Project project{"人民路", "Y1", "Y2"};
    project.mainFrame = kSmallFrame;
    startConsole(project);
    const double recorded = recordUntil(kCloseRecordMs, [&] {
        if (signalNumber == 0) {
            pressKey("alt+F4");
        } else {
            EXPECT_EQ(::kill(static_cast<pid_t>(m_console->pid()), signalNumber), 0);
        }
    });
    EXPECT_EQ(m_console->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_console->exitCode(), 0);

    // One reset on opening the link, one on closing, and nothing after it.
    ASSERT_TRUE(m_sim.waitForPrefixCount(kReset, 2, std::chrono::milliseconds(kGenerousMs)));
    EXPECT_EQ(m_sim.linesStartingWith("cmd ").back(), kReset);
    EXPECT_EQ(m_sim.linesStartingWith(kReset).size(), 2u);

    EXPECT_GE(probedDuration(onlyRecording()), recorded - kLossSeconds)
        << "recorded " << recorded << " s";
}

INSTANTIATE_TEST_SUITE_P(SignalsAndAltF4, CloseEndToEnd,
                         ::testing::Values(CloseMeans{"Sigterm", SIGTERM},
                                           CloseMeans{"Sigint", SIGINT},
                                           CloseMeans{"Sighup", SIGHUP}, CloseMeans{"AltF4", 0}),
                         [](const ::testing::TestParamInfo<CloseMeans>& means) {
                             return std::string(means.param.name);
                         });

// Which field gives way, and how far, is settled where names are made; here
// the program must still write the snapshot.
TEST_F(VideoEndToEnd, ALongChineseLocationStillGivesASnapshotWhoseNameFits)
{
    const QString location = QStringLiteral("人民路北段雨水管道检测").repeated(7).left(76);
    startConsole({location, "W1", "W2"});
    pressKey("F2");
    ASSERT_TRUE(waitForSaved(".jpg"));
    const QString picture = saved(".jpg").front();
    EXPECT_LE(picture.toUtf8().size(), kMaxNameBytes) << picture.toStdString();
    EXPECT_EQ(QImage(saveFolder() + picture).size(), kRecordedSize);
}

TEST_F(VideoEndToEnd, ASnapshotThatCannotBeWrittenIsShownToTheOperator)
{
    ASSERT_TRUE(QDir().mkpath(saveFolder()));
    const TroubledFolder readOnly(saveFolder(), TroubledFolder::Trouble::ReadOnly);
    ASSERT_TRUE(readOnly.ready());
    startConsole({"人民路", "Y1", "Y2"});
    pressKey("F2");
    EXPECT_TRUE(xinput::windowShows(m_x.display(), QStringLiteral("抓图"))) << "no message window";
    EXPECT_TRUE(saved(".jpg").isEmpty());
}

TEST_F(VideoEndToEnd, AFullDiskIsShownAndLeavesNoEmptyFile)
{
    ASSERT_TRUE(QDir().mkpath(saveFolder()));
    const TroubledFolder full(saveFolder(), TroubledFolder::Trouble::Full);
    if (!full.ready())
        GTEST_SKIP() << "only root can give the test a full disk";
    startConsole({"人民路", "Y1", "Y2"});
    pressKey("F1");
    EXPECT_TRUE(waitForLines(QStringLiteral("No space left on device"), 1));
    EXPECT_TRUE(xinput::windowShows(m_x.display(), QStringLiteral("录像"))) << "no message window";
    EXPECT_FALSE(sawLine(kRecordingStarted));
    pressKey("F2");
    EXPECT_TRUE(xinput::windowShows(m_x.display(), QStringLiteral("抓图"))) << "no message window";
    // Only the file that filled the disk.
    EXPECT_EQ(QDir(saveFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("filler")});
}

} // namespace
