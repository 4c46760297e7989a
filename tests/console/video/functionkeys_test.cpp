#include "functionkeys.h"

#include "ColorButton.h"
#include "framepath.h"
#include "inisettings.h"
#include "overlay.h"
#include "recording.h"
#include "savefolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace {

class FunctionKeysTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        static int argc = 1;
        static char name[] = "functionkeys_test";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        SetQStringFromIni(QStringLiteral("/came/fps"), QStringLiteral("25"));
        m_saveFolder.setSaveVideoPath(m_dir.path() + QLatin1Char('/'));
        ProjectInfo info;
        info.m_strLocation = QStringLiteral("A");
        info.m_strStartWellNo = QStringLiteral("1");
        info.m_strEndWellNo = QStringLiteral("2");
        m_overlay.setProjectInfo(info);
        DistanceCalibration distance;
        distance.m_dCurrentReading = 12.25;
        distance.m_dZeroReference = 2.0;
        distance.m_dStartDistance = 0.5;
        m_overlay.setDistance(distance);
        m_keys.connectVideoKeys(m_recording, m_path, m_overlay, m_saveFolder,
                                [this] { return m_picked; });
    }

    // A key stroke as the keyboard delivers it, press and release; a key
    // held down repeats its press with autoRepeat set. Whether the press was taken.
    bool press(int key, bool autoRepeat = false, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QKeyEvent event(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
        const bool taken = m_keys.keyPressed(event);
        if (!autoRepeat)
            m_keys.keyReleased(QKeyEvent(QEvent::KeyRelease, key, modifiers));
        return taken;
    }

    QStringList savedFiles() const { return QDir(m_dir.path()).entryList(QDir::Files); }

    void frameArrives() { m_path.GetMatImage(cv::Mat(240, 640, CV_8UC3, cv::Scalar(9, 9, 9))); }

    QTemporaryDir m_dir;
    QWidget m_console;
    Overlay m_overlay;
    FramePath m_path{m_overlay, nullptr};
    SaveFolder m_saveFolder;
    Recording m_recording{m_path, m_overlay, [this] { return m_saveFolder.path(); }};
    FunctionKeys m_keys{&m_console};
    QString m_picked;
};

TEST_F(FunctionKeysTest, SevenKeysSitInRowTwoOfTheBottomBand)
{
    auto* layout = new QGridLayout(&m_console);
    m_keys.placeIn(layout);
    for (int column = 0; column < FunctionKeys::kKeyCount; ++column) {
        ASSERT_NE(layout->itemAtPosition(2, column), nullptr);
        EXPECT_EQ(layout->itemAtPosition(2, column)->widget(), m_keys.key(column + 1));
        EXPECT_EQ(layout->columnStretch(column), 1);
        EXPECT_EQ(m_keys.key(column + 1)->parent(), &m_console);
    }
    EXPECT_EQ(m_keys.key(0), nullptr);
    EXPECT_EQ(m_keys.key(8), nullptr);
}

TEST_F(FunctionKeysTest, KeyboardFunctionKeysClickTheirKeyOnly)
{
    std::array<int, FunctionKeys::kKeyCount> clicks{};
    for (int n = 1; n <= FunctionKeys::kKeyCount; ++n) {
        QObject::connect(m_keys.key(n), &ColorButton::clicked,
                         [&clicks, n] { ++clicks[static_cast<size_t>(n - 1)]; });
    }
    EXPECT_TRUE(press(Qt::Key_F7));
    EXPECT_FALSE(press(Qt::Key_F8));
    EXPECT_FALSE(press(Qt::Key_A));
    EXPECT_TRUE(press(Qt::Key_F3));
    EXPECT_EQ(clicks, (std::array<int, 7>{0, 0, 1, 0, 0, 0, 1}));
}

