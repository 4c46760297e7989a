// Whether a camera is there at all: a TCP connection to the port its
// address names, opened and closed again. Cheap enough to ask once a second
// while a lost camera is away, so its return is noticed at once without a
// full login each time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
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

// True when a connection to the target opens within timeout; false at once
// when stop is raised.
bool Answers(const ProbeTarget& target, std::chrono::milliseconds timeout,
             const std::atomic<bool>& stop);

} // namespace netcam
