#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include <gtest/gtest.h>

#include "LoopbackServers.h"
#include "NetcamTestSupport.h"
#include "RtspTestServer.h"

using namespace std::chrono_literals;
using loopback::WaitFor;

namespace {

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

    const uint16_t m_port = loopback::FreePort();
    std::unique_ptr<loopback::FfmpegProcess> m_server;
    StreamLog m_log;
    std::unique_ptr<ExceptionLog> m_exceptions;
    int32_t m_handle = -1;
};

constexpr int kLiveWidth = 160;
constexpr int kLiveHeight = 120;

// Serves live test video on the port.
std::unique_ptr<loopback::FfmpegProcess> LiveServer(uint16_t port)
{
    return std::make_unique<loopback::FfmpegProcess>(
        loopback::LiveH264Server(port, kLiveWidth, kLiveHeight));
}

// Logs in to a server that may still be starting: polls until it answers.
int32_t LoginWhenUp(const std::string& url)
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
int32_t PlayLogged(int32_t id, StreamLog& log)
{
    NET_DVR_PREVIEWINFO preview{};
    return NET_DVR_RealPlay_V40(id, &preview, LogStream, &log);
}

bool WaitForPackets(StreamLog& log, size_t packets)
{
    return WaitFor([&] { return log.count(NET_DVR_STREAMDATA) >= packets; }, kGenerous);
}

// Window play of the login into window: play handle, or -1.
int32_t PlayInto(int32_t id, RecordingWindow& window, int32_t channel = 0)
{
    NET_DVR_CLIENTINFO client{};
    client.lChannel = channel;
    client.hPlayWnd = ToWindowHandle(&window);
    return NET_DVR_RealPlay(id, &client);
}

// Plays the login into a window, expects frames of the size there and stops the play.
void ExpectWindowFrames(int32_t id, cv::Size size)
{
    RecordingWindow window;
    const int32_t handle = PlayInto(id, window);
    ASSERT_TRUE(WaitFor([&] { return window.frames() >= 5; }, kGenerous));
    EXPECT_EQ(window.last().size(), size);
    EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
}

void NetDvr::StartLivePlay()
{
    m_server = LiveServer(m_port);
    ASSERT_TRUE(m_server->running());
    const int32_t id = LoginWhenUp(loopback::TcpUrl(m_port));
    ASSERT_GE(id, 0);
    m_exceptions = std::make_unique<ExceptionLog>();
    m_handle = PlayLogged(id, m_log);
    ASSERT_GE(m_handle, 1);
}

} // namespace

TEST(NetDvrSetup, CallsBeforeInitFailWithNoInit)
{
    NET_DVR_Cleanup();
    auto info = LoginInfo("sim:a?w=64&h=48");
    EXPECT_EQ(NET_DVR_Login_V40(&info, nullptr), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_NOINIT);
    EXPECT_EQ(NET_DVR_SetConnectTime(1000, 1), 0);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_NOINIT);
    EXPECT_EQ(NET_DVR_Cleanup(), 0);
}

TEST_F(NetDvr, SimulatedCameraLogsInAndFillsDeviceInfo)
{
    auto info = LoginInfo("sim:a?w=64&h=48");
    NET_DVR_DEVICEINFO_V40 device{};
    const int32_t id = NET_DVR_Login_V40(&info, &device);
    ASSERT_GE(id, 0);
    EXPECT_EQ(device.struDeviceV30.byChanNum, 1);
    EXPECT_EQ(device.struDeviceV30.byStartChan, 1);
    EXPECT_NE(Login("sim:b?w=64&h=48"), id);
    EXPECT_EQ(NET_DVR_Logout(id), 1);
    EXPECT_EQ(NET_DVR_Logout(id), 0);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_USERNOTEXIST);
}

TEST_F(NetDvr, BadAddressIsAParameterError)
{
    EXPECT_EQ(Login("sim:x?w=7"), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_PARAMETER_ERROR);
    EXPECT_EQ(NET_DVR_Login_V40(nullptr, nullptr), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_PARAMETER_ERROR);
}

TEST_F(NetDvr, ClosedPortFailsWithinConnectWait)
{
    const auto url = loopback::TcpUrl(loopback::FreePort());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Login(url.c_str()), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_NETWORK_FAIL_CONNECT);
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kWaitMs) + kWaitSlack);
}

TEST_F(NetDvr, SilentCameraFailsWithinConnectWait)
{
    // Accepts connections (kernel backlog) but never answers.
    uint16_t port = 0;
    const int fd = loopback::BindLoopback(SOCK_STREAM, port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Login("127.0.0.1", port, "admin", "pw"), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_NETWORK_FAIL_CONNECT);
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kWaitMs) + kWaitSlack);
    ::close(fd);
}

TEST_F(NetDvr, WrongCredentialsOnRtspServerArePasswordError)
{
    loopback::RefusingRtspServer server;
    ASSERT_NE(server.port(), 0);
    EXPECT_EQ(Login("127.0.0.1", server.port(), "admin", "wrong"), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_PASSWORD_ERROR);
    EXPECT_GE(server.requests(), 1);
}

