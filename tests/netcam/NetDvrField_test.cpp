// Cameras as the field has them: digest logins on a bare address, streams
// joined between key frames, cameras that go away and come back, UDP only.
#include "NetDvrFixture.h"

using namespace netdvrtest;

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
