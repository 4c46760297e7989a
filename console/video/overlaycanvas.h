// What the overlay draws on: an 8-bit BGR (or grey) frame, or the three
// planes of a YUV 4:2:0 picture, so a picture on its way to the view is
// drawn on before it is ever converted to BGR.
#pragma once

#include "VideoPlanes.h"
#include "textcoverage.h"

#include <opencv2/core.hpp>

class OverlayCanvas {
public:
    // A BGR or grey frame; every existing frame caller passes one as it is.
    OverlayCanvas(cv::Mat& frame); // NOLINT(google-explicit-constructor)
    // A contiguous YV12 picture: height * 3 / 2 rows of its width (even).
    static OverlayCanvas yv12(cv::Mat& picture);

    // The picture's size in pixels (luma pixels for YUV).
    int rows() const { return m_yuv ? m_y.rows : m_frame.rows; }
    int cols() const { return m_yuv ? m_y.cols : m_frame.cols; }

    // The BGR or grey frame; null for a YUV picture.
    const cv::Mat* frame() const { return m_yuv ? nullptr : &m_frame; }

    // Blends the text block with its top-left corner at origin in the BGR
    // colour; YUV pictures get the colour converted as their decoder
    // converts back (BT.601, video range).
    void blend(const TextCoverage& coverage, cv::Point origin, const cv::Scalar& colour) const;

    // A filled, anti-aliased disc in the BGR colour.
    void disc(cv::Point centre, int radius, const cv::Scalar& colour) const;

private:
    OverlayCanvas() = default;

    bool m_yuv = false;
    cv::Mat m_frame; // BGR or grey
    cv::Mat m_y;
    cv::Mat m_u;
    cv::Mat m_v;
};
