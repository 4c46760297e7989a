#include "NetDvrFixture.h"

using namespace netdvrtest;

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
