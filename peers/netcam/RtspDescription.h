// What an RTSP session needs from a camera's address and from its session
// description (SDP).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RtpDepacketizer.h"

namespace netcam {

struct RtspUrl {
    std::string host; // without the brackets of an IPv6 address
    uint16_t port = 554;
    std::string user;     // percent-decoded
    std::string password; // percent-decoded
    std::string request;  // the URL without its user info, as requests name it
};

std::optional<RtspUrl> ParseRtspUrl(const std::string& url);

struct VideoTrack {
    RtpDepacketizer::Codec codec = RtpDepacketizer::Codec::H264;
    int payloadType = 0;
    int clockRate = 90000;
    int frameRate = 0;
    std::string control;                // as the description gives it
    std::vector<uint8_t> parameterSets; // Annex B, from the sprop-* attributes
};

struct SessionDescription {
    std::string control; // the session's aggregate control, if given
    std::optional<VideoTrack> video;
};

// The first video track of a description, when it is H.264 or H.265 over
// RTP; other streams (MJPEG, audio) are not this reader's business.
SessionDescription ParseSessionDescription(const std::string& sdp);

// RTSP header names, SDP attributes and encodings compare without case.
std::string LowerAscii(std::string text);

// A control attribute against the base URL (Content-Base or the request).
std::string ResolveControl(const std::string& base, const std::string& control);

} // namespace netcam
