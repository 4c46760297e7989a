// JPEG snapshots of the last processed frame into the save folder.
#pragma once

#include "projectinfo.h"

#include <QDateTime>
#include <QString>

#include <opencv2/core.hpp>

// Writes frame as <folder>location-start-end-<distance>M-time.jpg with the
// default JPEG settings. Returns the path written, or an empty text when the
// frame is empty (nothing before the first frame) or the write failed.
QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const QDateTime& now);
