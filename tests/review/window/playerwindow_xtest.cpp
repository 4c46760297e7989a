// The review window's player on a private X display, driven by key presses
// through the X server as an operator drives it, on recordings made by the
// console's writer: the frame and the telemetry row of each moment, frames
// and seconds both ways, playing; a grabbed frame coded at once; a
// continuous defect marked on two frames; a snapshot opened at its moment;
// a recording without telemetry; one that cannot be decoded.
#include "consolerecording.h"
#include "folderfixture.h"
#include "mediaprobe.h"
#include "observationeditor.h"
#include "polling.h"
#include "reportdata.h"
#include "reviewwindow.h"
#include "snapshottree.h"
#include "xinput.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QTest>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kFrames = 75;
constexpr double kSameTime = 1e-5;

// Every mdat box's content XORed: the file's structure stays, its pictures are noise.
bool scrambleMediaData(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        return false;
    }
    QByteArray bytes = file.readAll();
    for (qint64 at = 0; at + 8 <= bytes.size();) {
        const auto* head = reinterpret_cast<const uchar*>(bytes.constData() + at);
        const qint64 size = qint64(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
        if (size < 8) {
            return false;
        }
        if (bytes.mid(static_cast<int>(at) + 4, 4) == "mdat") {
            for (qint64 i = at + 8; i < std::min(at + size, qint64(bytes.size())); ++i) {
                bytes[static_cast<int>(i)] = static_cast<char>(bytes[static_cast<int>(i)] ^ 0xA5);
            }
        }
        at += size;
    }
    return file.seek(0) && file.write(bytes) == bytes.size();
}

// Counts the keys the application has been given (their releases, Shift
// and Control aside): once they are in, what they do at once is done.
class KeyCounter : public QObject {
public:
    int released = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            released += key == Qt::Key_Shift || key == Qt::Key_Control ? 0 : 1;
        }
        return false;
    }
};

class PlayerWindow : public reviewtest::FolderFixture {
protected:
    void SetUp() override
    {
        FolderFixture::SetUp();
        m_plan.project = reviewtest::project("滨江路", "Y12", "Y13");
        m_plan.start = QDateTime::fromString("20261207101500", "yyyyMMddHHmmss");
        m_plan.frames = kFrames;
        ASSERT_TRUE(reviewtest::recordLikeConsole(folderPath(), m_plan, &m_recording));
        m_times = frameTimes(m_recording.video.toStdString()).times;
        ASSERT_EQ(m_times.size(), static_cast<size_t>(kFrames));
    }
    void start()
    {
        m_folder.reset();
        m_window = std::make_unique<ReviewWindow>(
            sql(), CodeTables::loadFolder(CodeTables::defaultFolder()));
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        ASSERT_TRUE(m_window->openFolder(folderPath()));
        m_window->activateWindow();
        qApp->installEventFilter(&m_keys);
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&m_keys);
        FolderFixture::TearDown();
    }
    // Keys through the X server, the pointer over the window so that it has
    // them; returns once the window has had them all.
    void press(const QString& keys)
    {
        const QPoint centre = m_window->mapToGlobal(m_window->rect().center());
        const int before = m_keys.released;
        const QStringList presses = keys.split(' ');
        ASSERT_EQ(xinput::xdotoolPumping(
                      display(), QStringList{"mousemove", QString::number(centre.x()),
                                             QString::number(centre.y()), "key", "--delay", "60"} +
                                     presses),
                  0);
        ASSERT_TRUE(waitUntil([&] { return m_keys.released >= before + presses.size(); }, kWaitMs));
    }
    static QString display() { return qEnvironmentVariable("DISPLAY"); }
    PlayerView* player() const { return m_window->player(); }
    // Shown: the frame of this index, its picture saying so.
    bool showsFrame(size_t index)
    {
        return waitUntil(
            [&] {
                return std::abs(player()->position() - m_times[index]) < kSameTime &&
                       reviewtest::frameNumber(player()->frame().picture) ==
                           static_cast<int>(index);
            },
            kWaitMs);
    }
    // The last frame at or before t.
    size_t frameAt(double t) const
    {
        return static_cast<size_t>(std::upper_bound(m_times.begin(), m_times.end(), t) -
                                   m_times.begin()) -
               1;
    }
    QString distanceAt(double t) const
    {
        return reviewtest::csvDistanceAt(m_recording.telemetry, t);
    }

    reviewtest::RecordingPlan m_plan;
    reviewtest::ConsoleRecording m_recording;
    std::vector<double> m_times;
    std::unique_ptr<ReviewWindow> m_window;
    KeyCounter m_keys;
};

