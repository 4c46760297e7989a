#include "yuvpicture.h"

#include "VideoPlanes.h"

#include <QPaintEngine>
#include <QPainter>

#include <libyuv/convert_argb.h>

#include <cstring>

namespace yuvpicture {
namespace {

// Converts part of the picture, from an even column and row, to RGB32 at
// target. libyuv's ARGB is B, G, R, A in memory: RGB32 on a little-endian
// machine.
void convert(const VideoPlanes& planes, const QRect& part, uchar* target, int stride)
{
    const int x = part.x();
    const int y = part.y();
    const ptrdiff_t chroma = static_cast<ptrdiff_t>(y / 2) * planes.uvStride + x / 2;
    libyuv::I420ToARGB(planes.y + static_cast<ptrdiff_t>(y) * planes.yStride + x, planes.yStride,
                       planes.u + chroma, planes.uvStride, planes.v + chroma, planes.uvStride,
                       target, stride, part.width(), part.height());
}

// Any part: one that starts on an odd column or row is converted from the
// even one before it, whose chroma it shares, through a scratch picture.
void convertPart(const VideoPlanes& planes, const QRect& part, uchar* target, int stride)
{
    const int dx = part.x() & 1;
    const int dy = part.y() & 1;
    if (dx == 0 && dy == 0) {
        convert(planes, part, target, stride);
        return;
    }
    const QRect even(part.x() - dx, part.y() - dy, part.width() + dx, part.height() + dy);
    QImage scratch(even.size(), QImage::Format_RGB32);
    convert(planes, even, scratch.bits(), static_cast<int>(scratch.bytesPerLine()));
    for (int row = 0; row < part.height(); ++row) {
        std::memcpy(target + static_cast<ptrdiff_t>(row) * stride,
                    scratch.constScanLine(row + dy) + dx * 4,
                    static_cast<size_t>(part.width()) * 4);
    }
}

} // namespace

QImage toImage(const cv::Mat& yv12)
{
    const QSize size(yv12.cols, yv12.rows * 2 / 3);
    QImage image(size, QImage::Format_RGB32);
    convert(VideoPlanes::FromYv12(yv12), QRect(QPoint(), size), image.bits(),
            static_cast<int>(image.bytesPerLine()));
    return image;
}

bool paintInPlace(QPainter& painter, QSize view, const cv::Mat& yv12)
{
    if (yv12.cols < view.width() || yv12.rows * 2 / 3 < view.height())
        return false;
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image)
        return false;
    auto* target = static_cast<QImage*>(device);
    if ((target->format() != QImage::Format_RGB32 &&
         target->format() != QImage::Format_ARGB32_Premultiplied) ||
        target->devicePixelRatioF() != 1.0 || painter.hasClipping())
        return false;
    const QTransform transform = painter.deviceTransform();
    const QPoint origin(static_cast<int>(transform.dx()), static_cast<int>(transform.dy()));
    if (transform.type() > QTransform::TxTranslate || origin.x() != transform.dx() ||
        origin.y() != transform.dy())
        return false;
    // Only where the widget is to be painted: not under a sibling above it.
    const QRegion clip = engine->systemClip();
    const QRegion area = QRegion(QRect(origin, view)).intersected(target->rect());
    const VideoPlanes planes = VideoPlanes::FromYv12(yv12);
    const int stride = static_cast<int>(target->bytesPerLine());
    for (const QRect& part : clip.isEmpty() ? area : clip.intersected(area)) {
        convertPart(planes, part.translated(-origin),
                    target->bits() + static_cast<ptrdiff_t>(part.y()) * stride + part.x() * 4,
                    stride);
    }
    return true;
}

} // namespace yuvpicture
