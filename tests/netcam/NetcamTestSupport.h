// Records what the SDK callbacks deliver, for the netcam API tests.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include <opencv2/core.hpp>

#include "IVideoWindow.h"
#include "netcam.h"

struct StreamLog {
    std::mutex mutex;
    std::vector<uint32_t> types;
    std::vector<uint8_t> header;
    std::vector<std::vector<uint8_t>> packets; // the first `kept` only
    size_t kept = 4;

    size_t count(uint32_t type)
    {
        std::lock_guard<std::mutex> lock(mutex);
        size_t n = 0;
        for (auto t : types) {
            n += t == type ? 1 : 0;
        }
        return n;
    }
};

// Stream callback whose user pointer is a StreamLog.
inline void LogStream(int32_t, uint32_t type, uint8_t* buffer, uint32_t size, void* user)
{
    auto* log = static_cast<StreamLog*>(user);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->types.push_back(type);
    if (type == NET_DVR_SYSHEAD) {
        log->header.assign(buffer, buffer + size);
    } else if (log->packets.size() < log->kept) {
        log->packets.emplace_back(buffer, buffer + size);
    }
}

// Registered as the exception callback for its lifetime. Stop the plays
// before it goes: a play may still report a loss.
struct ExceptionLog {
    ExceptionLog();
    ~ExceptionLog() { NET_DVR_SetExceptionCallBack_V30(0, nullptr, nullptr, nullptr); }
    ExceptionLog(const ExceptionLog&) = delete;
    ExceptionLog& operator=(const ExceptionLog&) = delete;

    std::mutex mutex;
    std::vector<uint32_t> types;
    bool seen(uint32_t type)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::find(types.begin(), types.end(), type) != types.end();
    }
};

// Exception callback whose user pointer is an ExceptionLog.
inline void LogException(uint32_t type, int32_t, int32_t, void* user)
{
    auto* log = static_cast<ExceptionLog*>(user);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->types.push_back(type);
}

inline ExceptionLog::ExceptionLog()
{
    NET_DVR_SetExceptionCallBack_V30(0, nullptr, LogException, this);
}

class RecordingWindow : public IVideoWindow {
public:
    void ShowFrame(const cv::Mat& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_frames;
        m_last = frame.clone();
        if (m_first.empty()) {
            m_first = m_last;
        }
    }
    int frames()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }
    cv::Mat last()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_last;
    }
    cv::Mat first()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_first;
    }
    bool IsShown() const override { return m_shown; }
    void FrameSkipped() override { ++m_skipped; }
    void setShown(bool shown) { m_shown = shown; }
    int skipped() const { return m_skipped; }

private:
    std::atomic<bool> m_shown{true};
    std::atomic<int> m_skipped{0};
    std::mutex m_mutex;
    int m_frames = 0;
    cv::Mat m_last;
    cv::Mat m_first;
};

inline NET_DVR_USER_LOGIN_INFO LoginInfo(const char* address, uint16_t port = 0,
                                         const char* user = "", const char* password = "")
{
    NET_DVR_USER_LOGIN_INFO info{};
    snprintf(info.sDeviceAddress, sizeof info.sDeviceAddress, "%s", address);
    info.wPort = port;
    snprintf(info.sUserName, sizeof info.sUserName, "%s", user);
    snprintf(info.sPassword, sizeof info.sPassword, "%s", password);
    return info;
}
