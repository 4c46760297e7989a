#include "CameraProbe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

namespace netcam {
namespace {

constexpr auto kStopCheck = std::chrono::milliseconds(50);
constexpr size_t kFieldBytes = 1024;

struct AddressFree {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

// Servers that take many connections; a tcp:// stream serves one client,
// which a probe would take from the play.
uint16_t DefaultPort(const std::string& scheme)
{
    if (scheme == "rtsp") {
        return 554;
    }
    if (scheme == "rtsps" || scheme == "https") {
        return 443;
    }
    if (scheme == "http") {
        return 80;
    }
    return 0;
}

// Waits for the connection under way on fd until the deadline; 0 when it
// opened, else why not.
int Connected(int fd, std::chrono::steady_clock::time_point deadline,
              const std::function<bool()>& stopped)
{
    const int waited = WaitReady(fd, POLLOUT, deadline, stopped);
    if (waited != 0) {
        return waited;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 ? error : errno;
}

} // namespace

std::optional<ProbeTarget> ProbeTargetOf(const SourceSpec& spec)
{
    if (spec.kind != SourceSpec::Kind::Url) {
        return std::nullopt;
    }
    char scheme[kFieldBytes] = {};
    char host[kFieldBytes] = {};
    char path[kFieldBytes] = {};
    int port = -1;
    av_url_split(scheme, sizeof scheme, nullptr, 0, host, sizeof host, &port, path, sizeof path,
                 spec.url.c_str());
    ProbeTarget target;
    target.host = host;
    target.port = port > 0 && port <= 65535 ? static_cast<uint16_t>(port) : DefaultPort(scheme);
    if (DefaultPort(scheme) == 0 || target.host.empty() || target.port == 0) {
        return std::nullopt;
    }
    return target;
}

int WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline,
              const std::function<bool()>& stopped)
{
    for (;;) {
        if (stopped()) {
            return ECANCELED;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return ETIMEDOUT;
        }
        pollfd ready{fd, events, 0};
        const int count = ::poll(&ready, 1, static_cast<int>(std::min(left, kStopCheck).count()));
        if (count < 0 && errno != EINTR) {
            return errno;
        }
        if (count > 0) {
            return 0;
        }
    }
}

int ConnectTcp(const std::string& host, uint16_t port,
               std::chrono::steady_clock::time_point deadline, const std::function<bool()>& stopped)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        errno = EHOSTUNREACH;
        return -1;
    }
    const std::unique_ptr<addrinfo, AddressFree> addresses(found);
    int error = EHOSTUNREACH;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const int fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     address->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = ::connect(fd, address->ai_addr, address->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            error = Connected(fd, deadline, stopped);
        }
        if (error == 0) {
            return fd;
        }
        ::close(fd);
        if (error == ECANCELED || error == ETIMEDOUT) {
            break;
        }
    }
    errno = error;
    return -1;
}

bool Answers(const ProbeTarget& target, std::chrono::milliseconds timeout,
             const std::atomic<bool>& stop)
{
    const int fd = ConnectTcp(target.host, target.port, std::chrono::steady_clock::now() + timeout,
                              [&stop] { return stop.load(); });
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace netcam
