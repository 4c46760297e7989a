#include "framequeue.h"

#include <algorithm>

FrameQueue::FrameQueue(size_t capacity) : m_capacity(std::max<size_t>(capacity, 1))
{
}

void FrameQueue::push(const cv::Mat& frame, RecordingClock::time_point arrival)
{
    std::list<TimedFrame> dropped; // released outside the lock
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_frames.size() >= m_capacity) {
        dropped.splice(dropped.end(), m_frames, m_frames.begin());
        ++m_dropped;
    }
    m_frames.push_back({frame, arrival});
}

bool FrameQueue::pop(TimedFrame& frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_frames.empty()) {
        return false;
    }
    frame = std::move(m_frames.front());
    m_frames.pop_front();
    return true;
}

void FrameQueue::clear()
{
    std::list<TimedFrame> discarded;
    std::lock_guard<std::mutex> lock(m_mutex);
    discarded.swap(m_frames);
}

std::list<TimedFrame> FrameQueue::takeAll()
{
    std::list<TimedFrame> all;
    std::lock_guard<std::mutex> lock(m_mutex);
    all.swap(m_frames);
    return all;
}

size_t FrameQueue::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames.size();
}

uint64_t FrameQueue::dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}
