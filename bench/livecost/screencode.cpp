#include "screencode.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr int kColumns = 34;
constexpr int kRows = 2;
constexpr int kGuardColumns = 2;
constexpr int kBits = 32;
// Cells per side of the plate: columns plus a half-cell border each side.
constexpr double kPlateColumns = kColumns + 1;
constexpr double kPlateRows = kRows + 1;
constexpr int kGuard[kRows][kGuardColumns] = {{1, 0}, {0, 1}};
// A plate is much wider than tall, whatever a view does to its shape.
constexpr int kMinAspect = 4;
constexpr int kMinPlatePixels = 2000;
constexpr int kHalfLuma = 128;

struct ImageFree {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageFree>;

struct Rgb {
    int r;
    int g;
    int b;
};

// Pixels of a 24- or 32-bit TrueColor image.
Rgb pixelAt(XImage* image, int x, int y)
{
    const unsigned long pixel = XGetPixel(image, x, y);
    return {static_cast<int>((pixel & image->red_mask) >> 16),
            static_cast<int>((pixel & image->green_mask) >> 8),
            static_cast<int>(pixel & image->blue_mask)};
}

// The plate's orange (255, 128, 0) after coding and scaling; none of the
// test picture's bars comes near it.
bool orange(const Rgb& c)
{
    return c.r > 200 && c.g > 80 && c.g < 180 && c.b < 90;
}

int luma(const Rgb& c)
{
    return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
}

} // namespace

uint32_t wallClockMillis()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

ScreenCode::ScreenCode(const QString& display)
    : m_display(XOpenDisplay(display.toLocal8Bit().constData()))
{
}

ScreenCode::~ScreenCode()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

bool ScreenCode::locate()
{
    if (m_display == nullptr)
        return false;
    const Window root = DefaultRootWindow(m_display);
    const int width = DisplayWidth(m_display, DefaultScreen(m_display));
    const int height = DisplayHeight(m_display, DefaultScreen(m_display));
    const ImagePtr image(XGetImage(m_display, root, 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), AllPlanes, ZPixmap));
    if (!image)
        return false;
    // The largest orange region, by flood fill.
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mask[static_cast<size_t>(y) * width + x] = orange(pixelAt(image.get(), x, y)) ? 1 : 0;
    Area best;
    int bestPixels = 0;
    std::vector<int> stack;
    for (int start = 0; start < width * height; ++start) {
        if (mask[static_cast<size_t>(start)] != 1)
            continue;
        int pixels = 0;
        int left = width;
        int top = height;
        int right = 0;
        int bottom = 0;
        stack.assign(1, start);
        mask[static_cast<size_t>(start)] = 2;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int x = at % width;
            const int y = at / width;
            ++pixels;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            const std::array<int, 4> next = {x > 0 ? at - 1 : -1, x + 1 < width ? at + 1 : -1,
                                             y > 0 ? at - width : -1,
                                             y + 1 < height ? at + width : -1};
            for (int n : next) {
                if (n >= 0 && mask[static_cast<size_t>(n)] == 1) {
                    mask[static_cast<size_t>(n)] = 2;
                    stack.push_back(n);
                }
            }
        }
        const Area area{left, top, right - left + 1, bottom - top + 1};
        if (pixels > bestPixels && pixels >= kMinPlatePixels &&
            area.width >= kMinAspect * area.height) {
            best = area;
            bestPixels = pixels;
        }
    }
    if (bestPixels == 0)
        return false;
    m_plate = best;
    return read().has_value();
}

std::optional<uint32_t> ScreenCode::read()
{
    if (m_display == nullptr || m_plate.width <= 0)
        return std::nullopt;
    const ImagePtr image(XGetImage(m_display, DefaultRootWindow(m_display), m_plate.x, m_plate.y,
                                   static_cast<unsigned>(m_plate.width),
                                   static_cast<unsigned>(m_plate.height), AllPlanes, ZPixmap));
    if (!image)
        return std::nullopt;
    const double cellWidth = m_plate.width / kPlateColumns;
    const double cellHeight = m_plate.height / kPlateRows;
    // The middle half of a cell: clear of the blur at its edges.
    const int halfX = std::max(1, static_cast<int>(cellWidth / 4));
    const int halfY = std::max(1, static_cast<int>(cellHeight / 4));
    const auto cell = [&](int row, int column) {
        const int cx = static_cast<int>((column + 1) * cellWidth);
        const int cy = static_cast<int>((row + 1) * cellHeight);
        int sum = 0;
        int count = 0;
        for (int y = cy - halfY; y <= cy + halfY; ++y)
            for (int x = cx - halfX; x <= cx + halfX; ++x) {
                sum += luma(pixelAt(image.get(), x, y));
                ++count;
            }
        return sum / count > kHalfLuma ? 1 : 0;
    };
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kGuardColumns; ++column)
            if (cell(row, column) != kGuard[row][column])
                return std::nullopt;
    uint32_t value = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int column = kGuardColumns + bit;
        const int one = cell(0, column);
        // A cell half way between two pictures breaks the inversion.
        if (cell(1, column) == one)
            return std::nullopt;
        value = (value << 1) | static_cast<uint32_t>(one);
    }
    return value;
}
