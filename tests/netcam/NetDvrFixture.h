// The camera library's API against loopback servers and GStreamer's RTSP
// server on 127.0.0.1: the fixture that initialises it and logs in, and the
// streams, windows and logs its tests play into.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "LoopbackServers.h"
#include "NetcamTestSupport.h"
#include "StreamFormat.h"
#include "rtspcamera.h"

namespace netdvrtest {

using namespace std::chrono_literals;
using loopback::WaitFor;

constexpr auto kGenerous = 20s;
constexpr uint32_t kWaitMs = 1500;
// Slack over the connect wait time on a loaded machine; a hang is far longer.
constexpr auto kWaitSlack = 3s;

class NetDvr : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(NET_DVR_Init(), 1);
        ASSERT_EQ(NET_DVR_SetConnectTime(kWaitMs, 1), 1);
        ASSERT_EQ(NET_DVR_SetReconnect(200, 1), 1);
    }
    void TearDown() override
    {
        NET_DVR_SetExceptionCallBack_V30(0, nullptr, nullptr, nullptr);
        NET_DVR_Cleanup();
    }

    static int32_t Login(const char* address, uint16_t port = 0, const char* user = "",
                         const char* password = "")
    {
        auto info = LoginInfo(address, port, user, password);
        NET_DVR_DEVICEINFO_V40 device{};
        return NET_DVR_Login_V40(&info, &device);
    }

    // Serves live video on m_port, logs in once the server answers and starts a
    // callback play into m_log; losses go to m_exceptions.
    void StartLivePlay();
    // The same with the test camera (GStreamer's RTSP server) on port.
    void StartCameraPlay(uint16_t port);

    const uint16_t m_port = loopback::FreePort();
    std::unique_ptr<loopback::FfmpegProcess> m_server;
    StreamLog m_log;
    std::unique_ptr<ExceptionLog> m_exceptions;
    int32_t m_handle = -1;
};

constexpr int kLiveWidth = 160;
constexpr int kLiveHeight = 120;

// Serves live test video on the port.
inline std::unique_ptr<loopback::FfmpegProcess> LiveServer(uint16_t port)
{
    return std::make_unique<loopback::FfmpegProcess>(
        loopback::LiveH264Server(port, kLiveWidth, kLiveHeight));
}

// Logs in to a server that may still be starting: polls until it answers.
inline int32_t LoginWhenUp(const std::string& url)
{
    int32_t id = -1;
    WaitFor(
        [&] {
            auto info = LoginInfo(url.c_str());
            NET_DVR_DEVICEINFO_V40 device{};
            id = NET_DVR_Login_V40(&info, &device);
            return id >= 0;
        },
        kGenerous);
    return id;
}

// Callback play of the login whose stream goes to log: play handle, or -1.
inline int32_t PlayLogged(int32_t id, StreamLog& log)
{
    NET_DVR_PREVIEWINFO preview{};
    return NET_DVR_RealPlay_V40(id, &preview, LogStream, &log);
}

inline bool WaitForPackets(StreamLog& log, size_t packets)
{
    return WaitFor([&] { return log.count(NET_DVR_STREAMDATA) >= packets; }, kGenerous);
}

// Window play of the login into window: play handle, or -1.
inline int32_t PlayInto(int32_t id, RecordingWindow& window, int32_t channel = 0)
{
    NET_DVR_CLIENTINFO client{};
    client.lChannel = channel;
    client.hPlayWnd = ToWindowHandle(&window);
    return NET_DVR_RealPlay(id, &client);
}

// Plays the login into a window, expects frames of the size there and stops the play.
inline void ExpectWindowFrames(int32_t id, cv::Size size)
{
    RecordingWindow window;
    const int32_t handle = PlayInto(id, window);
    ASSERT_TRUE(WaitFor([&] { return window.frames() >= 5; }, kGenerous));
    EXPECT_EQ(window.last().size(), size);
    EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
}

const char* const kCameraUser = "admin";
const char* const kCameraPassword = "r1ght:pw";

// GStreamer's RTSP server with digest authentication at /Streaming/Channels/101.
inline RtspCamera::Options CameraOptions(const std::string& codec)
{
    RtspCamera::Options options;
    options.codec = codec;
    options.user = kCameraUser;
    options.password = kCameraPassword;
    return options;
}

// Share of the frame's pixels that are mid grey: what a decoder makes of a
// stream joined between key frames. The colour bars of the test camera have
// next to none.
inline double GreyShare(const cv::Mat& bgr)
{
    constexpr int kLow = 100;
    constexpr int kHigh = 156;
    constexpr int kSpread = 24;
    int grey = 0;
    for (int y = 0; y < bgr.rows; ++y) {
        for (int x = 0; x < bgr.cols; ++x) {
            const cv::Vec3b p = bgr.at<cv::Vec3b>(y, x);
            const int low = std::min({p[0], p[1], p[2]});
            const int high = std::max({p[0], p[1], p[2]});
            grey += (low >= kLow && high <= kHigh && high - low < kSpread) ? 1 : 0;
        }
    }
    return bgr.empty() ? 1.0 : static_cast<double>(grey) / (bgr.rows * bgr.cols);
}

inline void NetDvr::StartLivePlay()
{
    m_server = LiveServer(m_port);
    ASSERT_TRUE(m_server->running());
    const int32_t id = LoginWhenUp(loopback::TcpUrl(m_port));
    ASSERT_GE(id, 0);
    m_exceptions = std::make_unique<ExceptionLog>();
    m_handle = PlayLogged(id, m_log);
    ASSERT_GE(m_handle, 1);
}

inline void NetDvr::StartCameraPlay(uint16_t port)
{
    const int32_t id = Login("127.0.0.1", port);
    ASSERT_GE(id, 0) << NET_DVR_GetLastError();
    m_exceptions = std::make_unique<ExceptionLog>();
    m_handle = PlayLogged(id, m_log);
    ASSERT_GE(m_handle, 1);
}

inline double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace netdvrtest
