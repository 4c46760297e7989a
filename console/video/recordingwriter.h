// Writes one recording on a thread of its own, so the GUI thread never
// encodes or waits for the disk. Each pump (the 30 ms recording tick) wakes
// the thread to write the frames waiting in the recording queue, oldest
// first; the queue stays the one place where frames wait, with its bound and
// order. After a stall the writer catches up at encoder speed rather than one
// frame per tick. Each frame goes into the file at its arrival time on the
// recording's clock; the status records received meanwhile go to the
// telemetry file beside it and, one cue a second, to the file's subtitles.
// Frames the encoder cannot take in time give way in the queue (its oldest
// first), so the file keeps real time; the log counts them.
// Closing takes over the frames still waiting and writes them before the
// file ends, without holding up the caller.
#pragma once

#include "Mp4Recorder.h"
#include "framequeue.h"
#include "inspectionrecord.h"
#include "recordingclock.h"

#include <QString>

#include <opencv2/core.hpp>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TelemetrySidecar;

class RecordingWriter {
public:
    struct File {
        std::string videoPath;
        QString telemetryPath; // empty: no telemetry file
        int fourcc = 0;        // as Mp4Recorder::open
        double fps = 0;        // nominal rate
        cv::Size size;         // frames of another size are scaled to it
        Mp4Recorder::Options options;
    };
    // Frames still waiting at the close are written for at most this long;
    // the rest are dropped and logged.
    static constexpr std::chrono::seconds kCloseWithin{10};
    // Telemetry rows reach the system this often; a crash loses no more.
    static constexpr std::chrono::milliseconds kFlushEvery{250};
    // ... and the disk this often: a power loss loses no more.
    static constexpr std::chrono::seconds kSyncEvery{1};
    static constexpr std::chrono::seconds kCueLength{1};
    // Records waiting for the thread at most; only a writer stuck for a
    // minute meets it, and the oldest then give way.
    static constexpr size_t kMaxWaitingRecords = 1200;
    // Frames dropped from the queue are logged at most this often.
    static constexpr std::chrono::seconds kDropLogEvery{10};

    RecordingWriter();
    // Closes now if still open, and waits for the file.
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Opens the file for a recording that started at start and starts the
    // thread, which takes its frames from source until the close (source must
    // outlive that). False with error() on failure; only once per writer.
    bool open(const File& file, FrameQueue& source, RecordingClock::time_point start);
    // Open and not yet closing.
    bool isOpened() const;
    // Wakes the thread to write what waits in the source queue.
    void pump();
    // Any thread: a status record for the telemetry file and the subtitles;
    // ignored once closing.
    void addTelemetry(const TelemetrySample& sample);
    // True once a write failed (disk full, ...): the file is finished up to
    // that point and nothing more is written.
    bool failed() const { return m_failed; }
    std::string error() const;
    // Ends the recording at `end`: the frames waiting in the source are taken
    // over (the source is free for the next recording at once) and written,
    // then the file is finished. Returns at once; `closed` runs on the thread
    // when the files are complete. Only the first call counts.
    void close(RecordingClock::time_point end, std::function<void()> closed = {});
    // The files are complete (or were never opened).
    bool isClosed() const { return m_closed; }
    // close(now) and wait for the files.
    void release();
    uint64_t framesWritten() const { return m_written; }
    const std::string& videoPath() const { return m_videoPath; }
    // The size of the video in the file (Mp4Recorder::storedSize), set by open.
    cv::Size storedSize() const { return m_storedSize; }

    // Writes one frame taken at `at` on the recording's clock: a YV12 picture
    // of the opened size as it is, a BGR frame fitted to the opened size when
    // it differs (framefit.h).
    static bool SaveVideo(Mp4Recorder& recorder, cv::Size size, const cv::Mat& frame,
                          std::chrono::microseconds at);

private:
    void run();
    // One waiting frame: false when none is left, the close's time is up, or
    // the write failed for good.
    bool writeNext();
    // The subtitle cues of the seconds that start before `until`.
    void writeCues(std::chrono::microseconds until);
    // Waiting records into the telemetry file; flush and sync when due.
    void serviceTelemetry();
    // Logs the frames the queue dropped since the open, when there are new
    // ones and kDropLogEvery has passed.
    void noteDrops();
    void finishFiles();
    void recordFailure();
    std::chrono::microseconds sinceStart(RecordingClock::time_point at) const;

    Mp4Recorder m_recorder;
    std::unique_ptr<TelemetrySidecar> m_sidecar;
    cv::Size m_size;
    cv::Size m_storedSize;
    RecordingClock::time_point m_start;
    FrameQueue* m_source = nullptr;
    bool m_subtitles = false;
    std::chrono::microseconds m_nextCue{0};
    RecordingClock::time_point m_lastFlush;
    RecordingClock::time_point m_lastSync;
    std::string m_videoPath;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pumped = false;
    bool m_accepting = false; // open and not yet closing
    bool m_closing = false;
    RecordingClock::time_point m_end;
    RecordingClock::time_point m_closeDeadline;
    std::list<TimedFrame> m_backlog; // taken over at the close
    std::vector<TelemetrySample> m_records;
    uint64_t m_recordsDropped = 0;
    // The queue's drop count at the open, and the frames it dropped for this
    // recording until the close.
    uint64_t m_queueDropsAtOpen = 0;
    uint64_t m_queueDrops = 0;
    uint64_t m_queueDropsLogged = 0;          // writer thread
    RecordingClock::time_point m_lastDropLog; // writer thread
    std::function<void()> m_onClosed;
    std::string m_error;

    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_closed{true};
    std::atomic<uint64_t> m_written{0};
    std::thread m_thread;
};
