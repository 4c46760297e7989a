// The picture a view shows while its camera gives none: the no-video picture
// (black without one) at the view's frame size, with status lines, such as
// "视频信号中断 00:00:12" and why the camera is not logged in, centred in
// white across its lower part.
#pragma once

#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

cv::Mat noVideoPicture(const cv::Mat& base, cv::Size size, const QStringList& lines);
