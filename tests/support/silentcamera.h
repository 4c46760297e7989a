// A camera address on 127.0.0.1 that takes the connection and never answers:
// a login there stays under way for the whole connect wait.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class SilentCamera {
public:
    SilentCamera()
    {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(local);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        ::listen(m_fd, 16);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length);
        m_port = ntohs(local.sin_port);
    }
    ~SilentCamera() { ::close(m_fd); }
    SilentCamera(const SilentCamera&) = delete;
    SilentCamera& operator=(const SilentCamera&) = delete;
    int port() const { return m_port; }

private:
    int m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int m_port = 0;
};
