#include "recording.h"

#include "FontFaces.h"
#include "framepath.h"
#include "guiapp.h"
#include "inisettings.h"
#include "mediaprobe.h"
#include "overlay.h"
#include "puttext.h"
#include "snapshot.h"
#include "telemetrysidecar.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <opencv2/videoio.hpp>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFps = 25;
const cv::Size kCameraSize(964, 360); // 640 x 360 after the crop; U = 25
const cv::Size kRecordedSize(640, 360);
const cv::Scalar kBackground(60, 60, 60);
constexpr int kShortHeaderMs = 1000;

// A camera delivering uniform frames at 25 fps on its own thread.
class SimulatedCamera {
public:
    explicit SimulatedCamera(FramePath& path) : m_thread([this, &path] { run(path); }) {}
    ~SimulatedCamera()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    void run(FramePath& path)
    {
        const auto start = Clock::now();
        for (int i = 0; !m_stop; ++i) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(i * 1000 / kFps));
            path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
        }
    }

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void runEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename Condition> bool waitFor(Condition condition, int milliseconds = 30000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        runEvents(5);
    }
    return true;
}

class RecordingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        ensureGuiApp();
        installFontSubstitutions();
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        SetQStringFromIni(QStringLiteral("/came/fps"), QString::number(kFps));
        ProjectInfo info;
        info.m_strStartFlag = QStringLiteral("1");
        info.m_strLocation = QStringLiteral("A");
        info.m_strStartWellNo = QStringLiteral("1");
        info.m_strEndWellNo = QStringLiteral("2");
        info.m_strNo = QStringLiteral("P1");
        m_overlay.setProjectInfo(info);
        QObject::connect(&m_recording, &Recording::recordingMessage,
                         [this](const QString& message) { m_messages << message; });
        QObject::connect(&m_recording, &Recording::recordingChanged,
                         [this](bool on) { m_states << on; });
    }

    void setLocation(const QString& location)
    {
        ProjectInfo info = m_overlay.projectInfo();
        info.m_strLocation = location;
        m_overlay.setProjectInfo(info);
    }

    QStringList files(const QString& pattern = QStringLiteral("*")) const
    {
        return QDir(m_folder).entryList({pattern},
                                        QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // The save folder's only recording.
    std::string video() const
    {
        const QStringList videos = files(QStringLiteral("*.mp4"));
        EXPECT_EQ(videos.size(), 1) << videos.join(' ').toStdString();
        return videos.size() == 1 ? (m_folder + videos.front()).toStdString() : std::string();
    }

    // Stops the recording and waits for its files.
    void stop()
    {
        EXPECT_FALSE(m_recording.recordAction());
        EXPECT_TRUE(waitFor([this] { return !m_recording.isClosing(); }));
    }

    // Records for about `milliseconds` from a running camera; returns the time recorded.
    double record(int milliseconds)
    {
        EXPECT_TRUE(waitFor([this] { return m_path.matSize().area() > 0; }));
        const auto start = Clock::now();
        EXPECT_TRUE(m_recording.recordAction());
        runEvents(milliseconds);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        stop();
        return seconds;
    }

    void expectNotStarted()
    {
        EXPECT_FALSE(m_recording.recordAction());
        EXPECT_FALSE(m_recording.isRecording());
        EXPECT_EQ(m_messages.size(), 1);
        EXPECT_FALSE(m_messages.value(0).isEmpty());
        EXPECT_EQ(m_states, QList<bool>{false});
        EXPECT_TRUE(files().isEmpty()) << files().join(' ').toStdString();
    }

    QTemporaryDir m_dir;
    QString m_folder = m_dir.path() + QStringLiteral("/");
    Overlay m_overlay;
    FramePath m_path{m_overlay, nullptr};
    Recording m_recording{m_path, m_overlay, [this] { return m_folder; }, nullptr, kShortHeaderMs};
    QStringList m_messages;
    QList<bool> m_states;
};

TEST_F(RecordingTest, RecordsOneFileOfTheFirstFrameSizeAtTheCameraRate)
{
    SimulatedCamera camera(m_path);
    const double seconds = record(4000);
    EXPECT_EQ(m_states, (QList<bool>{true, false}));
    EXPECT_TRUE(m_messages.isEmpty());
    const QStringList names = files(QStringLiteral("*.mp4"));
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^A-1-2-\\d{14}\\.mp4$")).match(names.front()).hasMatch())
        << names.front().toStdString();
    EXPECT_EQ(m_recording.videoPath(), m_folder + names.front());
    const auto probe = probeVideo((m_folder + names.front()).toStdString());
    EXPECT_EQ(probe.at("width"), std::to_string(kRecordedSize.width));
    EXPECT_EQ(probe.at("height"), std::to_string(kRecordedSize.height));
    const double expected = seconds * kFps;
    EXPECT_NEAR(std::stod(probe.at("nb_read_frames")), expected, expected * 0.1);
    // Stopping leaves nothing waiting.
    EXPECT_EQ(m_path.frameQueue().size(), 0u);
}

// Mean brightness of a region of a decoded frame.
double meanOf(const cv::Mat& frame, const cv::Rect& region)
{
    return cv::mean(frame(region))[0];
}

// Largest difference of any sample in the region from the level.
double deviation(const cv::Mat& frame, const cv::Rect& region, double level)
{
    cv::Mat difference;
    cv::absdiff(frame(region), cv::Scalar::all(level), difference);
    return cv::norm(difference, cv::NORM_INF);
}

TEST_F(RecordingTest, HeaderFirstThenFieldColumnAndNeverTheRecordMark)
{
    SimulatedCamera camera(m_path);
    record(3000);
    cv::VideoCapture video(this->video());
    ASSERT_TRUE(video.isOpened());
    const cv::Rect headerBand(150, 8 * 25, 300, 4 * 25); // header rows 8..11 only
    const cv::Rect markArea(kRecordedSize.width - 175, 0, 175, 40);
    const cv::Rect emptyArea(0, 0, 140, 300); // left of every text
    cv::Mat frame;
    int index = 0;
    int headerFrames = 0;
    int columnFrames = 0;
    while (video.read(frame)) {
        const double background = meanOf(frame, emptyArea); // as decoded
        if (index < 15) {
            EXPECT_GT(meanOf(frame, headerBand), background + 5) << "frame " << index;
            ++headerFrames;
        } else if (index >= 45) {
            EXPECT_LT(deviation(frame, headerBand, background), 12) << "frame " << index;
            ++columnFrames;
        }
        EXPECT_LT(deviation(frame, markArea, background), 12) << "frame " << index;
        ++index;
    }
    EXPECT_EQ(headerFrames, 15);
    EXPECT_GT(columnFrames, 10);
}

TEST_F(RecordingTest, DoesNotStartBeforeTheFirstFrame)
{
    expectNotStarted();
}

TEST_F(RecordingTest, DoesNotStartWithAFrameRateBelowOne)
{
    m_path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
    SetQStringFromIni(QStringLiteral("/came/fps"), QStringLiteral("0"));
    expectNotStarted();
    SetQStringFromIni(QStringLiteral("/came/fps"), QStringLiteral("fast"));
    m_messages.clear();
    m_states.clear();
    expectNotStarted();
}

TEST_F(RecordingTest, DoesNotStartInAMissingOrReadOnlyFolder)
{
    m_path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
    const QString base = m_folder;
    m_folder = base + QStringLiteral("missing/");
    expectNotStarted();
    if (geteuid() != 0) { // root writes anywhere
        ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("ro")));
        QFile::setPermissions(base + QStringLiteral("ro"), QFile::ReadOwner | QFile::ExeOwner);
        m_folder = base + QStringLiteral("ro/");
        m_messages.clear();
        m_states.clear();
        expectNotStarted();
    }
}

