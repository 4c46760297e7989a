// Figures for the robot link: command latency on loopback, frame decode
// time, and the CPU load of the link's threads (receive and callback) at 20
// status records a second.
// Usage: link_bench [seconds for the CPU measurement, default 20]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <time.h>
#include <vector>

#include "BenchSupport.h"
#include "ISocketSystemHead.h"
#include "linkproto/Codec.h"
#include "linkproto/FrameDecoder.h"
#include "linkproto/TcpSocket.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kCommandCalls = 10000;
constexpr int kDecodeFrames = 100000;
constexpr int kDecodeRuns = 5;
constexpr milliseconds kStatusPeriod{50};
constexpr milliseconds kHeartbeatPeriod{250};
constexpr milliseconds kWait{5000};
constexpr char kReceiveThreadName[] = "drummel-rx";
constexpr char kCallbackThreadName[] = "drummel-cb";

class QuietMsg : public ISocketSystemHeadMsg {
public:
    int OnLinkState(const char*) override { return 0; }
    int OnStatusData(const LinkStatusRecord* record) override
    {
        static_cast<void>(record);
        ++statuses;
        return 0;
    }
    int OnControlData(const LinkControlRecord*) override { return 0; }
    std::atomic<int> statuses{0};
};

// CPU time of the calling thread; unlike wall time it does not count the
// time other processes hold the core.
double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// A connected link and the peer end of its socket.
struct Loopback {
    QuietMsg msg;
    ISocketSystemHead* link = CreateISocketSystemHead(&msg);
    linkproto::UniqueFd peer;

    bool open()
    {
        linkproto::UniqueFd listener = linkproto::listenTcp("127.0.0.1", 0, 1);
        if (!listener || link->Connect("127.0.0.1", linkproto::localPort(listener.get())) != 0) {
            return false;
        }
        peer = linkproto::UniqueFd(::accept(listener.get(), nullptr, nullptr));
        return static_cast<bool>(peer) && link->Start() == 0;
    }
};

bool readable(int fd)
{
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, static_cast<int>(kWait.count())) > 0;
}

void commandLatency()
{
    Loopback loop;
    if (!loop.open()) {
        std::printf("command latency: cannot open a loopback link\n");
        return;
    }
    linkproto::FrameDecoder decoder;
    linkproto::Frame frame;
    uint8_t chunk[4096];
    std::vector<double> samples;
    samples.reserve(kCommandCalls);
    for (int i = 0; i < kCommandCalls; ++i) {
        const auto value = static_cast<uint16_t>(1000 + i % 1000);
        const auto start = Clock::now();
        loop.link->SetCarPwm(value, value);
        bool seen = false;
        while (!seen && readable(loop.peer.get())) {
            const ssize_t n = ::recv(loop.peer.get(), chunk, sizeof(chunk), 0);
            if (n <= 0) {
                break;
            }
            decoder.push(chunk, static_cast<size_t>(n));
            while (decoder.pop(frame)) {
                seen = seen || frame.type == linkproto::MsgType::SetCarPwm;
            }
        }
        if (!seen) {
            std::printf("command latency: command %d never arrived\n", i);
            return;
        }
        samples.push_back(microseconds(Clock::now() - start));
    }
    loop.link->Disconnect();
    std::printf("command latency (call to frame read on the loopback peer), %d calls: "
                "median %.1f us, p95 %.1f us, max %.1f us\n",
                kCommandCalls, bench::Percentile(samples, 0.5), bench::Percentile(samples, 0.95),
                bench::Percentile(samples, 1.0));
}