TEST_F(PlayerWindow, FramesSecondsAndPlayingFromTheKeyboardWithTheTelemetryOfEachMoment)
{
    QFile csv(m_recording.telemetry);
    ASSERT_TRUE(csv.open(QIODevice::Append) && csv.write("damaged\n") > 0);
    csv.close();
    start();
    press("Down Return"); // from the project to its recording
    ASSERT_TRUE(m_window->playerShown());
    ASSERT_EQ(QApplication::focusWidget(), player());
    ASSERT_TRUE(showsFrame(0));
    // The first status record came after the first frame.
    EXPECT_TRUE(player()->telemetryText().startsWith("距离 — m"));
    EXPECT_TRUE(player()->telemetryText().endsWith("：1 行无法读取，已略过）"));

    press("Right Right Right");
    ASSERT_TRUE(showsFrame(3));
    EXPECT_TRUE(player()->telemetryText().startsWith("距离 " + distanceAt(m_times[3]) + " m"));
    press("shift+Right");
    ASSERT_TRUE(showsFrame(frameAt(m_times[3] + 1)));
    EXPECT_TRUE(player()->telemetryText().startsWith(
        "距离 " + distanceAt(m_times[frameAt(m_times[3] + 1)]) + " m"));
    press("Left");
    ASSERT_TRUE(showsFrame(frameAt(m_times[3] + 1) - 1));
    press("ctrl+Right");
    ASSERT_TRUE(showsFrame(kFrames - 1));
    press("shift+Left");
    ASSERT_TRUE(showsFrame(frameAt(m_times.back() - 1)));
    press("Home");
    ASSERT_TRUE(showsFrame(0));

    press("bracketright bracketright");
    EXPECT_EQ(player()->speed(), 4);
    press("space");
    EXPECT_TRUE(waitUntil([&] { return player()->position() > 1.0; }, kWaitMs));
    // At the end it stops by itself, at the last frame.
    EXPECT_TRUE(showsFrame(kFrames - 1));
    EXPECT_TRUE(waitUntil([&] { return !player()->isPlaying(); }, kWaitMs));
}

TEST_F(PlayerWindow, GrabbedFramesAreCodedAtOnceAndMarkAContinuousDefectFromStartToEnd)
{
    start();
    const QString db = path("inspection.db");
    press("Down Return");
    ASSERT_TRUE(showsFrame(0));
    press("Right Right Right Right Right F2");
    ASSERT_TRUE(
        waitUntil([&] { return m_window->tree()->currentFile().endsWith(".jpg"); }, kWaitMs));
    const QString grabbed = m_window->tree()->currentFile();
    const Snapshot shot = m_window->tree()->snapshot(grabbed);
    EXPECT_NEAR(shot.offsetS, m_times[5], 1e-3);
    EXPECT_EQ(ReportTexts::metres(shot.distanceM), distanceAt(m_times[5]));
    EXPECT_TRUE(m_window->playerShown()) << "the frame stays while it is coded";
    // Coded at once, then back to the video.
    press("p l Return Escape");
    ASSERT_EQ(m_window->editor()->observations().size(), 1);
    EXPECT_EQ(m_window->editor()->observations()[0].code, "PL");
    ASSERT_EQ(QApplication::focusWidget(), player());

    // A continuous defect from one frame to a later one: one observation.
    press("shift+Right F7");
    ASSERT_TRUE(waitUntil([&] { return m_window->tree()->currentFile() != grabbed; }, kWaitMs));
    const QString start = m_window->tree()->currentFile();
    press("c j Return Escape");
    press("shift+Right shift+Right F8");
    ASSERT_TRUE(waitUntil([&] { return m_window->tree()->currentFile() != start; }, kWaitMs));
    const QString end = m_window->tree()->currentFile();
    const QVector<Observation> coded = m_window->folder().index().observations(start);
    ASSERT_EQ(coded.size(), 1);
    EXPECT_EQ(coded[0].code, "CJ");
    EXPECT_EQ(coded[0].endSnapshot, end);
    EXPECT_EQ(ReportTexts::metres(coded[0].endM),
              distanceAt(m_window->tree()->snapshot(end).offsetS));
    EXPECT_LT(m_window->tree()->snapshot(start).distanceM, coded[0].endM);
    EXPECT_TRUE(m_window->folder().index().observations(end).isEmpty());
}

