// JPEG snapshots of the last processed frame into the save folder, each with
// its record: one line of JSON in a comment segment.
#pragma once

#include "inspectionrecord.h"
#include "projectinfo.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <opencv2/core.hpp>

#include <deque>
#include <mutex>
#include <optional>

// What a snapshot records besides its picture and the project.
struct SnapshotRecord {
    QDateTime time;
    // The newest status record, its distance the one shown at `time`; none
    // before the first record.
    std::optional<TelemetrySample> status;
    QString recordingFile; // the running recording's file name; empty: none
    double recordingOffsetS = 0;
};

// Writes frame as <folder>location-start-end-<distance>M-time.jpg with the
// default JPEG settings, named for record.time, its record in a comment
// segment (a record too long for one segment is left out and logged). Returns
// the path written, or an empty text when the frame is empty (nothing before
// the first frame) or the write failed. A failed write leaves no file behind
// and gives error, when asked for, a text for the operator: the reason on its
// first line, the file name on the second.
QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const SnapshotRecord& record,
                    QString* error = nullptr);

// Writes snapshots one after another on a thread of its own, so the GUI
// thread never waits for the encoder or the disk.
class SnapshotWriter : public QObject {
    Q_OBJECT

public:
    explicit SnapshotWriter(QObject* parent = nullptr);
    // Waits for the snapshots still being written.
    ~SnapshotWriter() override;

    // SavePicture of the frame, after the snapshots taken before it. The
    // frame is shared, never drawn into again.
    void take(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
              const QString& distanceText, const SnapshotRecord& record);

signals:
    // A snapshot could not be written: the reason and the file name.
    void failed(const QString& message);

private:
    struct Job {
        cv::Mat frame;
        QString folder;
        ProjectInfo info;
        QString distanceText;
        SnapshotRecord record;
    };
    // The pool's thread: writes the oldest snapshot waiting.
    void writeOldest();

    // The snapshots pass under this lock, which the thread sanitizer sees
    // (the pool hands its work over under Qt's own).
    std::mutex m_mutex;
    std::deque<Job> m_jobs;
    QThreadPool m_pool;
};
