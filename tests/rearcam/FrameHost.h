// A camera library host that keeps what GetMatImage delivers.
#pragma once

#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include <opencv2/core.hpp>

template <typename Msg> class FrameHost : public Msg {
public:
    int GetMatImageQueue(std::deque<cv::Mat>) override { return 0; }

    int GetMatImage(cv::Mat frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_frames;
        m_last = frame;
        m_sizes.insert({frame.cols, frame.rows});
        m_types.insert(frame.type());
        m_threads.insert(std::this_thread::get_id());
        return 0;
    }

    int frames() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }
    cv::Mat last() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_last;
    }
    std::set<std::pair<int, int>> sizes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sizes;
    }
    std::set<int> types() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_types;
    }
    std::set<std::thread::id> threads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }
    void reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames = 0;
        m_sizes.clear();
    }

private:
    mutable std::mutex m_mutex;
    int m_frames = 0;
    cv::Mat m_last;
    std::set<std::pair<int, int>> m_sizes;
    std::set<int> m_types;
    std::set<std::thread::id> m_threads;
};
