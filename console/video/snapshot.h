// JPEG snapshots of the last processed frame into the save folder.
#pragma once

#include "projectinfo.h"

#include <QDateTime>
#include <QString>

#include <opencv2/core.hpp>

// Writes frame as <folder>location-start-end-<distance>M-time.jpg with the
// default JPEG settings. Returns the path written, or an empty text when the
// frame is empty (nothing before the first frame) or the write failed. A
// failed write leaves no file behind and gives error, when asked for, a text
// for the operator: the reason on its first line, the file name on the second.
QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const QDateTime& now, QString* error = nullptr);
