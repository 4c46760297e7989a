#include <unistd.h>

#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

#include "LoopbackServers.h"
#include "NetcamTestSupport.h"

using namespace std::chrono_literals;
using loopback::WaitFor;

namespace {

constexpr auto kGenerous = 20s;
constexpr uint32_t kBufferBytes = 10485760;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

struct Decoded {
    std::mutex mutex;
    int frames = 0;
    FRAME_INFO info{};
    int32_t size = 0;
    int32_t port = -1;
    std::vector<uint8_t> first;
} g_decoded;

void OnDecoded(int32_t port, char* buffer, int32_t size, FRAME_INFO* info, void*, int32_t)
{
    std::lock_guard<std::mutex> lock(g_decoded.mutex);
    if (g_decoded.frames++ == 0) {
        g_decoded.first.assign(buffer, buffer + size);
    }
    g_decoded.info = *info;
    g_decoded.size = size;
    g_decoded.port = port;
}

int DecodedFrames()
{
    std::lock_guard<std::mutex> lock(g_decoded.mutex);
    return g_decoded.frames;
}

// Captures the header and first packets of a small simulated camera.
class PlayM4 : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(NET_DVR_Init(), 1);
        auto info = LoginInfo("sim:p?w=64&h=48&fps=50");
        const int32_t id = NET_DVR_Login_V40(&info, nullptr);
        ASSERT_GE(id, 0);
        NET_DVR_PREVIEWINFO preview{};
        const int32_t handle = NET_DVR_RealPlay_V40(id, &preview, LogStream, &s_stream);
        ASSERT_TRUE(WaitFor(
            [] {
                std::lock_guard<std::mutex> lock(s_stream.mutex);
                return s_stream.packets.size() >= 4;
            },
            kGenerous));
        NET_DVR_StopRealPlay(handle);
        NET_DVR_Cleanup();
    }

    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_decoded.mutex);
        g_decoded.frames = 0;
    }

    // Opens the port on the captured stream header and starts decoding into OnDecoded.
    static void StartDecoding(int32_t port)
    {
        ASSERT_EQ(PlayM4_OpenStream(port, s_stream.header.data(),
                                    static_cast<uint32_t>(s_stream.header.size()), kBufferBytes),
                  1);
        ASSERT_EQ(PlayM4_SetDecCallBack(port, OnDecoded), 1);
        ASSERT_EQ(PlayM4_Play(port, nullptr), 1);
    }

    static StreamLog s_stream;
};
StreamLog PlayM4::s_stream;

} // namespace

TEST_F(PlayM4, DecodesChunkedStreamIntoYv12Frames)
{
    int32_t port = -1;
    ASSERT_EQ(PlayM4_GetPort(&port), 1);
    ASSERT_EQ(PlayM4_SetStreamOpenMode(port, STREAME_REALTIME), 1);
    ASSERT_NO_FATAL_FAILURE(StartDecoding(port));
    // The stream may arrive in pieces that do not follow packet boundaries.
    std::vector<uint8_t> all;
    for (const auto& packet : s_stream.packets) {
        all.insert(all.end(), packet.begin(), packet.end());
    }
    const size_t cuts[] = {7, all.size() / 3, all.size() / 2 + 13, all.size()};
    size_t from = 0;
    for (size_t cut : cuts) {
        ASSERT_EQ(PlayM4_InputData(port, all.data() + from, static_cast<uint32_t>(cut - from)), 1);
        from = cut;
    }
    ASSERT_TRUE(WaitFor([] { return DecodedFrames() == 4; }, kGenerous));
    {
        std::lock_guard<std::mutex> lock(g_decoded.mutex);
        EXPECT_EQ(g_decoded.info.nType, T_YV12);
        EXPECT_EQ(g_decoded.info.nWidth, kWidth);
        EXPECT_EQ(g_decoded.info.nHeight, kHeight);
        EXPECT_EQ(g_decoded.size, kWidth * kHeight * 3 / 2);
        EXPECT_EQ(g_decoded.port, port);
        // YV12 puts V before U: the simulated wall is warm, so V > U on average.
        const uint8_t* v = g_decoded.first.data() + kWidth * kHeight;
        const uint8_t* u = v + kWidth * kHeight / 4;
        long vSum = 0;
        long uSum = 0;
        for (int i = 0; i < kWidth * kHeight / 4; ++i) {
            vSum += v[i];
            uSum += u[i];
        }
        EXPECT_GT(vSum, uSum);
    }
    EXPECT_EQ(PlayM4_Stop(port), 1);
    EXPECT_EQ(PlayM4_CloseStream(port), 1);
    EXPECT_EQ(PlayM4_FreePort(port), 1);
}

TEST_F(PlayM4, OrderAndPortErrors)
{
    int32_t port = -1;
    ASSERT_EQ(PlayM4_GetPort(&port), 1);
    uint8_t byte = 0;
    EXPECT_EQ(PlayM4_InputData(port, &byte, 1), 0);
    EXPECT_EQ(PlayM4_GetLastError(port), PLAYM4_ORDER_ERROR);
    EXPECT_EQ(PlayM4_Play(port, nullptr), 0);
    EXPECT_EQ(PlayM4_OpenStream(port, &byte, 1, kBufferBytes), 0);
    EXPECT_EQ(PlayM4_GetLastError(port), PLAYM4_PARA_OVER);
    EXPECT_EQ(PlayM4_FreePort(port), 1);
    EXPECT_EQ(PlayM4_FreePort(port), 0);
    EXPECT_EQ(PlayM4_InputData(port, &byte, 1), 0);
    int32_t again = -1;
    ASSERT_EQ(PlayM4_GetPort(&again), 1);
    EXPECT_EQ(again, port); // a freed port is handed out again
    EXPECT_EQ(PlayM4_FreePort(again), 1);
}

