// What the views show without a picture: the loss of either camera, the
// picture that takes the lost frames' place (once a second, into a running
// recording), the camera roles after a swap and the reasons of failed logins.
#include "videosignals.h"

#include "CameraErrors.h"
#include "cameralogins.h"
#include "capturingwindow.h"
#include "framepath.h"
#include "guiapp.h"
#include "overlay.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using namespace std::chrono_literals;
using Clock = VideoSignals::Clock;

bool same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0;
}

class VideoSignalsTest : public ::testing::Test {
protected:
    void SetUp() override { ensureGuiApp(); }

    // A frame of the processed camera, small enough to be shown uncropped.
    void processedFrame()
    {
        m_signals.processedFrameArrived();
        m_path.GetMatImage(cv::Mat(kFrame, CV_8UC3, cv::Scalar(10, 200, 10)));
    }

    static constexpr int kWidth = 300;
    const cv::Size kFrame{kWidth, 200};
    Overlay m_overlay;
    CapturingWindow m_mainView;
    CapturingWindow m_backView;
    FramePath m_path{m_overlay, &m_mainView};
    const cv::Mat m_placeholder = cv::Mat(180, 320, CV_8UC3, cv::Scalar(90, 60, 30));
    std::atomic<bool> m_swapped{false};
    VideoSignals m_signals{m_path, m_backView, m_placeholder, [this] { return m_swapped.load(); }};
};

TEST_F(VideoSignalsTest, NoVideoShowsBlackSquaresThenThePlaceholder)
{
    m_signals.showNoVideo();
    ASSERT_EQ(m_backView.shown(), 1);
    EXPECT_EQ(m_backView.frame().size(), cv::Size(400, 400));
    EXPECT_EQ(cv::countNonZero(m_backView.frame().reshape(1)), 0);
    const auto main = m_mainView.frames();
    ASSERT_EQ(main.size(), 2u);
    EXPECT_EQ(cv::countNonZero(main[0].reshape(1)), 0);
    EXPECT_TRUE(same(main[1], m_placeholder));
}

TEST_F(VideoSignalsTest, LostProcessedCameraShowsItsTimeOnceASecondAlsoInTheRecording)
{
    processedFrame();
    const auto start = Clock::now();
    m_path.startRecording(start);
    const int shown = m_mainView.shown();
    m_signals.check(start + 1300ms);
    EXPECT_EQ(m_mainView.shown(), shown);
    EXPECT_FALSE(m_signals.isLost(CameraLogins::kMain));

    m_signals.check(start + 1600ms);
    EXPECT_TRUE(m_signals.isLost(CameraLogins::kMain));
    EXPECT_EQ(m_mainView.shown(), shown + 1);
    const cv::Mat first = m_path.lastFrame();
    EXPECT_EQ(first.size(), kFrame);
    EXPECT_EQ(m_path.frameQueue().size(), 1u);
    m_signals.check(start + 1900ms); // the same second since the loss
    EXPECT_EQ(m_mainView.shown(), shown + 1);
    m_signals.check(start + 2600ms);
    EXPECT_EQ(m_mainView.shown(), shown + 2);
    EXPECT_EQ(m_path.frameQueue().size(), 2u);
    EXPECT_FALSE(same(m_path.lastFrame(), first)); // its time moved on
    EXPECT_EQ(m_backView.shown(), 0);

    // The next frame ends the loss; no picture stands in for it any more.
    processedFrame();
    m_signals.check(start + 2700ms);
    EXPECT_FALSE(m_signals.isLost(CameraLogins::kMain));
    const int live = m_mainView.shown();
    m_signals.check(start + 3000ms);
    EXPECT_EQ(m_mainView.shown(), live);
}

TEST_F(VideoSignalsTest, LostWindowCameraShowsItInTheSmallViewAtItsFrameSize)
{
    const cv::Mat frame(120, 160, CV_8UC3, cv::Scalar(1, 2, 3));
    m_signals.windowView()->ShowFrame(frame);
    ASSERT_EQ(m_backView.shown(), 1);
    EXPECT_TRUE(same(m_backView.frame(), frame));
    m_signals.check(Clock::now() + 1600ms);
    EXPECT_TRUE(m_signals.isLost(CameraLogins::kBack));
    EXPECT_FALSE(m_signals.isLost(CameraLogins::kMain));
    ASSERT_EQ(m_backView.shown(), 2);
    EXPECT_EQ(m_backView.frame().size(), frame.size());
    EXPECT_FALSE(same(m_backView.frame(), frame));
    EXPECT_EQ(m_mainView.shown(), 0);
}

TEST_F(VideoSignalsTest, FramesSkippedWhileTheSmallViewIsOffCountAsItsCamerasFrames)
{
    m_signals.windowView()->FrameSkipped();
    EXPECT_EQ(m_backView.shown(), 0);
    // Only a camera that has sent a picture can lose it.
    m_signals.check(Clock::now() + 1600ms);
    EXPECT_TRUE(m_signals.isLost(CameraLogins::kBack));
}

TEST_F(VideoSignalsTest, AfterASwapEachViewWatchesTheCameraItShows)
{
    m_swapped = true;
    processedFrame(); // the back camera's frame, in the large view
    m_signals.check(Clock::now() + 1600ms);
    EXPECT_TRUE(m_signals.isLost(CameraLogins::kBack));
    EXPECT_FALSE(m_signals.isLost(CameraLogins::kMain));
    EXPECT_EQ(m_backView.shown(), 0);
}

TEST_F(VideoSignalsTest, FailedLoginShowsItsReasonInItsCamerasView)
{
    m_signals.loginResult(CameraLogins::kMain, NET_DVR_PASSWORD_ERROR);
    m_signals.loginResult(CameraLogins::kBack, NET_DVR_NETWORK_RECV_TIMEOUT);
    m_signals.loginResult(CameraLogins::kMain, NET_DVR_NOERROR); // logged in: nothing to show
    QCoreApplication::processEvents(); // the reports come from the login threads
    ASSERT_EQ(m_mainView.shown(), 1);
    const cv::Mat main = m_mainView.frame();
    EXPECT_EQ(main.size(), m_placeholder.size());
    EXPECT_FALSE(same(main, m_placeholder)); // the reason is written on it
    ASSERT_EQ(m_backView.shown(), 1);
    EXPECT_EQ(m_backView.frame().size(), cv::Size(400, 400));
    EXPECT_GT(cv::countNonZero(m_backView.frame().reshape(1)), 0);
}

} // namespace
