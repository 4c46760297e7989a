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

const char* const kCameraUser = "admin";
const char* const kCameraPassword = "r1ght:pw";

// GStreamer's RTSP server with digest authentication at /Streaming/Channels/101.
RtspCamera::Options CameraOptions(const std::string& codec)
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
double GreyShare(const cv::Mat& bgr)
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

void NetDvr::StartCameraPlay(uint16_t port)
{
    const int32_t id = Login("127.0.0.1", port);
    ASSERT_GE(id, 0) << NET_DVR_GetLastError();
    m_exceptions = std::make_unique<ExceptionLog>();
    m_handle = PlayLogged(id, m_log);
    ASSERT_GE(m_handle, 1);
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_NETWORK_RECV_TIMEOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kWaitMs) + kWaitSlack);
    ::close(fd);
}

TEST_F(NetDvr, CleanupEndsALoginStillWaitingForAnAnswer)
{
    ASSERT_EQ(NET_DVR_SetConnectTime(30000, 1), 1);
    uint16_t port = 0;
    const int fd = loopback::BindLoopback(SOCK_STREAM, port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    int32_t id = 0;
    uint32_t error = NET_DVR_NOERROR;
    std::thread login([&] {
        id = Login("127.0.0.1", port, "admin", "pw");
        error = NET_DVR_GetLastError();
    });
    // The login's connection waits in the backlog: the login is under way.
    pollfd pending{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&pending, 1, 20000), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(NET_DVR_Cleanup(), 1);
    login.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kWaitSlack);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(error, NET_DVR_NOINIT);
    ::close(fd);
}

