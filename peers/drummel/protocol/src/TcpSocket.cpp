#include "linkproto/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace linkproto {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxPort = 65535;

int remainingMs(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for events on fd until the deadline; false on timeout or error.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd pfd{fd, events, 0};
        const int ready = ::poll(&pfd, 1, remainingMs(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

} // namespace

UniqueFd connectTcp(const char* address, int port, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    if (address == nullptr || port <= 0 || port > kMaxPort ||
        ::inet_pton(AF_INET, address, &peer.sin_addr) != 1) {
        errno = EINVAL;
        return {};
    }
    peer.sin_port = htons(static_cast<uint16_t>(port));

    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        return {};
    }
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof(peer)) != 0) {
        if (errno != EINPROGRESS) {
            return {};
        }
        if (!waitFor(fd.get(), POLLOUT, deadline)) {
            errno = ETIMEDOUT;
            return {};
        }
        int error = 0;
        socklen_t length = sizeof(error);
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            return {};
        }
        if (error != 0) {
            errno = error;
            return {};
        }
    }
    // Commands are a few bytes each and must leave at once.
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    return fd;
}

UniqueFd listenTcp(const char* address, int port, int backlog)
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (address == nullptr || port < 0 || port > kMaxPort ||
        ::inet_pton(AF_INET, address, &local.sin_addr) != 1) {
        return {};
    }
    local.sin_port = htons(static_cast<uint16_t>(port));
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int on = 1;
    if (!fd || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
        ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0 ||
        ::listen(fd.get(), backlog) != 0) {
        return {};
    }
    return fd;
}

int localPort(int fd)
{
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

bool sendAll(int fd, const uint8_t* data, size_t size, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

} // namespace linkproto
