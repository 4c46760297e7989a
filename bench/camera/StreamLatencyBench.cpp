// Real H.264 1920 x 1080 stream on loopback: time from a packet read off the
// network to its BGR frame delivered to the host, median and p95.
//
// The play is wired by hand so each packet can be stamped as it arrives; the
// player, the decode thread and the YV12 -> BGR delivery are the libraries' own.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "BenchSupport.h"
#include "CameraCore.h"
#include "LoopbackServers.h"
#include "StreamFormat.h"

namespace {

using namespace std::chrono_literals;

constexpr int kClipSeconds = 14;
constexpr int kClipWidth = 1920;
constexpr int kClipHeight = 1080;
constexpr auto kEncodeTimeout = 300s;
constexpr auto kLoginTimeout = 30s;
constexpr uint32_t kStreamBufferBytes = 10485760;
constexpr double kWarmUpSeconds = 1.0;
constexpr double kMeasureSeconds = 10.0;

struct Stamps {
    std::mutex mutex;
    std::map<int32_t, double> readAt; // by presentation time in ms
    int32_t port = -1;
    double pendingRead = 0.0; // read time of the frame being delivered
    std::vector<double> latencyMs;
    double measureFrom = 0.0;
} g_stamps;

CameraCore* g_core = nullptr;

void OnDecoded(int32_t, char* buffer, int32_t size, FRAME_INFO* info, void*, int32_t)
{
    {
        std::lock_guard<std::mutex> lock(g_stamps.mutex);
        const auto found = g_stamps.readAt.find(info->nStamp);
        if (found == g_stamps.readAt.end()) {
            return;
        }
        g_stamps.pendingRead = found->second;
        g_stamps.readAt.erase(g_stamps.readAt.begin(), std::next(found));
    }
    g_core->OnDecodedFrame(buffer, size, *info);
}

int Deliver(const cv::Mat&)
{
    const double now = bench::WallSeconds();
    std::lock_guard<std::mutex> lock(g_stamps.mutex);
    if (now >= g_stamps.measureFrom) {
        g_stamps.latencyMs.push_back((now - g_stamps.pendingRead) * 1000.0);
    }
    return 0;
}

void OnStream(int32_t, uint32_t type, uint8_t* buffer, uint32_t size, void*)
{
    if (type == NET_DVR_SYSHEAD) {
        int32_t port = -1;
        if (PlayM4_GetPort(&port) != 0 && PlayM4_SetStreamOpenMode(port, STREAME_REALTIME) != 0 &&
            PlayM4_OpenStream(port, buffer, size, kStreamBufferBytes) != 0 &&
            PlayM4_Play(port, nullptr) != 0 && PlayM4_SetDecCallBack(port, OnDecoded) != 0) {
            g_stamps.port = port;
        }
        return;
    }
    const auto prefix = netcam::ReadPacketPrefix(buffer, size);
    if (!prefix || g_stamps.port < 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(g_stamps.mutex);
        g_stamps.readAt[static_cast<int32_t>(prefix->ptsUs / 1000)] = bench::WallSeconds();
    }
    PlayM4_InputData(g_stamps.port, buffer, size);
}

bool EncodeClip(const std::string& path)
{
    std::vector<std::string> arguments{"-y"};
    const std::vector<std::string> video = loopback::H264TestVideo(kClipWidth, kClipHeight, false);
    arguments.insert(arguments.end(), video.begin(), video.end());
    arguments.insert(arguments.end(), {"-t", std::to_string(kClipSeconds), "-f", "mpegts", path});
    loopback::FfmpegProcess encoder(arguments);
    return encoder.wait(std::chrono::duration_cast<std::chrono::milliseconds>(kEncodeTimeout));
}

} // namespace

int main()
{
    bench::SilenceStdout();
    const std::string clip = "/tmp/camera-latency-" + std::to_string(getpid()) + ".ts";
    if (!EncodeClip(clip)) {
        std::fprintf(stderr, "could not encode the test clip\n");
        return 1;
    }
    const uint16_t port = loopback::FreePort();
    loopback::FfmpegProcess server(
        {"-re", "-i", clip, "-c", "copy", "-f", "mpegts", loopback::TcpUrl(port) + "?listen=1"});

    CameraCore core(Deliver, CameraCore::FailedLogin::KeepSdk);
    g_core = &core;
    core.Init(3000, 1, 1000, 0);
    int32_t id = -1;
    loopback::WaitFor(
        [&] {
            auto url = loopback::TcpUrl(port);
            NET_DVR_USER_LOGIN_INFO info{};
            std::snprintf(info.sDeviceAddress, sizeof info.sDeviceAddress, "%s", url.c_str());
            id = NET_DVR_Login_V40(&info, nullptr);
            return id >= 0;
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(kLoginTimeout));
    if (id < 0) {
        std::fprintf(stderr, "could not log in to the loopback stream\n");
        std::remove(clip.c_str());
        return 1;
    }
    g_stamps.measureFrom = bench::WallSeconds() + kWarmUpSeconds;
    NET_DVR_PREVIEWINFO preview{};
    const int32_t handle = NET_DVR_RealPlay_V40(id, &preview, OnStream, nullptr);
    std::this_thread::sleep_for(std::chrono::duration<double>(kWarmUpSeconds + kMeasureSeconds));
    NET_DVR_StopRealPlay(handle);
    PlayM4_Stop(g_stamps.port);
    PlayM4_FreePort(g_stamps.port);
    NET_DVR_Cleanup();
    std::remove(clip.c_str());

    std::vector<double> samples;
    {
        std::lock_guard<std::mutex> lock(g_stamps.mutex);
        samples = g_stamps.latencyMs;
    }
    std::fprintf(stderr,
                 "H.264 1920x1080 over tcp://127.0.0.1: %zu frames, packet read -> BGR "
                 "delivered: median %.2f ms, p95 %.2f ms, max %.2f ms\n",
                 samples.size(), bench::Percentile(samples, 0.5), bench::Percentile(samples, 0.95),
                 bench::Percentile(samples, 1.0));
    return samples.empty() ? 1 : 0;
}
