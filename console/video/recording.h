// Recording of the processed picture (F1). The camera thread queues frames
// (FramePath); every 30 ms the GUI thread wakes the writer thread, which
// encodes the queued frames in order, so encoding never blocks the event
// loop. The project header is drawn for the first seconds of a recording.
// A recording's clock (recordingclock.h) starts at the press that opened its
// file; frames, and whatever else a recording records, are placed on it.
#pragma once

#include "recordingclock.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class FramePath;
class Overlay;
class QTimer;
class RecordingWriter;

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
    ~Recording() override;

    // The record action: stops a running recording or starts one. Returns
    // the new state; a start that fails reports its reason by recordingMessage.
    bool recordAction();
    // Starts (true) or stops (false) the file; see recordAction.
    bool StartOrStopSaveVideo();

    bool isRecording() const;
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

signals:
    // For the record key's look.
    void recordingChanged(bool recording);
    // A short text for the operator: why a recording did not start or stopped.
    void recordingMessage(const QString& message);

public slots:
    void SaveMatInfoFromQueue();

private:
    bool start();
    void stop();
    void fail(const QString& message);

    FramePath& m_framePath;
    const Overlay& m_overlay;
    FolderSource m_saveFolder;
    std::unique_ptr<RecordingWriter> m_writer;
    QTimer* m_pTimer;
    QTimer* m_pTimerSave;
    QString m_videoPath;
    RecordingClock::time_point m_startTime;
};
