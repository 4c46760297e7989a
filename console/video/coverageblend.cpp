#include "coverageblend.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kFull = 255;

// One channel of the text colour. Whole colours in 0..255 (the usual case)
// blend in exact integer arithmetic; others fall back to doubles.
class ChannelColour {
public:
    explicit ChannelColour(double value)
        : m_value(value), m_whole(value >= 0 && value <= kFull && std::floor(value) == value),
          m_int(m_whole ? static_cast<int>(value) : 0)
    {
    }

    uint8_t blend(int cover, int pixel) const
    {
        if (m_whole) {
            // Exact: the quotient is truncated once, not rounded twice as
            // a = cover / 255.0 would be (white over white stays 255).
            return static_cast<uint8_t>((cover * m_int + (kFull - cover) * pixel) / kFull);
        }
        const double v = (cover * m_value + (kFull - cover) * pixel) / kFull;
        if (!(v > 0)) {
            return 0;
        }
        return v >= kFull ? kFull : static_cast<uint8_t>(v);
    }

private:
    double m_value;
    bool m_whole;
    int m_int;
};

template <int Channels>
void blendRows(cv::Mat& dst, const TextCoverage& coverage, cv::Point origin, cv::Rect visible,
               const ChannelColour* colours)
{
    for (int y = visible.y; y < visible.y + visible.height; ++y) {
        uint8_t* target = dst.ptr<uint8_t>(origin.y + y);
        const uint8_t* cover = coverage.row(y);
        for (auto run = coverage.runsBegin(y); run != coverage.runsEnd(y); ++run) {
            const int begin = std::max(run->begin, visible.x);
            const int end = std::min(run->end, visible.x + visible.width);
            for (int x = begin; x < end; ++x) {
                uint8_t* pixel = target + static_cast<ptrdiff_t>(origin.x + x) * Channels;
                for (int c = 0; c < Channels; ++c) {
                    pixel[c] = colours[c].blend(cover[x], pixel[c]);
                }
            }
        }
    }
}

int64_t halfDown(int64_t value)
{
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

} // namespace

void blendCoverage(cv::Mat& dst, const TextCoverage& coverage, cv::Point origin,
                   const cv::Scalar& colour)
{
    const int64_t left = origin.x;
    const int64_t top = origin.y;
    if (left > dst.cols || top > dst.rows) {
        return;
    }
    if (left + coverage.width() < 0 || top + coverage.height() < 0) {
        return;
    }
    // Block columns and rows that land inside the frame.
    const int64_t skipX = std::max<int64_t>(0, -left);
    const int64_t skipY = std::max<int64_t>(0, -top);
    const int64_t endX = std::min<int64_t>(coverage.width(), dst.cols - left);
    const int64_t endY = std::min<int64_t>(coverage.height(), dst.rows - top);
    if (skipX >= endX || skipY >= endY) {
        return;
    }
    const cv::Rect visible(static_cast<int>(skipX), static_cast<int>(skipY),
                           static_cast<int>(endX - skipX), static_cast<int>(endY - skipY));
    const ChannelColour colours[3] = {ChannelColour(colour[0]), ChannelColour(colour[1]),
                                      ChannelColour(colour[2])};
    if (dst.channels() == 1) {
        blendRows<1>(dst, coverage, origin, visible, colours);
    } else {
        blendRows<3>(dst, coverage, origin, visible, colours);
    }
}

void blendCoverageHalf(cv::Mat& plane, const TextCoverage& coverage, cv::Point origin, double value)
{
    if (coverage.width() <= 0 || coverage.height() <= 0) {
        return;
    }
    const int64_t left = origin.x;
    const int64_t top = origin.y;
    const int64_t firstX = std::max<int64_t>(0, halfDown(left));
    const int64_t lastX = std::min<int64_t>(plane.cols - 1, halfDown(left + coverage.width() - 1));
    const int64_t firstY = std::max<int64_t>(0, halfDown(top));
    const int64_t lastY = std::min<int64_t>(plane.rows - 1, halfDown(top + coverage.height() - 1));
    if (firstX > lastX || firstY > lastY) {
        return;
    }
    const ChannelColour colour(value);
    std::vector<int> sums(static_cast<size_t>(lastX - firstX + 1));
    for (int64_t y = firstY; y <= lastY; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int64_t lumaY = 2 * y; lumaY <= 2 * y + 1; ++lumaY) {
            const int64_t blockY = lumaY - top;
            if (blockY < 0 || blockY >= coverage.height()) {
                continue;
            }
            const uint8_t* cover = coverage.row(static_cast<int>(blockY));
            for (auto run = coverage.runsBegin(static_cast<int>(blockY));
                 run != coverage.runsEnd(static_cast<int>(blockY)); ++run) {
                for (int x = run->begin; x < run->end; ++x) {
                    const int64_t chromaX = halfDown(left + x);
                    if (chromaX >= firstX && chromaX <= lastX) {
                        sums[static_cast<size_t>(chromaX - firstX)] += cover[x];
                    }
                }
            }
        }
        uint8_t* target = plane.ptr<uint8_t>(static_cast<int>(y));
        for (size_t i = 0; i < sums.size(); ++i) {
            if (sums[i] != 0) {
                uint8_t& pixel = target[firstX + static_cast<int64_t>(i)];
                pixel = colour.blend((sums[i] + 2) / 4, pixel);
            }
        }
    }
}