TEST_F(PlayerWindow, ASnapshotOpensTheRecordingAtItsMoment)
{
    const double offset = 1.5;
    const reviewtest::SnapshotRecord record{m_plan.start.addMSecs(1500), 0.8,   0, 0,
                                            m_recording.name + ".mp4",   offset};
    ASSERT_TRUE(reviewtest::writeJpeg(
        path(reviewtest::snapshotName(m_plan.project, record.distanceM, record.time)),
        QSize(320, 240), {reviewtest::snapshotComment(m_plan.project, record)}));
    start();
    EXPECT_FALSE(m_window->playerShown());
    press("F6");
    ASSERT_TRUE(m_window->playerShown());
    ASSERT_TRUE(showsFrame(frameAt(offset)));
    EXPECT_FALSE(player()->isPlaying());
    press("Escape");
    EXPECT_FALSE(m_window->playerShown()) << "back to the snapshot";
}

TEST_F(PlayerWindow, WithoutTelemetryOrDecodableVideoTheWindowGoesOn)
{
    reviewtest::RecordingPlan plain = m_plan;
    plain.project = reviewtest::project("滨江路", "Y13", "Y14");
    plain.telemetry = false;
    reviewtest::ConsoleRecording without;
    ASSERT_TRUE(reviewtest::recordLikeConsole(folderPath(), plain, &without));
    // The pictures' bytes of a third scrambled: boxes stay, frames do not decode.
    reviewtest::RecordingPlan broken = m_plan;
    broken.project = reviewtest::project("滨江路", "Y14", "Y15");
    broken.h264 = true;
    reviewtest::ConsoleRecording damaged;
    ASSERT_TRUE(reviewtest::recordLikeConsole(folderPath(), broken, &damaged));
    ASSERT_TRUE(scrambleMediaData(damaged.video));
    start();
    ASSERT_TRUE(m_window->tree()->topLevelItemCount() == 3);

    press("Down Down Down Return"); // the second project's recording
    ASSERT_EQ(player()->recording().name, without.name);
    ASSERT_TRUE(waitUntil([&] { return player()->position() == 0; }, kWaitMs));
    press("Right Right");
    ASSERT_TRUE(waitUntil([&] { return player()->position() > 0; }, kWaitMs));
    EXPECT_EQ(player()->telemetryText(), "距离 — m　电缆 — m　横滚 —　俯仰 —　航向 —");

    press("Escape Down Down Return"); // the third's
    ASSERT_EQ(player()->recording().name, damaged.name);
    ASSERT_TRUE(waitUntil([&] { return !player()->problemText().isEmpty(); }, kWaitMs));
    EXPECT_TRUE(player()->problemText().contains(damaged.name));
    press("space Right F2 Escape Up Up Up Up");
    EXPECT_EQ(m_window->tree()->currentProject(), m_window->folder().index().projects()[0].id);
}

} // namespace
