// What the large view (or a recorded frame) shows: the no-video picture or
// live video. For the console tests with cameras.
#pragma once

#include "CameraErrors.h"
#include "GuiWait.h"
#include "PictureLookup.h"
#include "cameralogins.h"
#include "novideopicture.h"
#include "videolabel.h"

#include <QImage>
#include <QRect>
#include <QStringList>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

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

// Mean difference per channel between the view's picture and the no-video
// picture with the given lines, as the view shows it (scaled to its size).
inline double differenceFromNoVideo(const QImage& picture, const QStringList& lines)
{
    const cv::Mat placeholder = cv::imread(PictureLookup::path("video.png").toStdString());
    const cv::Mat drawn = noVideoPicture(placeholder, placeholder.size(), lines);
    cv::Mat scaled;
    cv::resize(drawn, scaled, cv::Size(picture.width(), picture.height()), 0, 0, cv::INTER_LINEAR);
    cv::cvtColor(scaled, scaled, cv::COLOR_BGR2RGB);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const cv::Mat shown(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar*>(rgb.bits()),
                        static_cast<size_t>(rgb.bytesPerLine()));
    cv::Mat difference;
    cv::absdiff(shown, scaled, difference);
    const cv::Scalar mean = cv::mean(difference);
    return (mean[0] + mean[1] + mean[2]) / 3.0;
}

// Of the reasons a login can fail for, the one the view's picture shows.
inline uint32_t shownReason(const QImage& picture)
{
    uint32_t best = NET_DVR_NOERROR;
    double closest = 255;
    for (uint32_t error :
         {NET_DVR_PASSWORD_ERROR, NET_DVR_PARAMETER_ERROR, NET_DVR_NETWORK_RECV_TIMEOUT,
          NET_DVR_NETWORK_FAIL_CONNECT, kLoginErrorUnknown}) {
        const double difference = differenceFromNoVideo(picture, {loginFailureText(error)});
        if (difference < closest) {
            closest = difference;
            best = error;
        }
    }
    return best;
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
