#include "recordindicator.h"

#include "FontFaces.h"
#include "guiapp.h"
#include "overlay.h"
#include "puttext.h"

#include <gtest/gtest.h>

namespace {

using Clock = RecordIndicator::Clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

const cv::Scalar kGreen(0, 255, 0, 0);
const cv::Scalar kRed(0, 0, 255, 0);

class RecordIndicatorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ensureGuiApp();
        installFontSubstitutions();
    }

    // Colour of the dot's centre after drawing at t0 + offset.
    cv::Vec3b drawAt(Clock::duration offset)
    {
        cv::Mat frame(720, 1280, CV_8UC3, cv::Scalar(0, 0, 0));
        m_indicator.draw(frame, m_t0 + offset, m_overlay);
        // left = 1280 - 140, top = 51 / 4 = 12; centre (left - 20, top + 10)
        return frame.at<cv::Vec3b>(22, 1120);
    }

    Overlay m_overlay;
    RecordIndicator m_indicator;
    Clock::time_point m_t0 = Clock::now();
};

TEST_F(RecordIndicatorTest, DotTurnsRedAndGreenOncePerSecond)
{
    m_indicator.start(m_t0);
    EXPECT_EQ(drawAt(milliseconds(0)), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(drawAt(milliseconds(999)), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(drawAt(milliseconds(1000)), cv::Vec3b(0, 0, 255));
    EXPECT_TRUE(m_indicator.isRed());
    EXPECT_EQ(drawAt(milliseconds(1500)), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(drawAt(milliseconds(2000)), cv::Vec3b(0, 255, 0));
    EXPECT_FALSE(m_indicator.isRed());
}

TEST_F(RecordIndicatorTest, ColourCarriesOverToTheNextRecording)
{
    m_indicator.start(m_t0);
    drawAt(seconds(1));
    EXPECT_EQ(m_indicator.color(), kRed);
    m_indicator.start(m_t0 + seconds(5));
    EXPECT_EQ(drawAt(seconds(5)), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(drawAt(seconds(6)), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(m_indicator.color(), kGreen);
}

TEST_F(RecordIndicatorTest, TextCountsFromZeroAndWrapsAfterADay)
{
    EXPECT_EQ(RecordIndicator::text(milliseconds(0)), "REC 00:00:00");
    EXPECT_EQ(RecordIndicator::text(milliseconds(999)), "REC 00:00:00");
    EXPECT_EQ(RecordIndicator::text(seconds(3725)), "REC 01:02:05");
    EXPECT_EQ(RecordIndicator::text(seconds(25 * 3600 + 1)), "REC 01:00:01");
}

TEST_F(RecordIndicatorTest, TextIsDrawnAtTheTopRight)
{
    m_indicator.start(m_t0);
    cv::Mat frame(720, 1280, CV_8UC3, cv::Scalar(0, 0, 0));
    m_indicator.draw(frame, m_t0 + seconds(3), m_overlay);
    cv::Mat expected(720, 1280, CV_8UC3, cv::Scalar(0, 0, 0));
    putTextZH(expected, "REC 00:00:03", {1140, 12}, cv::Scalar(255, 255, 255), 20, "");
    const cv::Rect text(1140, 0, 140, 720);
    EXPECT_EQ(cv::norm(frame(text), expected(text), cv::NORM_INF), 0);
    EXPECT_GT(cv::countNonZero(expected(text).reshape(1)), 0);
    // Nothing outside the dot and the text.
    EXPECT_EQ(cv::countNonZero(frame(cv::Rect(0, 0, 1100, 720)).reshape(1)), 0);
}

} // namespace
