#include "coverageblend.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TextCoverage makeCoverage(int width, int height, const std::function<uint8_t(int, int)>& value)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(value(x, y));
        }
    }
    return TextCoverage(width, height, pixels);
}

// Every coverage value appears, none is 0, neighbours differ.
uint8_t distinctCover(int x, int y)
{
    return static_cast<uint8_t>(1 + (x * 7 + y * 13) % 255);
}

cv::Mat randomFrame(cv::Size size, int type, uint64_t seed)
{
    cv::Mat frame(size, type);
    cv::RNG rng(seed);
    rng.fill(frame, cv::RNG::UNIFORM, 0, 256);
    return frame;
}

// The blended value v satisfies 255 v <= cover C + (255 - cover) D < 255 (v + 1).
bool isTruncatedBlend(int v, int cover, int colour, int pixel)
{
    const int scaled = cover * colour + (255 - cover) * pixel;
    return 255 * v <= scaled && scaled < 255 * (v + 1);
}

} // namespace

TEST(CoverageBlend, threeChannelsFollowTheTruncatedBlend)
{
    const TextCoverage coverage = makeCoverage(256, 4, [](int x, int) { return x; });
    cv::Mat frame = randomFrame(cv::Size(256, 4), CV_8UC3, 11);
    const cv::Mat before = frame.clone();
    const cv::Scalar colour(17, 200, 255, 99);
    blendCoverage(frame, coverage, cv::Point(0, 0), colour);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 256; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int v = frame.at<cv::Vec3b>(y, x)[c];
                ASSERT_TRUE(isTruncatedBlend(v, x, static_cast<int>(colour[c]),
                                             before.at<cv::Vec3b>(y, x)[c]))
                    << "cover " << x << " channel " << c << " gave " << v;
            }
        }
    }
}

TEST(CoverageBlend, whiteOverWhiteStaysWhiteAtEveryCoverage)
{
    const TextCoverage coverage = makeCoverage(256, 2, [](int x, int) { return x; });
    cv::Mat frame(2, 256, CV_8UC3, cv::Scalar::all(255));
    blendCoverage(frame, coverage, cv::Point(0, 0), cv::Scalar(255, 255, 255));
    EXPECT_EQ(cv::countNonZero(frame.reshape(1) != 255), 0);
}

TEST(CoverageBlend, colourOutsideByteRangeIsTruncatedAndClamped)
{
    const TextCoverage coverage = makeCoverage(3, 1, [](int x, int) {
        return x == 0 ? 255 : x == 1 ? 128 : 0;
    });
    cv::Mat frame(1, 3, CV_8UC3, cv::Scalar(10, 255, 90));
    blendCoverage(frame, coverage, cv::Point(0, 0), cv::Scalar(-20, 300, 12.7));
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 255, 12)); // full cover: clamped colour
    // Half cover: -20 over 10 is below 0, 300 over 255 above 255, 12.7 over 90 is 51.2...
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 1), cv::Vec3b(0, 255, 51));
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 2), cv::Vec3b(10, 255, 90)); // no cover: unchanged
}

TEST(CoverageBlend, zeroCoverageLeavesEveryPixelUnchanged)
{
    const TextCoverage coverage =
        makeCoverage(40, 20, [](int x, int y) { return (x / 5 + y / 5) % 2 == 0 ? 0 : 200; });
    const TextCoverage empty = makeCoverage(40, 20, [](int, int) { return 0; });
    cv::Mat frame = randomFrame(cv::Size(60, 30), CV_8UC3, 5);
    const cv::Mat before = frame.clone();
    blendCoverage(frame, empty, cv::Point(3, 4), cv::Scalar(0, 0, 255));
    EXPECT_EQ(cv::norm(frame, before, cv::NORM_INF), 0);

    blendCoverage(frame, coverage, cv::Point(3, 4), cv::Scalar(0, 0, 255));
    for (int y = 0; y < frame.rows; ++y) {
        for (int x = 0; x < frame.cols; ++x) {
            const bool inside = x >= 3 && x < 43 && y >= 4 && y < 24;
            if (!inside || coverage.row(y - 4)[x - 3] == 0) {
                ASSERT_EQ(frame.at<cv::Vec3b>(y, x), before.at<cv::Vec3b>(y, x)) << x << "," << y;
            }
        }
    }
}

