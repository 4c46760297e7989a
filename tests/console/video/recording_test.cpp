#include "recording.h"

#include "FontFaces.h"
#include "framepath.h"
#include "guiapp.h"
#include "inisettings.h"
#include "mediaprobe.h"
#include "overlay.h"
#include "puttext.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
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

    QStringList files() const
    {
        return QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // Records for about `milliseconds` from a running camera; returns the time recorded.
    double record(int milliseconds)
    {
        EXPECT_TRUE(waitFor([this] { return m_path.matSize().area() > 0; }));
        const auto start = Clock::now();
        EXPECT_TRUE(m_recording.recordAction());
        runEvents(milliseconds);
        EXPECT_FALSE(m_recording.recordAction());
        return std::chrono::duration<double>(Clock::now() - start).count();
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
    const QStringList names = files();
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
    ASSERT_EQ(files().size(), 1);
    cv::VideoCapture video((m_folder + files().front()).toStdString());
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
    EXPECT_EQ(files().size(), 2) << files().join(' ').toStdString();
    EXPECT_EQ(QDir(base).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(RecordingTest, QuickRestartDoesNotReplaceTheFirstFile)
{
    m_path.GetMatImage(cv::Mat(kCameraSize, CV_8UC3, kBackground));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(m_recording.recordAction());
        EXPECT_FALSE(m_recording.recordAction());
    }
    EXPECT_EQ(files().size(), 2) << files().join(' ').toStdString();
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
    const bool stopped = waitFor([this] { return !m_recording.isRecording(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(m_states, (QList<bool>{true, false}));
    ASSERT_EQ(m_messages.size(), 1);
    ASSERT_EQ(files().size(), 1);
    EXPECT_GT(decodedFrames((m_folder + files().front()).toStdString()), 0);
}

} // namespace