TEST_F(NetDvr, ErrorsCarryTheirCodeAndText)
{
    loopback::RefusingRtspServer server;
    ASSERT_NE(server.port(), 0);
    EXPECT_EQ(Login("127.0.0.1", server.port(), "admin", "wrong"), -1);
    int32_t code = -1;
    EXPECT_STREQ(NET_DVR_GetErrorMsg(&code), "user name or password refused");
    EXPECT_EQ(code, static_cast<int32_t>(NET_DVR_PASSWORD_ERROR));
    EXPECT_GE(server.requests(), 1);

    EXPECT_EQ(Login(loopback::TcpUrl(loopback::FreePort()).c_str()), -1);
    EXPECT_STREQ(NET_DVR_GetErrorMsg(nullptr), "connection refused");
    EXPECT_EQ(Login("127.0.0.1/a path"), -1);
    EXPECT_STREQ(NET_DVR_GetErrorMsg(&code), "invalid parameter or address");
    EXPECT_EQ(code, static_cast<int32_t>(NET_DVR_PARAMETER_ERROR));
    EXPECT_GE(Login("sim:a?w=64&h=48"), 0);
    EXPECT_STREQ(NET_DVR_GetErrorMsg(&code), "no error");
    EXPECT_EQ(code, 0);
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

TEST_F(NetDvr, WindowNobodySeesIsToldOfFramesWithoutGettingThem)
{
    const int32_t id = Login("sim:a?w=96&h=64");
    ASSERT_GE(id, 0);
    RecordingWindow window;
    window.setShown(false);
    const int32_t handle = PlayInto(id, window, 1);
    ASSERT_GE(handle, 1);
    ASSERT_TRUE(WaitFor([&] { return window.skipped() >= 3; }, kGenerous));
    EXPECT_EQ(window.frames(), 0);
    window.setShown(true);
    EXPECT_TRUE(WaitFor([&] { return window.frames() >= 2; }, kGenerous));
    EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
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

TEST_F(NetDvr, BareAddressLogsInWithDigestAndPlaysChannelOnesMainStream)
{
    for (const char* codec : {"h264", "h265"}) {
        SCOPED_TRACE(codec);
        RtspCamera camera(CameraOptions(codec));
        ASSERT_TRUE(camera.start());
        EXPECT_EQ(Login("127.0.0.1", camera.port(), kCameraUser, "wrong"), -1);
        EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_PASSWORD_ERROR);
        EXPECT_EQ(
            Login("127.0.0.1/Streaming/Channels/201", camera.port(), kCameraUser, kCameraPassword),
            -1);
        EXPECT_EQ(NET_DVR_GetLastError(), NET_DVR_CHANNEL_ERROR);
        const int32_t id = Login("127.0.0.1", camera.port(), kCameraUser, kCameraPassword);
        ASSERT_GE(id, 0) << NET_DVR_GetLastError();

        // What probing read is delivered too: the stream opens with its key frame.
        StreamLog log;
        const int32_t handle = PlayLogged(id, log);
        ASSERT_TRUE(WaitForPackets(log, 1));
        EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
        {
            std::lock_guard<std::mutex> lock(log.mutex);
            const auto& first = log.packets.front();
            const auto prefix = netcam::ReadPacketPrefix(first.data(), first.size());
            ASSERT_TRUE(prefix);
            EXPECT_EQ(prefix->key, 1u);
        }
        RecordingWindow window;
        const int32_t shown = PlayInto(id, window, 1);
        ASSERT_TRUE(WaitFor([&] { return window.frames() >= 5; }, kGenerous));
        EXPECT_EQ(NET_DVR_StopRealPlay(shown), 1);
        EXPECT_EQ(window.last().size(), cv::Size(320, 240));
        EXPECT_LT(GreyShare(window.first()), 0.2);
    }
}

TEST_F(NetDvr, StreamStartingBetweenKeyFramesShowsNothingBeforeTheNextOne)
{
    // Probing waits for the first key frame: the console's connect wait.
    ASSERT_EQ(NET_DVR_SetConnectTime(3000, 1), 1);
    for (const char* codec : {"h264", "h265"}) {
        SCOPED_TRACE(codec);
        auto options = CameraOptions(codec);
        options.gop = 50;   // two seconds from key frame to key frame
        options.late = 0.5; // each stream starts a quarter into one
        RtspCamera camera(options);
        ASSERT_TRUE(camera.start());
        const int32_t id = Login("127.0.0.1", camera.port(), kCameraUser, kCameraPassword);
        ASSERT_GE(id, 0);
        RecordingWindow window;
        const int32_t handle = PlayInto(id, window, 1);
        ASSERT_TRUE(WaitFor([&] { return window.frames() >= 3; }, kGenerous));
        EXPECT_EQ(NET_DVR_StopRealPlay(handle), 1);
        EXPECT_LT(GreyShare(window.first()), 0.2);
    }
}

TEST_F(NetDvr, AwayCameraIsProbedEverySecondAndOneThatAnswersAndFailsIsTriedAfterDoublingWaits)
{
    constexpr uint32_t kLongestWaitMs = 3000;
    ASSERT_EQ(NET_DVR_SetReconnect(kLongestWaitMs, 1), 1);
    RtspCamera camera({});
    ASSERT_TRUE(camera.start());
    ASSERT_NO_FATAL_FAILURE(StartCameraPlay(camera.port()));
    ASSERT_TRUE(WaitForPackets(m_log, 5));
    camera.kill();
    const auto lostAt = std::chrono::steady_clock::now();
    // The camera's port now takes each connection and closes it: a probe
    // sends nothing, an attempt its first request.
    uint16_t port = camera.port();
    const int fd = loopback::BindLoopback(SOCK_STREAM, port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    std::vector<double> attempts; // seconds after the loss
    std::vector<double> probes;
    std::atomic<bool> stop{false};
    std::thread knocks([&] {
        loopback::AcceptUntilStopped(fd, stop, [&](int client) {
            const double at = SecondsSince(lostAt);
            pollfd in{client, POLLIN, 0};
            char byte = 0;
            const bool request = ::poll(&in, 1, 1000) == 1 && ::recv(client, &byte, 1, 0) == 1;
            (request ? attempts : probes).push_back(at);
            stop = attempts.size() == 4;
        });
    });
    knocks.join();
    ::close(fd);
    EXPECT_EQ(NET_DVR_StopRealPlay(m_handle), 1);
    // Attempts 1 s after the loss, then 2 and 3 s (the longest) apart.
    const double expected[] = {1.0, 3.0, 6.0, 9.0};
    ASSERT_EQ(attempts.size(), 4u);
    for (size_t i = 0; i < attempts.size(); ++i) {
        EXPECT_GT(attempts[i], expected[i] - 0.3) << "attempt " << i;
        EXPECT_LT(attempts[i], expected[i] + 1.5) << "attempt " << i;
    }
    // Meanwhile a probe a second, never more (seen here a little late when
    // the attempt before it was handled first).
    EXPECT_GE(probes.size(), 7u);
    for (size_t i = 1; i < probes.size(); ++i) {
        EXPECT_GT(probes[i] - probes[i - 1], 0.75) << "probe " << i;
    }
}

TEST_F(NetDvr, CameraThatRefusesTcpPlaysOverUdp)
{
    RtspCamera::Options options;
    options.udpOnly = true;
    RtspCamera camera(options);
    ASSERT_TRUE(camera.start());
    const int32_t id = Login("127.0.0.1", camera.port());
    ASSERT_GE(id, 0) << NET_DVR_GetLastError();
    ASSERT_NO_FATAL_FAILURE(ExpectWindowFrames(id, cv::Size(320, 240)));
}
