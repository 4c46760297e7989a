#include "snapshot.h"

#include "filenames.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <opencv2/imgcodecs.hpp>

#include <vector>

namespace {

// The encoded picture into a new file; false with reason when it could not
// be written whole, in which case nothing is left of it.
bool writeNewFile(const QString& path, const std::vector<uchar>& bytes, QString& reason)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        reason = file.errorString();
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(reinterpret_cast<const char*>(bytes.data()), size) == size && file.flush()) {
        return true;
    }
    reason = file.errorString();
    file.remove();
    return false;
}

} // namespace

QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const QDateTime& now, QString* error)
{
    if (frame.empty()) {
        return {};
    }
    const QString path = filenames::unusedPath(
        filenames::inFolder(folder, filenames::snapshotName(info, distanceText, now)));
    std::vector<uchar> bytes;
    QString reason;
    bool written = false;
    try {
        if (cv::imencode(".jpg", frame, bytes)) {
            written = writeNewFile(path, bytes, reason);
        } else {
            reason = QCoreApplication::translate("SavePicture", "JPEG 编码失败");
        }
    } catch (const cv::Exception& e) {
        reason = QString::fromUtf8(e.what());
    }
    qDebug() << "SavePicture strFullName" << path << written;
    if (written) {
        return path;
    }
    if (error != nullptr) {
        *error = QCoreApplication::translate("SavePicture", "无法保存抓图：%1\n%2")
                     .arg(reason, QFileInfo(path).fileName());
    }
    return {};
}