TEST_F(RecordingTest, WriterThatCannotWriteItsHeaderIsReportedAndLeavesNoFile)
{
    m_path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    // A disk already full: the file can be created, not a byte written.
    const rlimit full{0, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    expectNotStarted();
    setrlimit(RLIMIT_FSIZE, &saved);
    // The reason, then the file's name without its folder.
    const QStringList lines = m_messages.value(0).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("无法创建录像文件：")))
        << lines[0].toStdString();
    EXPECT_FALSE(lines[0].contains(m_folder)) << lines[0].toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^A-1-2-\\d{14}\\.mp4$")).match(lines[1]).hasMatch())
        << lines[1].toStdString();
}

TEST_F(RecordingTest, HostileLocationStillWritesInsideTheSaveFolder)
{
    const QString base = m_folder;
    m_folder = base + QStringLiteral("inner/");
    ASSERT_TRUE(QDir().mkpath(m_folder));
    SimulatedCamera camera(m_path);
    for (const QString& location : {QStringLiteral("../../x"), QStringLiteral("a/b")}) {
        setLocation(location);
        record(300);
    }
    EXPECT_EQ(files(QStringLiteral("*.mp4")).size(), 2) << files().join(' ').toStdString();
    EXPECT_EQ(QDir(base).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(RecordingTest, QuickRestartDoesNotReplaceTheFirstFile)
{
    m_path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(m_recording.recordAction());
        EXPECT_FALSE(m_recording.recordAction());
    }
    EXPECT_TRUE(waitFor([this] { return !m_recording.isClosing(); }));
    EXPECT_EQ(files(QStringLiteral("*.mp4")).size(), 2) << files().join(' ').toStdString();
    EXPECT_EQ(files(QStringLiteral("*.csv")).size(), 2) << files().join(' ').toStdString();
}

TEST_F(RecordingTest, RestartWhileTheLastEndIsUnreportedKeepsItsWriterForTheReport)
{
    SimulatedCamera camera(m_path);
    ASSERT_TRUE(waitFor([this] { return m_path.matSize().area() > 0; }));
    ASSERT_TRUE(m_recording.recordAction());
    runEvents(300);
    EXPECT_FALSE(m_recording.recordAction());
    // Time for the writer to finish its file; its report waits for this thread.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(m_recording.recordAction());
    EXPECT_TRUE(m_recording.isClosing());
    runEvents(300);
    stop();
    EXPECT_EQ(files(QStringLiteral("*.mp4")).size(), 2) << files().join(' ').toStdString();
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(' ').toStdString();
}

TEST_F(RecordingTest, FullDiskStopsTheRecordingWithAMessage)
{
    SimulatedCamera camera(m_path);
    ASSERT_TRUE(waitFor([this] { return m_path.matSize().area() > 0; }));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    // The file size limit plays the full disk.
    const rlimit limit{64 * 1024, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    ASSERT_TRUE(m_recording.recordAction());
    // Stopped, and why, once the file is finished.
    const bool reported = waitFor([this] { return !m_messages.isEmpty(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_TRUE(reported);
    EXPECT_FALSE(m_recording.isRecording());
    EXPECT_EQ(m_states, (QList<bool>{true, false}));
    ASSERT_EQ(m_messages.size(), 1);
    const QStringList lines = m_messages.front().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("录像写入失败，已停止：")))
        << lines[0].toStdString();
    EXPECT_EQ(m_folder + lines[1], QString::fromStdString(video()));
    EXPECT_GT(decodedFrames(video()), 0);
}

TEST_F(RecordingTest, CarriesTheProjectAsTagsAndTheStatusRecordsItRanThrough)
{
    ProjectInfo info = m_overlay.projectInfo();
    info.m_strUnitCompany = QStringLiteral("华东市政管道检测有限公司");
    info.m_strInspector = QStringLiteral("O'Brien\"; x,y\n");
    m_overlay.setProjectInfo(info);
    DistanceCalibration distance;
    distance.m_dZeroReference = 2.0;
    distance.m_dStartDistance = 0.5;
    m_overlay.setDistance(distance);
    LinkStatusRecord status{};
    status.Wir_length = 1000;          // 10 m of cable: 8.50 m shown
    m_recording.receiveStatus(status); // before the recording: not in it
    SimulatedCamera camera(m_path);
    ASSERT_TRUE(waitFor([this] { return m_path.matSize().area() > 0; }));
    const QDateTime before = QDateTime::currentDateTime();
    ASSERT_TRUE(m_recording.recordAction());
    constexpr int kRecords = 30;
    for (int i = 0; i < kRecords; ++i) {
        status.Wir_length = static_cast<uint32_t>(1000 + i);
        m_recording.receiveStatus(status);
        runEvents(50);
    }
    stop();

    const QJsonObject tags = formatTags(video());
    for (const auto& [key, value] : projectFields(info))
        EXPECT_EQ(tags.value(key).toString(), value) << key.toStdString();
    EXPECT_EQ(tags.value("moravel_format").toString(), QStringLiteral("1"));
    const QDateTime start =
        QDateTime::fromString(tags.value("start_time").toString(), Qt::ISODateWithMs);
    EXPECT_LE(std::abs(before.msecsTo(start)), 1000)
        << tags.value("start_time").toString().toStdString();
    EXPECT_EQ(probeStream(video(), "s", "codec_name").at("codec_name"), "mov_text");

    QFile csv(
        QString::fromStdString(video()).replace(QStringLiteral(".mp4"), QStringLiteral(".csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().trimmed().split('\n');
    ASSERT_EQ(rows.size(), kRecords + 1);
    EXPECT_EQ(rows.front() + '\n', QByteArray(TelemetrySidecar::kHeader));
    EXPECT_TRUE(rows[1].startsWith(isoWallTime(before).left(10).toUtf8())) << rows[1].toStdString();
    EXPECT_EQ(rows[1].split(',').value(2), QByteArray("8.50"));
    EXPECT_EQ(rows.back().split(',').value(2),
              QByteArray::number(8.5 + (kRecords - 1) / 100.0, 'f', 2));
}

TEST_F(RecordingTest, CodecSettingChoosesH264AndAnUnknownOneIsRefused)
{
    SimulatedCamera camera(m_path);
    SetQStringFromIni(QStringLiteral("/came/codec"), QStringLiteral("h264"));
    record(1500);
    EXPECT_EQ(probeStream(video(), "v", "codec_name").at("codec_name"), "h264");
    QFile::remove(QString::fromStdString(video()));

    SetQStringFromIni(QStringLiteral("/came/codec"), QStringLiteral("mjpeg"));
    EXPECT_FALSE(m_recording.recordAction());
    SetQStringFromIni(QStringLiteral("/came/codec"), QString());
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages.front().contains(QStringLiteral("mjpeg")));
    EXPECT_TRUE(files(QStringLiteral("*.mp4")).isEmpty());
}

TEST_F(RecordingTest, PicturesBeyondMpeg4AreRecordedScaledDownAndToldOnce)
{
    const cv::Mat fourMegapixels(1440, 2560 + 2 * FramePath::kCropMargin, CV_8UC3,
                                 cv::Scalar::all(90));
    for (int round = 0; round < 2; ++round) {
        m_path.GetMatImage(fourMegapixels.clone());
        ASSERT_TRUE(m_recording.recordAction());
        for (int i = 0; i < 3; ++i) {
            m_path.GetMatImage(fourMegapixels.clone());
            runEvents(40);
        }
        stop();
    }
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages.front().contains(QStringLiteral("2560×1440")))
        << m_messages.front().toStdString();
    EXPECT_TRUE(m_messages.front().contains(QStringLiteral("1920×1080")))
        << m_messages.front().toStdString();
    for (const QString& name : files(QStringLiteral("*.mp4"))) {
        const auto probe = probeVideo((m_folder + name).toStdString());
        EXPECT_EQ(probe.at("width"), "1920");
        EXPECT_EQ(probe.at("height"), "1080");
        EXPECT_GT(std::stoi(probe.at("nb_read_frames")), 0);
    }
}

TEST_F(RecordingTest, SnapshotRecordNamesTheRunningRecordingAndTheOffsetIntoIt)
{
    const QDateTime now = QDateTime::currentDateTime();
    SnapshotRecord idle = m_recording.snapshotRecord(now);
    EXPECT_EQ(idle.time, now);
    EXPECT_FALSE(idle.status.has_value());
    EXPECT_TRUE(idle.recordingFile.isEmpty());

    LinkStatusRecord status{};
    status.Wir_length = 1234;
    status.Angle_Roll = 1.5F;
    m_recording.receiveStatus(status);
    // The distance the overlay shows now, after a correction since the record.
    DistanceCalibration distance;
    distance.m_dCurrentReading = 12.34;
    distance.m_dZeroReference = 2.0;
    m_overlay.setDistance(distance);
    m_path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
    ASSERT_TRUE(m_recording.recordAction());
    runEvents(500);
    const SnapshotRecord during = m_recording.snapshotRecord(QDateTime::currentDateTime());
    const double elapsed =
        std::chrono::duration<double>(m_recording.elapsed(RecordingClock::now())).count();
    stop();
    ASSERT_TRUE(during.status.has_value());
    EXPECT_NEAR(during.status->distanceM, 10.34, 1e-9);
    EXPECT_NEAR(during.status->cableM, 12.34, 1e-5);
    EXPECT_EQ(during.status->rollDeg, 1.5);
    EXPECT_EQ(during.recordingFile, QFileInfo(m_recording.videoPath()).fileName());
    EXPECT_NEAR(during.recordingOffsetS, elapsed, 0.1);
    EXPECT_GE(during.recordingOffsetS, 0.5);
}

} // namespace
