#include "framepath.h"

#include "FontFaces.h"
#include "Mp4Recorder.h"
#include "capturingwindow.h"
#include "guiapp.h"
#include "overlay.h"
#include "puttext.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

// Columns coloured by their index, so a crop shows where it started.
cv::Mat columnFrame(int width, int height)
{
    cv::Mat frame(height, width, CV_8UC3);
    for (int x = 0; x < width; ++x) {
        frame.col(x).setTo(cv::Scalar(x % 256, (x / 256) % 256, 77));
    }
    return frame;
}

bool same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0;
}

class FramePathTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureGuiApp();
        installFontSubstitutions();
    }

    void SetUp() override
    {
        ProjectInfo info;
        info.m_strStartFlag = QStringLiteral("1");
        info.m_strLocation = QStringLiteral("人民路");
        m_overlay.setProjectInfo(info);
    }

    Overlay m_overlay;
    CapturingWindow m_window;
    FramePath m_path{m_overlay, &m_window};
};

TEST_F(FramePathTest, MainCameraFramesLoseTheSideMarginsAndFixTheRecordedSize)
{
    EXPECT_EQ(m_path.matSize(), cv::Size(0, 0));
    const cv::Mat source = columnFrame(1920, 1080);
    EXPECT_EQ(m_path.GetMatImage(source.clone()), 0);
    const cv::Mat shown = m_window.frame();
    ASSERT_EQ(shown.size(), cv::Size(1596, 1080));
    EXPECT_EQ(m_path.matSize(), cv::Size(1596, 1080));
    // The top row carries no text: column 0 shown is column 162 of the camera.
    EXPECT_TRUE(same(shown.row(0), source.row(0).colRange(162, 1920 - 162)));

    // A swap to the uncropped back camera keeps the first size: its whole
    // picture is fitted into it.
    m_path.setSwap(true);
    m_path.GetMatImage(columnFrame(1280, 720));
    EXPECT_EQ(m_window.frame().size(), cv::Size(1596, 1080));
    EXPECT_EQ(m_path.matSize(), cv::Size(1596, 1080));
}

// Black where no picture lies: the bars of a picture of another shape.
bool isBar(const cv::Mat& region)
{
    return cv::countNonZero(region.reshape(1)) == 0;
}

TEST_F(FramePathTest, ResolutionDropKeepsTheAspectRatioInViewQueueAndLastFrame)
{
    m_path.startRecording(RecordIndicator::Clock::now());
    m_path.endHeaderPhase();
    m_path.GetMatImage(columnFrame(1280, 720));
    ASSERT_EQ(m_path.matSize(), cv::Size(956, 720));
    // The camera drops to 640 x 360: its 316 x 360 crop is scaled as a whole
    // to 632 x 720, between bars of 162 columns.
    m_path.GetMatImage(columnFrame(640, 360));
    TimedFrame queued;
    while (m_path.frameQueue().pop(queued)) {
    }
    const cv::Rect middleRows(0, 300, 956, 100); // clear of the overlay's texts
    for (const cv::Mat& frame : {m_window.frame(), m_path.lastFrame(), queued.frame}) {
        ASSERT_EQ(frame.size(), cv::Size(956, 720));
        const cv::Mat rows = frame(middleRows);
        EXPECT_TRUE(isBar(rows.colRange(0, 162)));
        EXPECT_TRUE(isBar(rows.colRange(956 - 162, 956)));
        // Camera column 162 + x lands at 162 + 2x (blue: the column mod 256).
        EXPECT_EQ(rows.at<cv::Vec3b>(50, 162 + 2 * 100)[0], (162 + 100) % 256);
    }
}

