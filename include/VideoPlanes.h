// A decoded picture as it leaves the decoder: YUV 4:2:0 in three planes
// (BT.601, video range, as the YV12 frames of the decode callback). The
// planes belong to the caller and are valid only during the call that hands
// them over. Width and height are even.
#pragma once

#include <cstdint>

#include <opencv2/core/mat.hpp>
#include <opencv2/imgproc.hpp>

struct VideoPlanes {
    const uint8_t* y = nullptr;
    const uint8_t* u = nullptr;
    const uint8_t* v = nullptr;
    int yStride = 0;
    int uvStride = 0;
    int width = 0;
    int height = 0;

    bool valid() const
    {
        return y != nullptr && u != nullptr && v != nullptr && width > 0 && height > 0 &&
               width % 2 == 0 && height % 2 == 0 && yStride >= width && uvStride >= width / 2;
    }

    // The planes of a contiguous YV12 buffer (Y, then V, then U).
    static VideoPlanes FromYv12(const uint8_t* buffer, int width, int height)
    {
        VideoPlanes planes;
        planes.y = buffer;
        planes.v = buffer + static_cast<ptrdiff_t>(width) * height;
        planes.u = planes.v + static_cast<ptrdiff_t>(width / 2) * (height / 2);
        planes.yStride = width;
        planes.uvStride = width / 2;
        planes.width = width;
        planes.height = height;
        return planes;
    }

    // The part from column left (even), width columns wide.
    VideoPlanes columns(int left, int columnCount) const
    {
        VideoPlanes part = *this;
        part.y += left;
        part.u += left / 2;
        part.v += left / 2;
        part.width = columnCount;
        return part;
    }

    // The picture as one contiguous YV12 buffer (height * 3 / 2 rows).
    void copyToYv12(cv::Mat& out) const
    {
        out.create(height * 3 / 2, width, CV_8UC1);
        cv::Mat(height, width, CV_8UC1, const_cast<uint8_t*>(y), static_cast<size_t>(yStride))
            .copyTo(out.rowRange(0, height));
        const int half = width / 2;
        cv::Mat vOut(height / 2, half, CV_8UC1, out.ptr(height), static_cast<size_t>(half));
        cv::Mat uOut(height / 2, half, CV_8UC1,
                     vOut.data + static_cast<ptrdiff_t>(half) * (height / 2),
                     static_cast<size_t>(half));
        cv::Mat(height / 2, half, CV_8UC1, const_cast<uint8_t*>(v), static_cast<size_t>(uvStride))
            .copyTo(vOut);
        cv::Mat(height / 2, half, CV_8UC1, const_cast<uint8_t*>(u), static_cast<size_t>(uvStride))
            .copyTo(uOut);
    }

    // The picture as an 8-bit BGR frame of its own.
    cv::Mat toBgr() const
    {
        cv::Mat yv12;
        copyToYv12(yv12);
        cv::Mat bgr;
        cv::cvtColor(yv12, bgr, cv::COLOR_YUV2BGR_YV12);
        return bgr;
    }
};
