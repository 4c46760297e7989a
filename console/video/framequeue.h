// Frames waiting for the recording writer, each with its arrival time:
// filled on the camera thread, emptied by the writer, one lock held only for
// the list operation. When full, the oldest frame gives way to the newest.
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

    explicit FrameQueue(size_t capacity = kMaxFrames);

    void push(const cv::Mat& frame, RecordingClock::time_point arrival);
    // The oldest frame, or false when empty.
    bool pop(TimedFrame& frame);
    void clear();
    // Every waiting frame, oldest first; the queue is empty after.
    std::list<TimedFrame> takeAll();
    size_t size() const;
    // Frames given way to the newest since construction.
    uint64_t dropped() const;

private:
    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::list<TimedFrame> m_frames;
    uint64_t m_dropped = 0;
};
