// Stream servers on 127.0.0.1 for tests and benchmarks: the ffmpeg command
// line serving MPEG-TS over TCP, and an RTSP server that refuses every login.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace loopback {

// A port nobody listens on right now (bound to port 0, then closed).
uint16_t FreePort();

// A socket of the type (SOCK_STREAM, SOCK_DGRAM) bound to port on 127.0.0.1
// (0: a free port, stored in port); -1 on failure.
int BindLoopback(int type, uint16_t& port);

// Accepts connections on the listener one at a time until stop is set,
// hands each to handle and closes it after.
void AcceptUntilStopped(int listener, const std::atomic<bool>& stop,
                        const std::function<void(int client)>& handle);

// Polls condition until it holds or timeout passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// An ffmpeg child process; killed and reaped on destruction.
class FfmpegProcess {
public:
    explicit FfmpegProcess(const std::vector<std::string>& arguments);
    ~FfmpegProcess();
    FfmpegProcess(const FfmpegProcess&) = delete;
    FfmpegProcess& operator=(const FfmpegProcess&) = delete;

    bool running() const { return m_pid > 0; }
    void kill();
    // Freezes the process: its connections stay open but carry nothing.
    void freeze();
    // Waits for the process to end by itself; false on timeout.
    bool wait(std::chrono::milliseconds timeout);

private:
    pid_t m_pid = -1;
};

// ffmpeg arguments up to the output for low-latency H.264 test video at 25 fps: a key frame
// every second, no B-frames. Live input is read at the real frame rate.
std::vector<std::string> H264TestVideo(int width, int height, bool live);

// Arguments that serve live H.264 test video as MPEG-TS on tcp://127.0.0.1:port.
std::vector<std::string> LiveH264Server(uint16_t port, int width, int height);
std::string TcpUrl(uint16_t port);

// Answers every RTSP request with 401 Unauthorized.
class RefusingRtspServer {
public:
    RefusingRtspServer();
    ~RefusingRtspServer();
    RefusingRtspServer(const RefusingRtspServer&) = delete;
    RefusingRtspServer& operator=(const RefusingRtspServer&) = delete;

    uint16_t port() const { return m_port; }
    int requests() const { return m_requests.load(); }

private:
    void answer(int client);
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

} // namespace loopback
