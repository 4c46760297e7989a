#include "snapshot.h"

#include "filenames.h"

#include <QDebug>

#include <opencv2/imgcodecs.hpp>

QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const QDateTime& now)
{
    if (frame.empty()) {
        return {};
    }
    const QString path = filenames::unusedPath(
        filenames::inFolder(folder, filenames::snapshotName(info, distanceText, now)));
    bool written = false;
    try {
        written = cv::imwrite(path.toUtf8().toStdString(), frame);
    } catch (const cv::Exception& e) {
        qDebug() << "SavePicture" << e.what();
    }
    qDebug() << "SavePicture strFullName" << path << written;
    return written ? path : QString();
}