TEST(CoverageBlend, oneChannelFrameUsesFirstColourComponent)
{
    const TextCoverage coverage = makeCoverage(256, 1, [](int x, int) { return x; });
    cv::Mat frame(1, 256, CV_8UC1, cv::Scalar(100));
    blendCoverage(frame, coverage, cv::Point(0, 0), cv::Scalar(200, 0, 0));
    EXPECT_EQ(frame.at<uint8_t>(0, 255), 200);
    EXPECT_EQ(frame.at<uint8_t>(0, 0), 100);
    for (int x = 0; x < 256; ++x) {
        ASSERT_TRUE(isTruncatedBlend(frame.at<uint8_t>(0, x), x, 200, 100)) << "cover " << x;
    }
}

// White over black reproduces the coverage, so every frame pixel tells which
// block pixel landed on it. The frame is a region of a larger picture whose
// border must stay untouched.
TEST(CoverageBlend, clippedBlockKeepsItsAlignmentAndTouchesNothingOutside)
{
    const int width = 23;
    const int height = 11;
    const TextCoverage coverage = makeCoverage(width, height, distinctCover);
    constexpr int kBorder = 8;
    constexpr uint8_t kSentinel = 0; // the colour of an untouched frame pixel
    const cv::Size frameSize(50, 30);
    const cv::Point origins[] = {
        {5, 4},   {-7, 3},  {4, -6}, {-22, -10}, // inside, left, top, corner
        {40, 25}, {45, 2},  {3, 28}, {49, 29},   // right, bottom, last pixel
        {-5, 25}, {40, -3}, {0, 0},  {50, 30},   // mixed, origin at the far corner
    };
    for (const cv::Point& origin : origins) {
        cv::Mat picture(frameSize.height + 2 * kBorder, frameSize.width + 2 * kBorder, CV_8UC3,
                        cv::Scalar::all(77));
        cv::Mat frame = picture(cv::Rect(cv::Point(kBorder, kBorder), frameSize));
        frame.setTo(cv::Scalar::all(kSentinel));
        blendCoverage(frame, coverage, origin, cv::Scalar(255, 255, 255));
        for (int y = 0; y < picture.rows; ++y) {
            for (int x = 0; x < picture.cols; ++x) {
                const int fx = x - kBorder;
                const int fy = y - kBorder;
                const bool inFrame =
                    fx >= 0 && fy >= 0 && fx < frameSize.width && fy < frameSize.height;
                const int bx = fx - origin.x;
                const int by = fy - origin.y;
                const bool inBlock = bx >= 0 && by >= 0 && bx < width && by < height;
                const uint8_t expected = !inFrame  ? 77
                                         : inBlock ? distinctCover(bx, by)
                                                   : kSentinel;
                ASSERT_EQ(picture.at<cv::Vec3b>(y, x), cv::Vec3b::all(expected))
                    << "origin " << origin << " at frame pixel " << fx << "," << fy;
            }
        }
    }
}

TEST(CoverageBlend, blockWhollyOutsideLeavesFrameUnchanged)
{
    const TextCoverage coverage = makeCoverage(10, 6, [](int, int) { return 255; });
    const cv::Mat before = randomFrame(cv::Size(30, 20), CV_8UC3, 3);
    const cv::Point origins[] = {
        {31, 0},  {0, 21}, {-11, 0},           {0, -7},           {30, 5}, {5, 20},
        {-10, 0}, {0, -6}, {INT32_MIN / 2, 0}, {0, INT32_MAX / 2}};
    for (const cv::Point& origin : origins) {
        cv::Mat frame = before.clone();
        blendCoverage(frame, coverage, origin, cv::Scalar(0, 0, 255));
        EXPECT_EQ(cv::norm(frame, before, cv::NORM_INF), 0) << "origin " << origin;
    }
}