TEST_F(NetDvr, CallbackPlayDeliversHeaderFirstThenPackets)
{
    const int32_t id = Login("sim:a?w=64&h=48&fps=50");
    ASSERT_GE(id, 0);
    StreamLog log;
    NET_DVR_PREVIEWINFO preview{};
    preview.lChannel = 1;
    const int32_t handle = NET_DVR_RealPlay_V40(id, &preview, LogStream, &log);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(WaitForPackets(log, 3));
    EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
    const size_t afterStop = log.count(NET_DVR_STREAMDATA);
    EXPECT_EQ(log.count(NET_DVR_SYSHEAD), 1u);
    std::this_thread::sleep_for(100ms); // a stray delivery would land here
    EXPECT_EQ(log.count(NET_DVR_STREAMDATA), afterStop);
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(log.types.front(), NET_DVR_SYSHEAD);
    EXPECT_EQ(NET_DVR_StopRealPlay(handle), 0);
}

TEST_F(NetDvr, PlayOfUnknownLoginFails)
{
    NET_DVR_PREVIEWINFO preview{};
    EXPECT_EQ(NET_DVR_RealPlay_V40(12345, &preview, nullptr, nullptr), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_USERNOTEXIST);
}

TEST_F(NetDvr, WindowPlayShowsBgrFramesOfTheStreamSize)
{
    const int32_t id = Login("sim:a?w=96&h=64");
    ASSERT_GE(id, 0);
    RecordingWindow window;
    const int32_t handle = PlayInto(id, window, 1);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(WaitFor([&] { return window.frames() >= 3; }, kGenerous));
    EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
    const cv::Mat frame = window.last();
    EXPECT_EQ(frame.type(), CV_8UC3);
    EXPECT_EQ(frame.size(), cv::Size(96, 64));
}

TEST_F(NetDvr, LiveStreamLossRaisesExceptionAndPlayResumes)
{
    ASSERT_NO_FATAL_FAILURE(StartLivePlay());
    ASSERT_TRUE(WaitForPackets(m_log, 10));

    m_server->kill();
    ASSERT_TRUE(WaitFor([&] { return m_exceptions->seen(EXCEPTION_PREVIEW); }, kGenerous));
    const size_t before = m_log.count(NET_DVR_STREAMDATA);
    m_server = LiveServer(m_port);
    ASSERT_TRUE(WaitFor([&] { return m_exceptions->seen(PREVIEW_RECONNECTSUCCESS); }, kGenerous));
    ASSERT_TRUE(WaitForPackets(m_log, before + 10));
    EXPECT_EQ(m_log.count(NET_DVR_SYSHEAD), 2u);
    EXPECT_EQ(NET_DVR_StopRealPlay(m_handle), 1);
}

TEST_F(NetDvr, WithoutReconnectALostStreamStaysDown)
{
    ASSERT_EQ(NET_DVR_SetReconnect(200, 0), 1);
    ASSERT_NO_FATAL_FAILURE(StartLivePlay());
    ASSERT_TRUE(WaitForPackets(m_log, 5));
    m_server->kill();
    ASSERT_TRUE(WaitFor([&] { return m_exceptions->seen(EXCEPTION_PREVIEW); }, kGenerous));
    m_server = LiveServer(m_port);
    // Several reconnect intervals: a reconnect would have sent a second header.
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(m_log.count(NET_DVR_SYSHEAD), 1u);
    EXPECT_FALSE(m_exceptions->seen(PREVIEW_RECONNECTSUCCESS));
    EXPECT_EQ(NET_DVR_StopRealPlay(m_handle), 1);
}

TEST_F(NetDvr, FilePathPlaysAsASource)
{
    const std::string clip = "/tmp/netcam-clip-" + std::to_string(::getpid()) + ".mp4";
    loopback::FfmpegProcess encoder({"-y", "-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25",
                                     "-t", "2", "-c:v", "libx264", "-preset", "ultrafast",
                                     "-pix_fmt", "yuv420p", clip});
    ASSERT_TRUE(encoder.wait(60s));
    const int32_t id = Login(clip.c_str());
    ASSERT_GE(id, 0);
    ASSERT_NO_FATAL_FAILURE(ExpectWindowFrames(id, cv::Size(160, 120)));
    std::remove(clip.c_str());
}

TEST_F(NetDvr, StalledStreamIsReportedWithinConnectWait)
{
    ASSERT_NO_FATAL_FAILURE(StartLivePlay());
    ASSERT_TRUE(WaitForPackets(m_log, 5));
    m_server->freeze(); // the connection stays up, the data stops
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return m_exceptions->seen(EXCEPTION_PREVIEW); }, kGenerous));
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kWaitMs) + kWaitSlack);
    EXPECT_EQ(NET_DVR_StopRealPlay(m_handle), 1);
}

TEST_F(NetDvr, BareHostLogsInToAnRtspCameraAndPlays)
{
    loopback::RtspTestServer camera("admin", "r1ght:pw");
    ASSERT_NE(camera.port(), 0);
    EXPECT_EQ(Login("127.0.0.1", camera.port(), "admin", "wrong"), -1);
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_PASSWORD_ERROR);
    const int32_t id = Login("127.0.0.1", camera.port(), "admin", "r1ght:pw");
    ASSERT_GE(id, 0) << NET_DVR_GetLastError();
    ASSERT_NO_FATAL_FAILURE(ExpectWindowFrames(id, cv::Size(160, 120)));
}
