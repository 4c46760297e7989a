// Recording of the processed picture (F1). The camera thread queues frames
// (FramePath); every 30 ms the GUI thread wakes the writer thread, which
// encodes the queued frames in order, so encoding never blocks the event
// loop. The project header is drawn for the first seconds of a recording.
// A recording's clock (recordingclock.h) starts at the press that opened its
// file; frames, status records and snapshots are placed on it. Each recording
// carries its record: the project and start time as MP4 tags, the status
// records as a telemetry file beside it and as subtitles inside it.
#pragma once

#include "guitasks.h"
#include "inspectionrecord.h"
#include "recordingclock.h"

#include <QObject>
#include <QString>

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class FramePath;
class Overlay;
class QTimer;
class RecordingWriter;
struct SnapshotRecord;

class Recording : public QObject {
    Q_OBJECT

public:
    static constexpr int kWriteTickMs = 30;
    static constexpr int kHeaderPhaseMs = 10000;
    using FolderSource = std::function<QString()>;

    // saveFolder gives the current save folder ("" or ending in "/").
    // headerPhaseMs is shortened only by tests and benchmarks.
    Recording(FramePath& framePath, const Overlay& overlay, FolderSource saveFolder,
              QObject* parent = nullptr, int headerPhaseMs = kHeaderPhaseMs);
    // Finishes every file still being written; at most
    // RecordingWriter::kCloseWithin for the frames still waiting.
    ~Recording() override;

    // The record action: stops a running recording or starts one. Returns
    // the new state; a start that fails reports its reason by recordingMessage.
    bool recordAction();
    // Starts (true) or stops (false) the file; see recordAction.
    bool StartOrStopSaveVideo();

    bool isRecording() const;
    // A stopped recording's file is still being finished (its last frames
    // written) or its end not yet reported; the key is free meanwhile and a
    // new recording may start.
    bool isClosing() const;
    // When the current (or last) recording started, on the recording clock,
    // and how far into it the given moment lies.
    RecordingClock::time_point startTime() const { return m_startTime; }
    RecordingClock::duration elapsed(RecordingClock::time_point at) const
    {
        return at - m_startTime;
    }
    // The file of the current or last recording, with ".mp4".
    QString videoPath() const { return m_videoPath; }
    uint64_t framesWritten() const;

    // Any thread (the link's): a status record received now. It goes to the
    // running recording's telemetry, and is the newest a snapshot carries.
    void receiveStatus(const LinkStatusRecord& record);
    // GUI thread: what a snapshot taken at wallTime records besides its
    // picture: the newest status record and the running recording.
    SnapshotRecord snapshotRecord(const QDateTime& wallTime) const;

signals:
    // For the record key's look.
    void recordingChanged(bool recording);
    // A short text for the operator: why a recording did not start or
    // stopped, or that its pictures are stored smaller than the camera's.
    void recordingMessage(const QString& message);

public slots:
    void SaveMatInfoFromQueue();

private:
    bool start();
    void stop();
    void fail(const QString& message);
    // Pictures stored smaller than they come (a size beyond the codec) are
    // logged at every start and told on screen once for each size.
    void announceStoredSize(cv::Size frames, cv::Size stored);
    // A file's failure as the operator sees it: what, the reason, the file.
    void failFile(const QString& what, const QString& reason, const QString& path);
    // GUI thread: the writer's files are complete; an older writer goes.
    void closed(RecordingWriter* writer);

    FramePath& m_framePath;
    const Overlay& m_overlay;
    FolderSource m_saveFolder;
    // Where the writers' threads report their closing; outlives the writers.
    GuiTasks m_guiTasks;
    // The current (or last) recording's writer, and earlier ones still closing.
    std::unique_ptr<RecordingWriter> m_writer;
    std::vector<std::unique_ptr<RecordingWriter>> m_closing;
    // m_writer is stopped and closed() has not run for it yet: a new
    // recording keeps it in m_closing until then, as closed() reads it.
    bool m_bClosedDue = false;
    QTimer* m_pTimer;
    QTimer* m_pTimerSave;
    QString m_videoPath;
    RecordingClock::time_point m_startTime;
    std::pair<cv::Size, cv::Size> m_announced; // frame and stored size last told

    // Shared with the link thread.
    mutable std::mutex m_statusMutex;
    std::optional<TelemetrySample> m_latestStatus;
    RecordingWriter* m_telemetryTo = nullptr; // the running recording's writer
};