void decodeTime()
{
    std::vector<uint8_t> stream;
    LinkStatusRecord record{};
    linkproto::FrameBuffer buffer;
    for (int i = 0; i < kDecodeFrames; ++i) {
        record.Wir_length = static_cast<uint32_t>(i);
        const size_t size = linkproto::encodeRecord(linkproto::MsgType::Status, record,
                                                    static_cast<uint16_t>(i), buffer);
        stream.insert(stream.end(), buffer.begin(), buffer.begin() + static_cast<long>(size));
    }
    constexpr size_t kReadChunk = 4096; // as the receive thread reads
    double best = 1e30;
    double bestWall = 1e30;
    uint64_t checksum = 0;
    for (int run = 0; run < kDecodeRuns; ++run) {
        linkproto::FrameDecoder decoder;
        linkproto::Frame frame;
        int frames = 0;
        const double cpuStart = threadCpuSeconds();
        const auto start = Clock::now();
        for (size_t at = 0; at < stream.size(); at += kReadChunk) {
            decoder.push(stream.data() + at, std::min(kReadChunk, stream.size() - at));
            while (decoder.pop(frame)) {
                checksum += linkproto::decodeRecord<LinkStatusRecord>(frame).Wir_length;
                ++frames;
            }
        }
        const double wall = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        best = std::min(best, (threadCpuSeconds() - cpuStart) * 1e9 / frames);
        bestWall = std::min(bestWall, wall / frames);
    }
    std::printf("frame decode (118-byte status frame, push + pop + record copy): %.0f ns CPU "
                "(%.0f ns wall) per frame, best of %d runs of %d frames; checksum %llu\n",
                best, bestWall, kDecodeRuns, kDecodeFrames,
                static_cast<unsigned long long>(checksum));
}

// CPU time in nanoseconds the named thread of this process has used.
long long threadCpuNs(const std::string& name)
{
    DIR* dir = ::opendir("/proc/self/task");
    if (dir == nullptr) {
        return -1;
    }
    long long result = -1;
    while (dirent* entry = ::readdir(dir)) {
        const std::string task = std::string("/proc/self/task/") + entry->d_name;
        std::string comm;
        std::getline(std::ifstream(task + "/comm"), comm);
        if (comm == name) {
            std::ifstream(task + "/schedstat") >> result;
            break;
        }
    }
    ::closedir(dir);
    return result;
}

void receiveThreadLoad(int seconds)
{
    Loopback loop;
    if (!loop.open()) {
        std::printf("receive load: cannot open a loopback link\n");
        return;
    }
    std::atomic<bool> stop{false};
    // The crawler's side: status at 20 Hz and a heartbeat every 250 ms.
    std::thread crawler([&] {
        LinkStatusRecord record{};
        linkproto::FrameBuffer buffer;
        uint16_t seq = 0;
        auto nextHeartbeat = Clock::now();
        uint8_t sink[4096];
        while (!stop) {
            const auto now = Clock::now();
            size_t size =
                linkproto::encodeRecord(linkproto::MsgType::Status, record, seq++, buffer);
            linkproto::sendAll(loop.peer.get(), buffer.data(), size, kWait);
            if (now >= nextHeartbeat) {
                size = linkproto::encodeFrame(linkproto::MsgType::Heartbeat, seq++, nullptr, 0,
                                              buffer);
                linkproto::sendAll(loop.peer.get(), buffer.data(), size, kWait);
                nextHeartbeat = now + kHeartbeatPeriod;
            }
            while (::recv(loop.peer.get(), sink, sizeof(sink), MSG_DONTWAIT) > 0) {
            }
            std::this_thread::sleep_until(now + kStatusPeriod);
        }
    });
    std::this_thread::sleep_for(milliseconds(500));
    const long long rxStart = threadCpuNs(kReceiveThreadName);
    const long long cbStart = threadCpuNs(kCallbackThreadName);
    const int statusStart = loop.msg.statuses;
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long rxEnd = threadCpuNs(kReceiveThreadName);
    const long long cbEnd = threadCpuNs(kCallbackThreadName);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const int records = loop.msg.statuses - statusStart;
    stop = true;
    crawler.join();
    loop.link->Disconnect();
    if (rxStart < 0 || rxEnd < 0 || cbStart < 0 || cbEnd < 0) {
        std::printf("receive load: link threads not found\n");
        return;
    }
    const auto share = [wall](long long ns) { return ns / 1e6 / (wall * 1000.0) * 100.0; };
    std::printf("link threads at 20 Hz: %d status records in %.1f s; receive thread %.3f %%, "
                "callback thread %.3f %%, together %.3f %% of one core\n",
                records, wall, share(rxEnd - rxStart), share(cbEnd - cbStart),
                share(rxEnd - rxStart + cbEnd - cbStart));
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    commandLatency();
    decodeTime();
    receiveThreadLoad(seconds);
    return 0;
}
