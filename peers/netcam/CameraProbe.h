// Whether a camera is there at all: a TCP connection to the port its
// address names, opened and closed again. Cheap enough to ask once a second
// while a lost camera is away, so its return is noticed at once without a
// full login each time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "SourceAddress.h"

namespace netcam {

struct ProbeTarget {
    std::string host;
    uint16_t port = 0;
};

// The host and port of a camera server (rtsp, rtsps, http, https); empty for
// the simulated camera, files, tcp:// and udp:// streams and anything else.
std::optional<ProbeTarget> ProbeTargetOf(const SourceSpec& spec);

// Waits until fd is ready for events (POLLIN, POLLOUT): 0 when it is, else
// ETIMEDOUT at the deadline, ECANCELED once stopped, or poll's errno.
int WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline,
              const std::function<bool()>& stopped);

// A non-blocking TCP socket connected to host:port by the deadline, or -1
// with errno saying why (ECONNREFUSED, ETIMEDOUT, ECANCELED for stop,
// EHOSTUNREACH for a name that does not resolve).
int ConnectTcp(const std::string& host, uint16_t port,
               std::chrono::steady_clock::time_point deadline,
               const std::function<bool()>& stopped);

// True when a connection to the target opens within timeout; false at once
// when stop is raised.
bool Answers(const ProbeTarget& target, std::chrono::milliseconds timeout,
             const std::atomic<bool>& stop);

} // namespace netcam