TEST_F(FunctionKeysTest, KeyboardF2TakesASnapshotAndLooksPressedForAMoment)
{
    EXPECT_TRUE(press(Qt::Key_F2));
    EXPECT_TRUE(savedFiles().isEmpty()); // no frame yet
    frameArrives();
    EXPECT_TRUE(press(Qt::Key_F2));
    EXPECT_TRUE(m_keys.key(2)->isPressedLook());
    // Written off the GUI thread.
    const auto written = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (savedFiles().isEmpty() && std::chrono::steady_clock::now() < written)
        QThread::msleep(5);
    const QStringList files = savedFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^A-1-2-10\\.75M-\\d{14}\\.jpg$"))
                    .match(files.front())
                    .hasMatch())
        << files.front().toStdString();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (m_keys.key(2)->isPressedLook() && std::chrono::steady_clock::now() < deadline) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_FALSE(m_keys.key(2)->isPressedLook());
}

TEST_F(FunctionKeysTest, F1LooksPressedOnlyWhileRecording)
{
    press(Qt::Key_F1); // no frame: does not start
    EXPECT_FALSE(m_recording.isRecording());
    EXPECT_FALSE(m_keys.key(1)->isPressedLook());
    frameArrives();
    press(Qt::Key_F1);
    EXPECT_TRUE(m_recording.isRecording());
    EXPECT_TRUE(m_keys.key(1)->isPressedLook());
    press(Qt::Key_F1);
    EXPECT_FALSE(m_recording.isRecording());
    EXPECT_FALSE(m_keys.key(1)->isPressedLook());
    EXPECT_EQ(savedFiles().filter(QStringLiteral(".mp4")).size(), 1);
}

TEST_F(FunctionKeysTest, HeldKeysAndChordsActOnlyForTheirFirstPlainPress)
{
    constexpr int kRepeats = 5;
    frameArrives();
    ASSERT_TRUE(press(Qt::Key_F1));
    ASSERT_TRUE(press(Qt::Key_F2));
    std::array<int, FunctionKeys::kKeyCount> clicks{};
    for (int n = 1; n <= FunctionKeys::kKeyCount; ++n) {
        QObject::connect(m_keys.key(n), &ColorButton::clicked,
                         [&clicks, n] { ++clicks[static_cast<size_t>(n - 1)]; });
    }
    for (int i = 0; i < kRepeats; ++i) {
        for (int key = Qt::Key_F1; key <= Qt::Key_F7; ++key)
            EXPECT_TRUE(press(key, true)) << "repeated key " << key - Qt::Key_F1 + 1;
        EXPECT_FALSE(press(Qt::Key_F8, true));
    }
    // Window-system chords such as Alt+F4 are left to the window system.
    for (Qt::KeyboardModifier chord : {Qt::AltModifier, Qt::ControlModifier, Qt::MetaModifier})
        for (int key = Qt::Key_F1; key <= Qt::Key_F7; ++key)
            EXPECT_FALSE(press(key, false, chord)) << "chord with key " << key - Qt::Key_F1 + 1;
    EXPECT_EQ(clicks, (std::array<int, 7>{}));
    // The recording of the first F1 still runs; the next press ends it.
    EXPECT_TRUE(m_recording.isRecording());
    press(Qt::Key_F1);
    EXPECT_FALSE(m_recording.isRecording());
    EXPECT_EQ(savedFiles().filter(QStringLiteral(".mp4")).size(), 1);
}

TEST_F(FunctionKeysTest, F4SetsTheChosenFolderAndCancelKeepsIt)
{
    const QString before = m_saveFolder.path();
    m_picked.clear();
    press(Qt::Key_F4);
    EXPECT_EQ(m_saveFolder.path(), before);
    m_picked = m_dir.path() + QStringLiteral("/chosen");
    press(Qt::Key_F4);
    EXPECT_EQ(m_saveFolder.path(), m_picked + QLatin1Char('/'));
    EXPECT_EQ(GetQStringFromIni(QStringLiteral("/savedir/path")), m_picked + QLatin1Char('/'));
    EXPECT_FALSE(m_keys.key(4)->isPressedLook());
}

} // namespace
