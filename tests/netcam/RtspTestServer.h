// A small RTSP server on 127.0.0.1 for tests: checks Basic credentials and
// relays live H.264 RTP from an ffmpeg child over the RTSP connection
// (interleaved TCP, the transport the cameras are asked for).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "LoopbackServers.h"

namespace loopback {

class RtspTestServer {
public:
    RtspTestServer(std::string user, std::string password);
    ~RtspTestServer();
    RtspTestServer(const RtspTestServer&) = delete;
    RtspTestServer& operator=(const RtspTestServer&) = delete;

    uint16_t port() const { return m_port; }
    int refusedRequests() const { return m_refused.load(); }

private:
    void session(int client);
    bool authorised(const std::string& request) const;
    std::string sdp() const;

    std::string m_credentials; // base64 of user:password
    std::string m_sdpPath;
    int m_listener = -1;
    int m_rtp = -1; // UDP socket the ffmpeg child sends RTP to
    uint16_t m_port = 0;
    std::unique_ptr<FfmpegProcess> m_source;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_refused{0};
    std::thread m_thread;
};

} // namespace loopback
