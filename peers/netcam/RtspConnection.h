// One RTSP connection over TCP: requests with their answers (Basic or
// Digest authentication as the camera asks), then the interleaved RTP
// frames that PLAY starts. Every wait ends at a deadline or when stop is
// raised, whichever comes first.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "RtspDescription.h"

namespace netcam {

class RtspConnection {
public:
    using Clock = std::chrono::steady_clock;

    struct Response {
        int status = 0;                                           // 0: no answer (see error())
        std::vector<std::pair<std::string, std::string>> headers; // names in lower case
        std::string body;
        std::string header(const std::string& name) const;
    };

    RtspConnection(RtspUrl url, std::function<bool()> stopped)
        : m_url(std::move(url)), m_stopped(std::move(stopped))
    {
    }
    ~RtspConnection();
    RtspConnection(const RtspConnection&) = delete;
    RtspConnection& operator=(const RtspConnection&) = delete;

    // errno's reason when the connection did not open.
    int connect(Clock::time_point deadline);
    // Sends a request and waits for its answer, answering one challenge.
    // extra: header lines, each ending in CRLF.
    Response request(const std::string& method, const std::string& url, const std::string& extra,
                     Clock::time_point deadline);
    // Sends a request whose answer nobody waits for (readFrame passes it over).
    bool send(const std::string& method, const std::string& url, const std::string& extra,
              Clock::time_point deadline);
    // The next interleaved frame: false when the connection broke, the
    // deadline passed or stop was raised (error() says which).
    bool readFrame(uint8_t& channel, std::vector<uint8_t>& data, Clock::time_point deadline);

    // Requests after SETUP name its session.
    void setSession(std::string session) { m_session = std::move(session); }

    // errno of the last failure: ETIMEDOUT, ECANCELED, ECONNRESET, EBADMSG...
    int error() const { return m_error; }
    const RtspUrl& url() const { return m_url; }

private:
    std::string requestText(const std::string& method, const std::string& url,
                            const std::string& extra);
    bool readResponse(Response& response, Clock::time_point deadline);
    bool readMessage(Response& message, Clock::time_point deadline);
    bool fill(size_t bytes, Clock::time_point deadline);
    size_t buffered() const { return m_end - m_start; }
    void authenticate(const Response& challenge);
    std::string authorization(const std::string& method, const std::string& url);

    RtspUrl m_url;
    std::function<bool()> m_stopped;
    int m_fd = -1;
    int m_error = 0;
    unsigned m_sequence = 0;
    std::string m_session;
    // Authentication the camera asked for: "Basic", or "Digest" with its realm and nonce.
    std::string m_scheme, m_realm, m_nonce, m_opaque, m_qop;
    unsigned m_nonceCount = 0;
    std::vector<uint8_t> m_buffer;
    size_t m_start = 0, m_end = 0;
};

} // namespace netcam
