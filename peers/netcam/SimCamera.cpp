#include "SimCamera.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include <opencv2/imgproc.hpp>

namespace netcam {
namespace {

// Wall texture: kAngles columns around the pipe, one row per depth step.
constexpr int kAngles = 512;
constexpr double kDepthStep = 0.01; // pipe radii per texture row
constexpr int kJointRows = 240;     // pipe section length in rows
constexpr int kSections = 4;        // texture period in sections
constexpr int kPeriodRows = kJointRows * kSections;
constexpr int kMaxDepthRows = 1500;   // deeper than this is dark
constexpr double kFocal = 0.55;       // focal length in frame heights
constexpr double kRowsPerFrame = 1.6; // crawl speed
constexpr double kLightReach = 0.6;   // depth where the light starts to fade
constexpr double kFalloff = 1.6;      // exponent of the fade with depth
constexpr int kCounterScalePx = 360;  // frame height per unit of counter text scale
constexpr double kPi = 3.14159265358979323846;

int WallRows()
{
    return kPeriodRows + kMaxDepthRows + 1;
}

} // namespace

SimCamera::SimCamera(int width, int height) : m_width(width), m_height(height)
{
    buildTexture();
    m_half = buildPlane(width / 2, height / 2);
    m_halfLuma.resize(m_half.texel.size());
}

size_t SimCamera::frameBytes() const
{
    return static_cast<size_t>(m_width) * m_height * 3 / 2;
}

SimCamera::Plane SimCamera::buildPlane(int width, int height) const
{
    Plane plane;
    plane.width = width;
    plane.height = height;
    plane.texel.resize(static_cast<size_t>(width) * height);
    plane.light.resize(plane.texel.size());
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    const double focal = kFocal * height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double r = std::max(std::hypot(dx, dy), 1.0);
            const double depth = focal / r; // pipe radius 1
            const int row = std::min(static_cast<int>(depth / kDepthStep), kMaxDepthRows);
            const double angle = std::atan2(dy, dx) + kPi;
            const int column = static_cast<int>(angle / (2 * kPi) * kAngles) % kAngles;
            const size_t i = static_cast<size_t>(y) * width + x;
            plane.texel[i] = static_cast<uint32_t>(row * kAngles + column);
            const double fade = depth < kLightReach ? 1.0 : std::pow(kLightReach / depth, kFalloff);
            plane.light[i] = row >= kMaxDepthRows ? 0 : static_cast<uint8_t>(255 * fade);
        }
    }
    return plane;
}

void SimCamera::buildTexture()
{
    const size_t count = static_cast<size_t>(WallRows()) * kAngles;
    m_wallLuma.assign(count, 0);
    m_wallU.assign(count, 0);
    m_wallV.assign(count, 0);
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> grain(-10, 10);
    // One period of wall; rows beyond it repeat it so lookups need no modulo.
    cv::Mat luma(kPeriodRows, kAngles, CV_8UC1);
    cv::Mat u(kPeriodRows, kAngles, CV_8UC1, cv::Scalar(122));
    cv::Mat v(kPeriodRows, kAngles, CV_8UC1, cv::Scalar(136));
    for (int row = 0; row < kPeriodRows; ++row) {
        for (int column = 0; column < kAngles; ++column) {
            luma.at<uint8_t>(row, column) = static_cast<uint8_t>(150 + grain(random));
        }
    }
    for (int joint = 0; joint < kSections; ++joint) {
        const int row = joint * kJointRows;
        cv::rectangle(luma, cv::Rect(0, row, kAngles, 12), cv::Scalar(55), cv::FILLED);
        cv::rectangle(luma, cv::Rect(0, row + 12, kAngles, 5), cv::Scalar(215), cv::FILLED);
    }
    std::uniform_int_distribution<int> rowPick(10, kPeriodRows - 40);
    // Deposits settle at the pipe invert (bottom of the picture).
    std::uniform_int_distribution<int> invertPick(kAngles * 5 / 8, kAngles * 7 / 8);
    for (int i = 0; i < 6; ++i) {
        const cv::Point centre(invertPick(random), rowPick(random));
        const cv::Size axes(18 + i * 4, 10 + i * 3);
        cv::ellipse(luma, centre, axes, 0, 0, 360, cv::Scalar(95), cv::FILLED);
        cv::ellipse(u, centre, axes, 0, 0, 360, cv::Scalar(105), cv::FILLED);
        cv::ellipse(v, centre, axes, 0, 0, 360, cv::Scalar(150), cv::FILLED);
    }
    std::uniform_int_distribution<int> anyColumn(0, kAngles - 1);
    std::uniform_int_distribution<int> step(-3, 3);
    for (int i = 0; i < 4; ++i) {
        cv::Point at(anyColumn(random), rowPick(random));
        for (int segment = 0; segment < 12; ++segment) {
            const cv::Point next(at.x + step(random) * 2, at.y + 3);
            cv::line(luma, at, next, cv::Scalar(35), 1);
            at = next;
        }
    }
    for (int row = 0; row < WallRows(); ++row) {
        const int source = row % kPeriodRows;
        std::copy_n(luma.ptr<uint8_t>(source), kAngles, &m_wallLuma[row * kAngles]);
        std::copy_n(u.ptr<uint8_t>(source), kAngles, &m_wallU[row * kAngles]);
        std::copy_n(v.ptr<uint8_t>(source), kAngles, &m_wallV[row * kAngles]);
    }
}

void SimCamera::render(uint64_t index, uint8_t* out)
{
    const auto travel = static_cast<uint32_t>(
        static_cast<uint64_t>(static_cast<double>(index) * kRowsPerFrame) % kPeriodRows);
    // The crawler moves forward: a pixel at a fixed depth sees wall further along.
    const uint32_t shift = travel * kAngles;
    const size_t lumaCount = static_cast<size_t>(m_width) * m_height;
    uint8_t* u = out + lumaCount;
    uint8_t* v = u + m_half.texel.size();
    for (size_t i = 0; i < m_half.texel.size(); ++i) {
        const int light = m_half.light[i];
        const uint32_t t = m_half.texel[i] + shift;
        m_halfLuma[i] = static_cast<uint8_t>((m_wallLuma[t] * light) >> 8);
        u[i] = static_cast<uint8_t>(128 + (((m_wallU[t] - 128) * light) >> 8));
        v[i] = static_cast<uint8_t>(128 + (((m_wallV[t] - 128) * light) >> 8));
    }
    cv::Mat lumaPlane(m_height, m_width, CV_8UC1, out);
    cv::resize(cv::Mat(m_half.height, m_half.width, CV_8UC1, m_halfLuma.data()), lumaPlane,
               lumaPlane.size(), 0, 0, cv::INTER_LINEAR);
    const double scale = std::max(0.4, static_cast<double>(m_height) / kCounterScalePx);
    const int thickness = std::max(1, static_cast<int>(scale));
    cv::putText(lumaPlane, "#" + std::to_string(index), cv::Point(m_height / 40, m_height / 12),
                cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(235), thickness, cv::LINE_AA);
}

} // namespace netcam
