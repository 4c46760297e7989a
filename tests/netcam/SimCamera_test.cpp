#include "SimCamera.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

using netcam::SimCamera;

namespace {
cv::Mat Luma(SimCamera& camera, uint64_t index, std::vector<uint8_t>& storage)
{
    storage.resize(camera.frameBytes());
    camera.render(index, storage.data());
    return cv::Mat(camera.height(), camera.width(), CV_8UC1, storage.data());
}
} // namespace

TEST(SimCamera, FrameIsPlanarYuv420OfTheSize)
{
    SimCamera camera(320, 240);
    EXPECT_EQ(camera.frameBytes(), 320u * 240u * 3u / 2u);
}

TEST(SimCamera, PipeEndIsDarkAndWallIsLit)
{
    SimCamera camera(640, 480);
    std::vector<uint8_t> storage;
    const cv::Mat luma = Luma(camera, 10, storage);
    const double centre = cv::mean(luma(cv::Rect(300, 220, 40, 40)))[0];
    const double wall = cv::mean(luma(cv::Rect(0, 200, 60, 80)))[0];
    EXPECT_LT(centre, 20.0);
    EXPECT_GT(wall, 60.0);
}

TEST(SimCamera, SceneMovesFromFrameToFrame)
{
    SimCamera camera(320, 240);
    std::vector<uint8_t> a;
    std::vector<uint8_t> b;
    const cv::Mat first = Luma(camera, 100, a).clone();
    const cv::Mat later = Luma(camera, 110, b);
    // Leave out the frame counter: the wall itself must change.
    const cv::Rect wall(0, 60, 320, 180);
    EXPECT_GT(cv::norm(first(wall), later(wall), cv::NORM_L1) / wall.area(), 1.0);
    std::vector<uint8_t> again;
    EXPECT_EQ(cv::norm(first, Luma(camera, 100, again), cv::NORM_INF), 0.0);
}
