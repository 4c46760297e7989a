#include "framefit.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

cv::Mat fitInto(const cv::Mat& frame, cv::Size size)
{
    if (frame.size() == size || frame.empty() || size.area() <= 0)
        return frame;
    const double scale = std::min(static_cast<double>(size.width) / frame.cols,
                                  static_cast<double>(size.height) / frame.rows);
    const cv::Size scaled(
        std::clamp(static_cast<int>(std::lround(frame.cols * scale)), 1, size.width),
        std::clamp(static_cast<int>(std::lround(frame.rows * scale)), 1, size.height));
    cv::Mat fitted(size, frame.type(), cv::Scalar::all(0));
    const cv::Rect place((size.width - scaled.width) / 2, (size.height - scaled.height) / 2,
                         scaled.width, scaled.height);
    cv::resize(frame, fitted(place), scaled, 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    return fitted;
}
