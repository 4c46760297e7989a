// Small, bounded-time socket operations for the link.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "linkproto/UniqueFd.h"

namespace linkproto {

// Non-blocking connect to an IPv4 address, waiting at most timeout. The
// returned socket stays non-blocking; it is invalid on any failure, and errno
// then says why: EINVAL (no IPv4 address, or a port out of range), ETIMEDOUT
// (the wait ran out) or the connection's own error (ECONNREFUSED, ...).
UniqueFd connectTcp(const char* address, int port, std::chrono::milliseconds timeout);

// Listening socket on an IPv4 address; port 0 picks a free port.
UniqueFd listenTcp(const char* address, int port, int backlog);
// The local port a socket is bound to, 0 on failure.
int localPort(int fd);

// Writes all bytes or fails; never raises SIGPIPE and never waits longer
// than timeout for buffer space.
bool sendAll(int fd, const uint8_t* data, size_t size, std::chrono::milliseconds timeout);

} // namespace linkproto