TEST_F(FramePathTest, NarrowFramesAreNotCroppedAndEmptyFramesAreDropped)
{
    m_path.GetMatImage(cv::Mat());
    EXPECT_EQ(m_window.shown(), 0);
    EXPECT_TRUE(m_path.lastFrame().empty());
    m_path.GetMatImage(columnFrame(324, 200));
    EXPECT_EQ(m_window.frame().size(), cv::Size(324, 200));
    // One column left, shown at the first frame's size.
    m_path.GetMatImage(columnFrame(325, 200));
    EXPECT_EQ(m_window.frame().size(), cv::Size(324, 200));
    EXPECT_EQ(m_path.matSize(), cv::Size(324, 200));
}

TEST_F(FramePathTest, FirstFrameFromTheBackCameraFixesItsOwnSize)
{
    m_path.setSwap(true);
    m_path.GetMatImage(columnFrame(1280, 720));
    EXPECT_EQ(m_path.matSize(), cv::Size(1280, 720));
}

TEST_F(FramePathTest, QueueFillsOnlyWhileRecordingAndKeepsTheNewest)
{
    for (int i = 0; i < 3; ++i) {
        m_path.GetMatImage(columnFrame(400, 120));
    }
    EXPECT_EQ(m_path.frameQueue().size(), 0u);
    m_path.startRecording(RecordIndicator::Clock::now());
    const auto before = RecordingClock::now();
    for (int i = 0; i < 110; ++i) {
        cv::Mat frame = columnFrame(400, 120);
        frame.at<cv::Vec3b>(0, 200) = cv::Vec3b(static_cast<uchar>(i), 0, 0);
        m_path.GetMatImage(frame);
    }
    const auto after = RecordingClock::now();
    EXPECT_EQ(m_path.frameQueue().size(), FrameQueue::kMaxFrames);
    TimedFrame oldest;
    ASSERT_TRUE(m_path.frameQueue().pop(oldest));
    EXPECT_EQ(oldest.frame.at<cv::Vec3b>(0, 200 - 162)[0], 110 - FrameQueue::kMaxFrames);
    // Each frame carries the time it arrived.
    EXPECT_GE(oldest.arrival, before);
    EXPECT_LE(oldest.arrival, after);
    m_path.stopRecording();
    m_path.frameQueue().clear();
    m_path.GetMatImage(columnFrame(400, 120));
    EXPECT_EQ(m_path.frameQueue().size(), 0u);
}

TEST_F(FramePathTest, HeaderOnlyDuringTheHeaderPhaseOfARecording)
{
    const cv::Mat source = columnFrame(1920, 720);
    auto processed = [&] {
        m_path.GetMatImage(source.clone());
        return m_path.lastFrame();
    };
    // Header rows 2U..12U lie below the field column (one field: row U/2).
    const cv::Rect headerBand(150, 8 * 51, 600, 4 * 51);
    const cv::Mat plain = source.colRange(162, 1920 - 162)(headerBand);
    EXPECT_TRUE(same(processed()(headerBand), plain));
    m_path.startRecording(RecordIndicator::Clock::now());
    EXPECT_TRUE(m_path.isHeaderPhase());
    EXPECT_FALSE(same(processed()(headerBand), plain));
    m_path.endHeaderPhase();
    EXPECT_TRUE(same(processed()(headerBand), plain));
}

TEST_F(FramePathTest, RecordIndicatorIsOnScreenOnlyNeverInQueueOrLastFrame)
{
    m_path.startRecording(RecordIndicator::Clock::now());
    const cv::Mat source = columnFrame(1920, 1080);
    m_path.GetMatImage(source.clone());
    const cv::Rect mark(1596 - 140 - 30, 0, 170, 60);
    const cv::Mat plain = source.colRange(162, 1920 - 162)(mark);
    const cv::Mat shown = m_window.frame();
    EXPECT_FALSE(same(shown(mark), plain));
    // Dot centre (left - 20, top + 10) in green.
    EXPECT_EQ(shown.at<cv::Vec3b>(1080 / 14 / 4 + 10, 1596 - 160), cv::Vec3b(0, 255, 0));
    EXPECT_TRUE(same(m_path.lastFrame()(mark), plain));
    TimedFrame queued;
    ASSERT_TRUE(m_path.frameQueue().pop(queued));
    EXPECT_TRUE(same(queued.frame, m_path.lastFrame()));
}

