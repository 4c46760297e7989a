#include "snapshot.h"

#include "consolelog.h"
#include "filenames.h"
#include "savedpicture.h"
#include "signalstack.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <opencv2/core.hpp>

namespace {

QByteArray recordJson(const SnapshotRecord& record, const ProjectInfo& info)
{
    savedpicture::Record saved;
    saved.time = record.time;
    if (record.status) {
        saved.distanceM = record.status->distanceM;
        saved.cableM = record.status->cableM;
        saved.rollDeg = record.status->rollDeg;
        saved.pitchDeg = record.status->pitchDeg;
        saved.headingDeg = record.status->headingDeg;
    }
    for (const auto& [key, value] : projectFields(info))
        saved.project.insert(key, value);
    saved.recordingFile = record.recordingFile;
    saved.recordingOffsetS = record.recordingOffsetS;
    return savedpicture::recordJson(saved);
}

// The encoded picture into a new file, published whole: it is written under
// a temporary name in its folder and renamed, never over a file already there.
// It is created with the process's file mode, as recordings are, so
// whoever may read the folder may read the picture. False with reason when it
// could not be written whole, in which case nothing is left of it.
bool writeNewFile(const QString& path, const QByteArray& bytes, QString& reason)
{
    QFile part;
    if (!savedpicture::writeHidden(part, QFileInfo(path).dir(), QStringLiteral("snapshot"), bytes,
                                   &reason))
        return false;
    if (part.rename(path))
        return true;
    reason = part.errorString();
    part.remove();
    return false;
}

} // namespace

QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const SnapshotRecord& record, QString* error)
{
    if (frame.empty()) {
        return {};
    }
    const QString path = filenames::unusedPath(
        filenames::inFolder(folder, filenames::snapshotName(info, distanceText, record.time)));
    QString reason;
    bool written = false;
    try {
        // Qt's codec over the frame's own rows (no copy of a 4K frame): the
        // console does not load OpenCV's image codecs.
        const QImage picture(frame.data, frame.cols, frame.rows, static_cast<int>(frame.step),
                             QImage::Format_BGR888);
        const QByteArray jpeg = savedpicture::encodeJpeg(picture);
        if (!jpeg.isEmpty()) {
            QByteArray bytes = savedpicture::withComment(jpeg, recordJson(record, info));
            if (bytes.isEmpty()) {
                const std::wstring name = QFileInfo(path).fileName().toStdWString();
                MORAVEL_LOG(L"[Moravel] SavePicture record too long for the picture [%s]",
                            name.c_str());
                bytes = jpeg;
            }
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
        *error = filenames::failureMessage(
            QCoreApplication::translate("SavePicture", "无法保存抓图"), reason, path);
    }
    return {};
}

SnapshotWriter::SnapshotWriter(QObject* parent) : QObject(parent)
{
    // One at a time: names are chosen in the order the snapshots were taken.
    m_pool.setMaxThreadCount(1);
}

SnapshotWriter::~SnapshotWriter()
{
    m_pool.waitForDone();
    // After the pool thread's last use of the jobs.
    std::lock_guard<std::mutex> lock(m_mutex);
}

void SnapshotWriter::take(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                          const QString& distanceText, const SnapshotRecord& record)
{
    if (frame.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(Job{frame, folder, info, distanceText, record});
    }
    m_pool.start([this] { writeOldest(); });
}

void SnapshotWriter::writeOldest()
{
    crash::guardThisThread();
    Job job;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        job = std::move(m_jobs.front());
        m_jobs.pop_front();
    }
    QString error;
    SavePicture(job.frame, job.folder, job.info, job.distanceText, job.record, &error);
    if (!error.isEmpty())
        emit failed(error);
}
