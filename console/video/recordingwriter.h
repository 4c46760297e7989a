// Encodes recorded frames on a thread of its own, so the GUI thread only hands
// frames over. It holds at most one frame: the recording queue stays the one
// place where frames wait, with its bound and order.
#pragma once

#include <opencv2/core.hpp>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class Mp4Recorder;

class RecordingWriter {
public:
    RecordingWriter();
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Opens the file (fourcc x,v,i,d) and starts the encoding thread. Frames
    // of another size are scaled to frameSize. False with error() on failure.
    bool open(const std::string& path, double fps, cv::Size frameSize);
    bool isOpened() const { return m_thread.joinable(); }
    // Takes the frame when the previous one is encoded; false when busy,
    // closed or failed (the caller keeps the frame for the next try).
    bool offer(const cv::Mat& frame);
    // offer() would take a frame now.
    bool ready() const;
    // True once a write failed (disk full, ...): the file is finished up to
    // that point and nothing more is written.
    bool failed() const { return m_failed; }
    std::string error() const;
    // Encodes the frame still handed over, finishes the file, stops the
    // thread. Safe to call twice.
    void release();
    uint64_t framesWritten() const { return m_written; }

    // Writes one frame, scaled with area interpolation to the opened size
    // when it differs.
    static bool SaveVideo(Mp4Recorder& recorder, cv::Size size, const cv::Mat& frame);

private:
    void run();
    bool acceptsLocked() const;

    std::unique_ptr<Mp4Recorder> m_recorder;
    cv::Size m_size;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    cv::Mat m_pending;
    bool m_busy = false;
    bool m_stop = false;
    std::string m_error;
    std::atomic<bool> m_failed{false};
    std::atomic<uint64_t> m_written{0};
    std::thread m_thread;
};
