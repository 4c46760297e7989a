#include "LoopbackServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

extern char** environ;

namespace loopback {
namespace {

constexpr auto kPollStep = std::chrono::milliseconds(20);
constexpr int kAcceptPollMs = 50;
constexpr int kReadPollMs = 2000;
constexpr size_t kRequestBytes = 4096;

} // namespace

int BindLoopback(int type, uint16_t& port)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (type == SOCK_STREAM) {
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

void AcceptUntilStopped(int listener, const std::atomic<bool>& stop,
                        const std::function<void(int client)>& handle)
{
    while (!stop) {
        pollfd wait{listener, POLLIN, 0};
        if (::poll(&wait, 1, kAcceptPollMs) <= 0) {
            continue;
        }
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            handle(client);
            ::close(client);
        }
    }
}

uint16_t FreePort()
{
    uint16_t port = 0;
    const int fd = BindLoopback(SOCK_STREAM, port);
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

FfmpegProcess::FfmpegProcess(const std::vector<std::string>& arguments)
{
    std::vector<std::string> all{"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "quiet"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ) == 0) {
        m_pid = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
}

FfmpegProcess::~FfmpegProcess()
{
    kill();
}

void FfmpegProcess::kill()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

void FfmpegProcess::freeze()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGSTOP);
    }
}

bool FfmpegProcess::wait(std::chrono::milliseconds timeout)
{
    return WaitFor(
        [this] {
            if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
            }
            return m_pid <= 0;
        },
        timeout);
}

std::vector<std::string> H264TestVideo(int width, int height, bool live)
{
    std::vector<std::string> arguments;
    if (live) {
        arguments.push_back("-re");
    }
    const std::string source =
        "testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=25";
    arguments.insert(arguments.end(),
                     {"-f", "lavfi", "-i", source, "-c:v", "libx264", "-preset", "ultrafast",
                      "-tune", "zerolatency", "-g", "25", "-bf", "0", "-pix_fmt", "yuv420p"});
    return arguments;
}

std::vector<std::string> LiveH264Server(uint16_t port, int width, int height)
{
    std::vector<std::string> arguments = H264TestVideo(width, height, true);
    arguments.insert(arguments.end(), {"-f", "mpegts", TcpUrl(port) + "?listen=1"});
    return arguments;
}

std::string TcpUrl(uint16_t port)
{
    return "tcp://127.0.0.1:" + std::to_string(port);
}

RefusingRtspServer::RefusingRtspServer()
{
    m_listener = BindLoopback(SOCK_STREAM, m_port);
    if (m_listener >= 0 && ::listen(m_listener, 4) == 0) {
        m_thread = std::thread([this] {
            AcceptUntilStopped(m_listener, m_stop, [this](int client) { answer(client); });
        });
    }
}

RefusingRtspServer::~RefusingRtspServer()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_listener >= 0) {
        ::close(m_listener);
    }
}

void RefusingRtspServer::answer(int client)
{
    std::string request;
    char buffer[kRequestBytes];
    while (!m_stop) {
        pollfd wait{client, POLLIN, 0};
        if (::poll(&wait, 1, kReadPollMs) <= 0) {
            return;
        }
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        request.append(buffer, static_cast<size_t>(got));
        size_t end;
        while ((end = request.find("\r\n\r\n")) != std::string::npos) {
            const auto head = request.substr(0, end);
            request.erase(0, end + 4);
            std::string cseq = "1";
            const auto at = head.find("CSeq:");
            if (at != std::string::npos) {
                const auto lineEnd = head.find("\r\n", at);
                cseq = head.substr(at + 5, lineEnd == std::string::npos ? std::string::npos
                                                                        : lineEnd - at - 5);
            }
            ++m_requests;
            const std::string reply = "RTSP/1.0 401 Unauthorized\r\nCSeq:" + cseq +
                                      "\r\nWWW-Authenticate: Basic realm=\"camera\"\r\n"
                                      "Content-Length: 0\r\n\r\n";
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
    }
}

} // namespace loopback
