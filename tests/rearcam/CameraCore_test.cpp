#include "CameraCore.h"
#include "VideoFileTestSupport.h"
#include "mediaprobe.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr int kWidth = 8;
constexpr int kHeight = 6;

// A YV12 frame of one colour: Y plane, then V, then U.
std::vector<char> SolidYv12(uint8_t y, uint8_t u, uint8_t v)
{
    constexpr size_t kLuma = kWidth * kHeight;
    constexpr size_t kChroma = kLuma / 4;
    // Sized once: growing it by insert trips GCC 12's -Warray-bounds at -O3.
    std::vector<char> frame(kLuma + 2 * kChroma, static_cast<char>(v));
    std::fill_n(frame.begin(), kLuma, static_cast<char>(y));
    std::fill_n(frame.begin() + kLuma + kChroma, kChroma, static_cast<char>(u));
    return frame;
}

FRAME_INFO Info(int32_t type)
{
    FRAME_INFO info{};
    info.nWidth = kWidth;
    info.nHeight = kHeight;
    info.nType = type;
    return info;
}

class CameraCoreDecode : public ::testing::Test {
protected:
    CameraCore m_core{[this](cv::Mat frame) {
                          m_frames.push_back(frame);
                          return 0;
                      },
                      CameraCore::FailedLogin::KeepSdk};
    std::vector<cv::Mat> m_frames;
};

} // namespace

TEST_F(CameraCoreDecode, Yv12BecomesBgrOfTheFrameSize)
{
    const auto red = SolidYv12(81, 90, 240);
    m_core.OnDecodedFrame(red.data(), static_cast<int32_t>(red.size()), Info(T_YV12));
    ASSERT_EQ(m_frames.size(), 1u);
    const cv::Mat& frame = m_frames.front();
    EXPECT_EQ(frame.type(), CV_8UC3);
    EXPECT_EQ(frame.size(), cv::Size(kWidth, kHeight));
    const cv::Vec3b pixel = frame.at<cv::Vec3b>(3, 4);
    EXPECT_LT(pixel[0], 20);  // blue
    EXPECT_LT(pixel[1], 20);  // green
    EXPECT_GT(pixel[2], 230); // red
    EXPECT_EQ(m_core.lastFrameSize(), cv::Size(kWidth, kHeight));
}

TEST_F(CameraCoreDecode, OtherFrameTypesReachNoHostButStillPrintTheTime)
{
    const auto frame = SolidYv12(16, 128, 128);
    testing::internal::CaptureStdout();
    m_core.OnDecodedFrame(frame.data(), static_cast<int32_t>(frame.size()), Info(T_YV12 + 1));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(m_frames.empty());
    EXPECT_EQ(out.rfind("time=", 0), 0u) << out;
    EXPECT_NE(out.find("ms\n"), std::string::npos) << out;
    EXPECT_EQ(m_core.lastFrameSize(), cv::Size(0, 0));
}

TEST_F(CameraCoreDecode, BufferShorterThanItsFrameIsDropped)
{
    const auto frame = SolidYv12(16, 128, 128);
    m_core.OnDecodedFrame(frame.data(), static_cast<int32_t>(frame.size() - 1), Info(T_YV12));
    m_core.OnDecodedFrame(nullptr, 0, Info(T_YV12));
    EXPECT_TRUE(m_frames.empty());
}

TEST_F(CameraCoreDecode, RecordingThatCannotStartIsNotReportedAsRunning)
{
    m_core.StartOrStopRecord(); // no frame yet: no size to record at
    EXPECT_FALSE(m_core.isRecording());
    const auto frame = SolidYv12(16, 128, 128);
    m_core.OnDecodedFrame(frame.data(), static_cast<int32_t>(frame.size()), Info(T_YV12));
    m_core.SetSaveDir("/nonexistent-folder-for-camera-tests/");
    m_core.SetSaveDir("");
    m_core.StartOrStopRecord(); // the folder kept above cannot be written
    EXPECT_FALSE(m_core.isRecording());
}

TEST_F(CameraCoreDecode, RecordingPlaysInRealTimeWhateverTheFramesRate)
{
    const auto frame = SolidYv12(16, 128, 128);
    m_core.OnDecodedFrame(frame.data(), static_cast<int32_t>(frame.size()), Info(T_YV12));
    TempDir dir("camcore");
    m_core.SetSaveDir(dir.folder());
    // Half the file's nominal 25 fps, for two seconds.
    const auto start = std::chrono::steady_clock::now();
    m_core.StartOrStopRecord();
    ASSERT_TRUE(m_core.isRecording());
    for (int i = 0; i < 25; ++i) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(80 * i));
        m_core.SaveFrame(m_frames.front());
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(2));
    m_core.StartOrStopRecord();
    const double ran =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(dir.files().size(), 1u);
    EXPECT_NEAR(probedDuration(dir.folder() + dir.files().front()), ran, 0.1);
}
