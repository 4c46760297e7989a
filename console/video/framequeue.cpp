#include "framequeue.h"

#include <algorithm>

namespace {

size_t pixelBytes(const cv::Mat& frame)
{
    return frame.total() * frame.elemSize();
}

} // namespace

FrameQueue::FrameQueue(size_t capacity, size_t byteCapacity)
    : m_capacity(std::max<size_t>(capacity, 1)), m_byteCapacity(byteCapacity)
{
}

void FrameQueue::push(const cv::Mat& frame, RecordingClock::time_point arrival)
{
    std::list<TimedFrame> dropped; // released outside the lock
    const size_t bytes = pixelBytes(frame);
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_frames.empty() &&
           (m_frames.size() >= m_capacity || m_bytes + bytes > m_byteCapacity)) {
        m_bytes -= pixelBytes(m_frames.front().frame);
        dropped.splice(dropped.end(), m_frames, m_frames.begin());
        ++m_dropped;
    }
    m_frames.push_back({frame, arrival});
    m_bytes += bytes;
}

bool FrameQueue::pop(TimedFrame& frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_frames.empty()) {
        return false;
    }
    frame = std::move(m_frames.front());
    m_frames.pop_front();
    m_bytes -= pixelBytes(frame.frame);
    return true;
}

void FrameQueue::clear()
{
    takeAll();
}

std::list<TimedFrame> FrameQueue::takeAll()
{
    std::list<TimedFrame> all;
    std::lock_guard<std::mutex> lock(m_mutex);
    all.swap(m_frames);
    m_bytes = 0;
    return all;
}

size_t FrameQueue::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames.size();
}

size_t FrameQueue::bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

uint64_t FrameQueue::dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}