TEST_F(PlayM4, FullStreamBufferRefusesInput)
{
    int32_t port = -1;
    ASSERT_EQ(PlayM4_GetPort(&port), 1);
    const auto& packet = s_stream.packets.front();
    // Room for half a frame: an empty buffer takes one all the same (a raw
    // 4K picture is larger than the whole stream buffer), a second is
    // refused. Nothing decodes because play has not started.
    ASSERT_EQ(PlayM4_OpenStream(port, s_stream.header.data(),
                                static_cast<uint32_t>(s_stream.header.size()),
                                static_cast<uint32_t>(packet.size() / 2)),
              1);
    auto* data = const_cast<uint8_t*>(packet.data());
    EXPECT_EQ(PlayM4_InputData(port, data, static_cast<uint32_t>(packet.size())), 1);
    EXPECT_EQ(PlayM4_InputData(port, data, static_cast<uint32_t>(packet.size())), 0);
    EXPECT_EQ(PlayM4_GetLastError(port), PLAYM4_BUF_OVER);
    EXPECT_EQ(PlayM4_FreePort(port), 1);
}

TEST_F(PlayM4, GarbageBeforeAPacketIsSkipped)
{
    int32_t port = -1;
    ASSERT_EQ(PlayM4_GetPort(&port), 1);
    ASSERT_NO_FATAL_FAILURE(StartDecoding(port));
    std::vector<uint8_t> bytes(37, 0xAB);
    const auto& packet = s_stream.packets.front();
    bytes.insert(bytes.end(), packet.begin(), packet.end());
    EXPECT_EQ(PlayM4_InputData(port, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
    EXPECT_EQ(PlayM4_GetLastError(port), PLAYM4_PARA_OVER);
    EXPECT_TRUE(WaitFor([] { return DecodedFrames() == 1; }, kGenerous));
    EXPECT_EQ(PlayM4_FreePort(port), 1);
}

TEST(PlayM4Stream, NothingLeavesBeforeTheFirstKeyFrame)
{
    // H.265 with a key frame every 10 frames, read from a file.
    constexpr int kFrames = 30;
    constexpr int kGop = 10;
    const std::string clip = "/tmp/playm4-gop-" + std::to_string(::getpid()) + ".mkv";
    loopback::FfmpegProcess encoder(
        {"-y", "-f", "lavfi", "-i", "testsrc2=size=128x96:rate=25", "-frames:v",
         std::to_string(kFrames), "-c:v", "libx265", "-preset", "ultrafast", "-x265-params",
         "keyint=" + std::to_string(kGop) + ":min-keyint=" + std::to_string(kGop) +
             ":scenecut=0:bframes=0:log-level=none",
         clip});
    ASSERT_TRUE(encoder.wait(60s));
    ASSERT_EQ(NET_DVR_Init(), 1);
    auto info = LoginInfo(clip.c_str());
    const int32_t id = NET_DVR_Login_V40(&info, nullptr);
    ASSERT_GE(id, 0);
    StreamLog stream;
    stream.kept = kFrames;
    NET_DVR_PREVIEWINFO preview{};
    const int32_t handle = NET_DVR_RealPlay_V40(id, &preview, LogStream, &stream);
    ASSERT_TRUE(WaitFor(
        [&] {
            std::lock_guard<std::mutex> lock(stream.mutex);
            return stream.packets.size() >= kFrames;
        },
        kGenerous));
    NET_DVR_StopRealPlay(handle);
    NET_DVR_Cleanup();
    std::remove(clip.c_str());

    // Joined after the first key frame: the frames up to the next one stay out.
    {
        std::lock_guard<std::mutex> lock(g_decoded.mutex);
        g_decoded.frames = 0;
    }
    int32_t port = -1;
    ASSERT_EQ(PlayM4_GetPort(&port), 1);
    ASSERT_EQ(PlayM4_OpenStream(port, stream.header.data(),
                                static_cast<uint32_t>(stream.header.size()), kBufferBytes),
              1);
    ASSERT_EQ(PlayM4_SetDecCallBack(port, OnDecoded), 1);
    ASSERT_EQ(PlayM4_Play(port, nullptr), 1);
    for (int i = 1; i < kFrames; ++i) {
        auto& packet = stream.packets[static_cast<size_t>(i)];
        ASSERT_EQ(PlayM4_InputData(port, packet.data(), static_cast<uint32_t>(packet.size())), 1);
    }
    EXPECT_TRUE(WaitFor([] { return DecodedFrames() == kFrames - kGop; }, kGenerous));
    std::this_thread::sleep_for(200ms); // a frame too many would land here
    EXPECT_EQ(DecodedFrames(), kFrames - kGop);
    EXPECT_EQ(PlayM4_FreePort(port), 1);
}
