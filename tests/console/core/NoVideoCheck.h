// What the large view (or a recorded frame) shows: the no-video picture or
// live video. For the console tests with cameras.
#pragma once

#include "GuiWait.h"
#include "PictureLookup.h"
#include "videolabel.h"

#include <QImage>
#include <QRect>

#include <cstdlib>

namespace coretest {

// Mean difference per channel between the picture and the placeholder file
// scaled to the picture's size, within region (the whole picture if empty).
inline double differenceFromPlaceholder(const QImage& picture, QRect region = QRect())
{
    const QImage expected =
        QImage(PictureLookup::path("video.png"))
            .convertToFormat(QImage::Format_RGB888)
            .scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (picture.isNull() || expected.isNull())
        return 255;
    if (region.isEmpty())
        region = picture.rect();
    double sum = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb a = picture.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
        }
    return sum / (3.0 * region.width() * region.height());
}

// The large view shows the no-video picture: its middle (clear of the
// overlay's texts) is the placeholder's.
inline bool showsNoVideo(const QImage& picture)
{
    if (picture.isNull())
        return false;
    const QRect middle(picture.width() / 4, picture.height() / 4, picture.width() / 2,
                       picture.height() / 3);
    return differenceFromPlaceholder(picture, middle) < 12.0;
}

// Live video in the view: a picture that is not the no-video one and keeps changing.
inline bool showsLiveVideo(const VideoLabel* view)
{
    QImage last;
    int changes = 0;
    return guiwait::waitUntil([&] {
        const QImage now = view->picture();
        if (now.isNull() || showsNoVideo(now))
            return false;
        changes += !last.isNull() && now != last;
        last = now;
        return changes >= 2;
    });
}

} // namespace coretest
