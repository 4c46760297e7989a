// Error codes of the camera SDK (NET_DVR_GetLastError), as the camera
// libraries report them to their hosts through GetLastError.
#pragma once

#include <cstdint>

constexpr uint32_t NET_DVR_NOERROR = 0;
constexpr uint32_t NET_DVR_PASSWORD_ERROR = 1; // user name or password refused
constexpr uint32_t NET_DVR_NOINIT = 3;
constexpr uint32_t NET_DVR_CHANNEL_ERROR = 4;         // no stream at that path or channel
constexpr uint32_t NET_DVR_NETWORK_FAIL_CONNECT = 7;  // connection refused
constexpr uint32_t NET_DVR_NETWORK_RECV_ERROR = 9;    // host unreachable, connection broken
constexpr uint32_t NET_DVR_NETWORK_RECV_TIMEOUT = 10; // no answer within the connect wait
constexpr uint32_t NET_DVR_NETWORK_ERRORDATA = 11;    // the answer is no video stream
constexpr uint32_t NET_DVR_PARAMETER_ERROR = 17;      // e.g. an address that names nothing
constexpr uint32_t NET_DVR_ALLOC_RESOURCE_ERROR = 41;
constexpr uint32_t NET_DVR_USERNOTEXIST = 47; // unknown login id
// The camera takes neither RTSP over TCP nor over UDP.
constexpr uint32_t NET_DVR_RTSP_SETUPERROR = 420;
// The camera answered and plays, but no video came within the connect wait.
constexpr uint32_t NET_DVR_RTSP_PLAYRECVTIMEOUT = 433;
