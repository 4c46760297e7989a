// Encodes recorded frames on a thread of its own, so the GUI thread never
// encodes. Each pump (the 30 ms recording tick) wakes the thread to write the
// frames waiting in the recording queue, oldest first; the queue stays the one
// place where frames wait, with its bound and order. After a stall the writer
// catches up at encoder speed rather than one frame per tick. Each frame goes
// into the file at its arrival time on the recording's clock.
#pragma once

#include "recordingclock.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class FrameQueue;
class Mp4Recorder;

class RecordingWriter {
public:
    RecordingWriter();
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Opens the file (fourcc x,v,i,d, nominal rate fps) for a recording that
    // started at start, and starts the encoding thread, which takes its frames
    // from source (it must outlive the writer). Frames of another size are
    // scaled to frameSize. False with error() on failure.
    bool open(const std::string& path, double fps, cv::Size frameSize, FrameQueue& source,
              RecordingClock::time_point start);
    bool isOpened() const { return m_thread.joinable(); }
    // Wakes the thread to write what waits in the source queue.
    void pump();
    // True once a write failed (disk full, ...): the file is finished up to
    // that point and nothing more is written.
    bool failed() const { return m_failed; }
    std::string error() const;
    // Finishes the frame being encoded and the file, which ends now: its last
    // frame lasts until now. Stops the thread; frames still queued stay in the
    // queue. Safe to call twice.
    void release();
    uint64_t framesWritten() const { return m_written; }

    // Writes one frame taken at `at` on the recording's clock, scaled with
    // area interpolation to the opened size when it differs.
    static bool SaveVideo(Mp4Recorder& recorder, cv::Size size, const cv::Mat& frame,
                          std::chrono::microseconds at);

private:
    void run();
    // One frame from the source: false when the queue is empty or the write
    // failed for good.
    bool writeNext();

    std::unique_ptr<Mp4Recorder> m_recorder;
    cv::Size m_size;
    RecordingClock::time_point m_start;
    FrameQueue* m_source = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pumped = false;
    std::atomic<bool> m_stop{false};
    std::string m_error;
    std::atomic<bool> m_failed{false};
    std::atomic<uint64_t> m_written{0};
    std::thread m_thread;
};
