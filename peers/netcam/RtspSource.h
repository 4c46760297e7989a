// Live H.264 and H.265 over RTSP/TCP read by netcam itself: a picture is
// handed on at the RTP packet that ends it. FFmpeg's RTSP reader hands it on
// only once the next picture begins, a whole frame interval later.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "MediaSource.h"

namespace netcam {

struct RtspOpenResult {
    std::unique_ptr<MediaSource> source;
    uint32_t error = 0; // NET_DVR_* code when source is empty
    // This reader does not take the camera (no H.264 or H.265 video, no
    // RTSP over TCP, an answer it does not know): FFmpeg's reader may.
    bool elsewhere = false;
    bool tcpRefused = false;
};

RtspOpenResult OpenRtsp(const std::string& url, std::chrono::milliseconds wait,
                        std::chrono::steady_clock::time_point deadline, MediaSource::StopFlag stop);

} // namespace netcam
