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
    // The same for a YV12 picture held in a matrix of height * 3 / 2 rows.
    static VideoPlanes FromYv12(const cv::Mat& buffer)
    {
        return FromYv12(buffer.data, buffer.cols, buffer.rows * 2 / 3);
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

    // Each plane as a matrix over the caller's pixels (written only by
    // those who own them).
    cv::Mat yPlane() const { return plane(y, width, height, yStride); }
    cv::Mat uPlane() const { return plane(u, width / 2, height / 2, uvStride); }
    cv::Mat vPlane() const { return plane(v, width / 2, height / 2, uvStride); }

    // Whether the planes already lie as one contiguous YV12 buffer.
    bool isYv12Buffer() const
    {
        const VideoPlanes packed = FromYv12(y, width, height);
        return yStride == packed.yStride && uvStride == packed.uvStride && u == packed.u &&
               v == packed.v;
    }
    // That buffer as one matrix of height * 3 / 2 rows; for isYv12Buffer only.
    cv::Mat yv12Buffer() const { return plane(y, width, height * 3 / 2, width); }

    // The picture as one contiguous YV12 buffer (height * 3 / 2 rows).
    void copyToYv12(cv::Mat& out) const
    {
        out.create(height * 3 / 2, width, CV_8UC1);
        const VideoPlanes target = FromYv12(out);
        yPlane().copyTo(target.yPlane());
        uPlane().copyTo(target.uPlane());
        vPlane().copyTo(target.vPlane());
    }

    // The picture as an 8-bit BGR frame of its own.
    cv::Mat toBgr() const
    {
        cv::Mat yv12 = isYv12Buffer() ? yv12Buffer() : cv::Mat();
        if (yv12.empty()) {
            copyToYv12(yv12);
        }
        cv::Mat bgr;
        cv::cvtColor(yv12, bgr, cv::COLOR_YUV2BGR_YV12);
        return bgr;
    }

private:
    static cv::Mat plane(const uint8_t* data, int columns, int rows, int stride)
    {
        return cv::Mat(rows, columns, CV_8UC1, const_cast<uint8_t*>(data),
                       static_cast<size_t>(stride));
    }
};
