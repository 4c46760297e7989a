// Frames waiting for the recording writer, each with its arrival time:
// filled on the camera thread, emptied by the writer, one lock held only for
// the list operation. The queue is bounded in frames and in bytes, so no
// camera size can take the memory; when full, the oldest frames give way to
// the newest.
#pragma once

#include "recordingclock.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>

struct TimedFrame {
    cv::Mat frame;
    RecordingClock::time_point arrival;
};

class FrameQueue {
public:
    static constexpr size_t kMaxFrames = 101;
    // Frames queue as YUV 4:2:0: fourteen of a 4K camera, 61 (two and a
    // half seconds) of a 1080p one, the whole 101 up to 720p. With the
    // encoder and the frames on their way, a 4K camera and H.264 stay
    // within 600 MB.
    static constexpr size_t kMaxBytes = size_t{160} << 20;

    // The newest frame is always kept, however large.
    explicit FrameQueue(size_t capacity = kMaxFrames, size_t byteCapacity = kMaxBytes);

    void push(const cv::Mat& frame, RecordingClock::time_point arrival);
    // The oldest frame, or false when empty.
    bool pop(TimedFrame& frame);
    void clear();
    // Every waiting frame, oldest first; the queue is empty after.
    std::list<TimedFrame> takeAll();
    size_t size() const;
    // Pixel bytes of the waiting frames.
    size_t bytes() const;
    // Frames given way to the newest since construction.
    uint64_t dropped() const;

private:
    const size_t m_capacity;
    const size_t m_byteCapacity;
    mutable std::mutex m_mutex;
    std::list<TimedFrame> m_frames;
    size_t m_bytes = 0;
    uint64_t m_dropped = 0;
};
