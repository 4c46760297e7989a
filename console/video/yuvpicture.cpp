#include "yuvpicture.h"

#include "VideoPlanes.h"

#include <QPaintEngine>
#include <QPainter>

#include <libyuv/convert_argb.h>

namespace yuvpicture {

void toRgb32(const cv::Mat& yv12, QSize size, uchar* target, int stride)
{
    // libyuv's ARGB is B, G, R, A in memory: RGB32 on a little-endian machine.
    const VideoPlanes planes = VideoPlanes::FromYv12(yv12);
    libyuv::I420ToARGB(planes.y, planes.yStride, planes.u, planes.uvStride, planes.v,
                       planes.uvStride, target, stride, size.width(), size.height());
}

QImage toImage(const cv::Mat& yv12)
{
    const QSize size(yv12.cols, yv12.rows * 2 / 3);
    QImage image(size, QImage::Format_RGB32);
    toRgb32(yv12, size, image.bits(), static_cast<int>(image.bytesPerLine()));
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
    const QRect area(origin, view);
    const QRegion clip = engine->systemClip();
    if (!target->rect().contains(area) ||
        (!clip.isEmpty() && clip.intersected(area) != QRegion(area)))
        return false;
    const int stride = static_cast<int>(target->bytesPerLine());
    toRgb32(yv12, view, target->bits() + origin.y() * stride + origin.x() * 4, stride);
    return true;
}

} // namespace yuvpicture