TEST_F(FramePathTest, LastFrameIsNeverSeenHalfWritten)
{
    ProjectInfo quiet; // start flag off: only the lowest row carries text
    m_overlay.setProjectInfo(quiet);
    std::atomic<bool> stop{false};
    std::thread camera([&] {
        for (int i = 0; !stop; ++i) {
            m_path.GetMatImage(cv::Mat(300, 800, CV_8UC3, cv::Scalar::all(i % 2 ? 200 : 10)));
        }
    });
    constexpr int kChecks = 500;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int checked = 0;
    while (checked < kChecks && std::chrono::steady_clock::now() < deadline) {
        const cv::Mat last = m_path.lastFrame();
        if (last.empty()) {
            std::this_thread::yield();
            continue;
        }
        // The rows above the text row hold one value if the copy was whole.
        double low = 0;
        double high = 0;
        cv::minMaxLoc(last.rowRange(0, 200).reshape(1), &low, &high);
        ASSERT_EQ(low, high);
        ++checked;
    }
    stop = true;
    camera.join();
    EXPECT_EQ(checked, kChecks);
}

} // namespace

// The same picture as decoded planes and as its BGR frame end up alike in
// the view, the last frame and the recording; the queued planes go to the
// recorder as they are, without the on-screen mark.
TEST_F(FramePathTest, DecodedPlanesTakeTheRoadOfTheirBgrFrame)
{
    cv::Mat bgr(1080, 1920, CV_8UC3, cv::Scalar(40, 120, 200));
    cv::randu(bgr.rowRange(300, 600), 0, 255);
    cv::Mat yv12;
    cv::cvtColor(bgr, yv12, cv::COLOR_BGR2YUV_YV12);
    cv::cvtColor(yv12, bgr, cv::COLOR_YUV2BGR_YV12);
    CapturingWindow bgrWindow;
    FramePath bgrPath(m_overlay, &bgrWindow);
    m_path.startRecording(RecordIndicator::Clock::now());
    bgrPath.startRecording(RecordIndicator::Clock::now());
    m_path.GetPlanesImage(VideoPlanes::FromYv12(yv12.data, 1920, 1080));
    bgrPath.GetMatImage(bgr);

    const auto alike = [](const cv::Mat& a, const cv::Mat& b) {
        // Text edges differ where chroma is shared by two by two pixels.
        return a.size() == b.size() && cv::norm(a, b, cv::NORM_L1) / a.total() < 1.5;
    };
    const auto textPixels = [](const cv::Mat& frame) {
        cv::Mat red;
        cv::inRange(frame, cv::Scalar(0, 0, 200), cv::Scalar(80, 80, 255), red);
        return cv::countNonZero(red);
    };
    ASSERT_EQ(m_path.lastFrame().size(), cv::Size(1596, 1080));
    EXPECT_TRUE(alike(m_path.lastFrame(), bgrPath.lastFrame()));
    EXPECT_TRUE(alike(m_window.frame(), bgrWindow.frame()));
    EXPECT_GT(textPixels(m_path.lastFrame()), 1000);
    EXPECT_NEAR(textPixels(m_path.lastFrame()), textPixels(bgrPath.lastFrame()),
                textPixels(bgrPath.lastFrame()) / 10);

    TimedFrame queued;
    ASSERT_TRUE(m_path.frameQueue().pop(queued));
    ASSERT_TRUE(Mp4Recorder::isYv12(queued.frame, m_path.matSize()));
    cv::Mat recorded;
    cv::cvtColor(queued.frame, recorded, cv::COLOR_YUV2BGR_YV12);
    EXPECT_TRUE(same(recorded, m_path.lastFrame()));
    const cv::Rect mark(1596 - 140 - 30, 0, 170, 60);
    EXPECT_FALSE(same(m_window.frame()(mark), recorded(mark)));
}
