// A main camera as the console meets one in the field: GStreamer's RTSP
// server with digest authentication, reached by its bare address (it serves
// channel 1's main stream at /Streaming/Channels/101 only). For the console
// tests and benchmarks.
#pragma once

#include "inisettings.h"
#include "rtspcamera.h"

#include <QString>

#include <cstdint>

namespace coretest {

inline RtspCamera::Options fieldCamera(const char* fps = "25", const char* codec = "h264")
{
    RtspCamera::Options camera;
    camera.fps = fps;
    camera.codec = codec;
    camera.width = 800;
    camera.height = 450;
    camera.user = "operator";
    camera.password = "secret";
    return camera;
}

// The main camera's keys point at a field camera on the port.
inline void setMainCamera(uint16_t port)
{
    SetQStringFromIni("/lognone/ip", "127.0.0.1");
    SetQStringFromIni("/lognone/port", QString::number(port));
    SetQStringFromIni("/lognone/name", "operator");
    SetQStringFromIni("/lognone/password", "secret");
}

} // namespace coretest
