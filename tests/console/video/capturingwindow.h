// A view as a test sees it: the frames shown, copied, the newest last (the
// last kKept of them), and how many.
#pragma once

#include "IVideoWindow.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <mutex>
#include <vector>

class CapturingWindow : public IVideoWindow {
public:
    static constexpr size_t kKept = 16;

    void ShowFrame(const cv::Mat& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_frames.size() == kKept) {
            m_frames.erase(m_frames.begin());
        }
        m_frames.push_back(frame.clone());
        ++m_shown;
    }
    std::vector<cv::Mat> frames() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }
    // The last frame shown, empty before any.
    cv::Mat frame() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.empty() ? cv::Mat() : m_frames.back();
    }
    int shown() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shown;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<cv::Mat> m_frames;
    int m_shown = 0;
};
