#include "overlaycanvas.h"

#include "coverageblend.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {

struct YuvColour {
    double y;
    double u;
    double v;
};

// The inverse of the decoder's YV12 to BGR conversion, rounded to whole
// values so the blend stays in exact integer arithmetic.
YuvColour toYuv(const cv::Scalar& bgr)
{
    const double b = bgr[0];
    const double g = bgr[1];
    const double r = bgr[2];
    return {std::round(16 + 0.257 * r + 0.504 * g + 0.098 * b),
            std::round(128 - 0.148 * r - 0.291 * g + 0.439 * b),
            std::round(128 + 0.439 * r - 0.368 * g - 0.071 * b)};
}

} // namespace

OverlayCanvas::OverlayCanvas(cv::Mat& frame) : m_frame(frame)
{
}

OverlayCanvas OverlayCanvas::yv12(cv::Mat& picture)
{
    OverlayCanvas canvas;
    canvas.m_yuv = true;
    const VideoPlanes planes = VideoPlanes::FromYv12(picture);
    canvas.m_y = planes.yPlane();
    canvas.m_u = planes.uPlane();
    canvas.m_v = planes.vPlane();
    return canvas;
}

void OverlayCanvas::blend(const TextCoverage& coverage, cv::Point origin,
                          const cv::Scalar& colour) const
{
    if (!m_yuv) {
        cv::Mat frame = m_frame;
        blendCoverage(frame, coverage, origin, colour);
        return;
    }
    const YuvColour yuv = toYuv(colour);
    cv::Mat y = m_y;
    cv::Mat u = m_u;
    cv::Mat v = m_v;
    blendCoverage(y, coverage, origin, cv::Scalar(yuv.y));
    blendCoverageHalf(u, coverage, origin, yuv.u);
    blendCoverageHalf(v, coverage, origin, yuv.v);
}

void OverlayCanvas::disc(cv::Point centre, int radius, const cv::Scalar& colour) const
{
    if (!m_yuv) {
        cv::Mat frame = m_frame;
        cv::circle(frame, centre, radius, colour, cv::FILLED, cv::LINE_AA);
        return;
    }
    const YuvColour yuv = toYuv(colour);
    cv::Mat y = m_y;
    cv::Mat u = m_u;
    cv::Mat v = m_v;
    cv::circle(y, centre, radius, cv::Scalar(yuv.y), cv::FILLED, cv::LINE_AA);
    const cv::Point half(centre.x / 2, centre.y / 2);
    cv::circle(u, half, radius / 2, cv::Scalar(yuv.u), cv::FILLED, cv::LINE_AA);
    cv::circle(v, half, radius / 2, cv::Scalar(yuv.v), cv::FILLED, cv::LINE_AA);
}
