#include "RtspTestServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace loopback {
namespace {

constexpr int kPollMs = 50;
constexpr size_t kBufferBytes = 65536;
constexpr auto kSdpTimeout = std::chrono::seconds(20);
constexpr int kVideoWidth = 160;
constexpr int kVideoHeight = 120;

std::string Base64(const std::string& in)
{
    static constexpr char kTable[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const uint32_t n = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8) | uint8_t(in[i + 2]);
        out += {kTable[n >> 18], kTable[(n >> 12) & 63], kTable[(n >> 6) & 63], kTable[n & 63]};
    }
    if (i + 1 == in.size()) {
        const uint32_t n = uint8_t(in[i]) << 16;
        out += {kTable[n >> 18], kTable[(n >> 12) & 63], '=', '='};
    } else if (i + 2 == in.size()) {
        const uint32_t n = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8);
        out += {kTable[n >> 18], kTable[(n >> 12) & 63], kTable[(n >> 6) & 63], '='};
    }
    return out;
}

std::string Header(const std::string& request, const std::string& name)
{
    const auto at = request.find("\r\n" + name + ":");
    if (at == std::string::npos) {
        return {};
    }
    const auto start = request.find_first_not_of(' ', at + name.size() + 3);
    return request.substr(start, request.find("\r\n", start) - start);
}

bool SendAll(int fd, const std::string& data)
{
    return ::send(fd, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
}

} // namespace

RtspTestServer::RtspTestServer(std::string user, std::string password)
    : m_credentials(Base64(user + ":" + password))
{
    uint16_t rtpPort = 0;
    m_rtp = BindLoopback(SOCK_DGRAM, rtpPort);
    m_listener = BindLoopback(SOCK_STREAM, m_port);
    if (m_rtp < 0 || m_listener < 0 || ::listen(m_listener, 4) != 0) {
        m_port = 0;
        return;
    }
    m_sdpPath =
        "/tmp/rtsp-test-" + std::to_string(::getpid()) + "-" + std::to_string(m_port) + ".sdp";
    std::vector<std::string> arguments = H264TestVideo(kVideoWidth, kVideoHeight, true);
    arguments.insert(arguments.end(), {"-f", "rtp", "-sdp_file", m_sdpPath,
                                       "rtp://127.0.0.1:" + std::to_string(rtpPort)});
    m_source = std::make_unique<FfmpegProcess>(arguments);
    m_thread = std::thread([this] {
        AcceptUntilStopped(m_listener, m_stop, [this](int client) { session(client); });
    });
}

RtspTestServer::~RtspTestServer()
{
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_source.reset();
    for (int fd : {m_listener, m_rtp}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (!m_sdpPath.empty()) {
        std::remove(m_sdpPath.c_str());
    }
}

bool RtspTestServer::authorised(const std::string& request) const
{
    return Header(request, "Authorization") == "Basic " + m_credentials;
}

std::string RtspTestServer::sdp() const
{
    std::string text;
    WaitFor(
        [&] {
            std::ifstream file(m_sdpPath);
            std::stringstream content;
            content << file.rdbuf();
            text = content.str();
            return text.find("m=video") != std::string::npos;
        },
        kSdpTimeout);
    // ffmpeg's SDP starts with a comment line; the track gets a control name.
    if (text.rfind("SDP:", 0) == 0) {
        text.erase(0, text.find('\n') + 1);
    }
    const auto media = text.find("m=video");
    const auto lineEnd = text.find('\n', media);
    text.insert(lineEnd + 1, "a=control:track0\r\n");
    return text;
}

void RtspTestServer::session(int client)
{
    std::string pending;
    bool playing = false;
    std::vector<char> buffer(kBufferBytes);
    while (!m_stop) {
        pollfd waits[2] = {{client, POLLIN, 0}, {m_rtp, POLLIN, 0}};
        if (::poll(waits, playing ? 2 : 1, kPollMs) <= 0) {
            continue;
        }
        if ((waits[1].revents & POLLIN) != 0) {
            const ssize_t got = ::recv(m_rtp, buffer.data(), buffer.size(), 0);
            if (got > 0) {
                std::string frame{'$', '\0', char(got >> 8), char(got & 0xff)};
                frame.append(buffer.data(), static_cast<size_t>(got));
                if (!SendAll(client, frame)) {
                    return;
                }
            }
        }
        if ((waits[0].revents & (POLLIN | POLLHUP)) == 0) {
            continue;
        }
        const ssize_t got = ::recv(client, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            return;
        }
        pending.append(buffer.data(), static_cast<size_t>(got));
        size_t end;
        while ((end = pending.find("\r\n\r\n")) != std::string::npos) {
            const std::string request = pending.substr(0, end + 2);
            pending.erase(0, end + 4);
            const std::string method = request.substr(0, request.find(' '));
            std::string reply = "RTSP/1.0 200 OK\r\nCSeq: " + Header(request, "CSeq") + "\r\n";
            if (!authorised(request)) {
                ++m_refused;
                reply = "RTSP/1.0 401 Unauthorized\r\nCSeq: " + Header(request, "CSeq") +
                        "\r\nWWW-Authenticate: Basic realm=\"camera\"\r\n\r\n";
            } else if (method == "OPTIONS") {
                reply += "Public: OPTIONS, DESCRIBE, SETUP, PLAY, TEARDOWN\r\n\r\n";
            } else if (method == "DESCRIBE") {
                const std::string body = sdp();
                reply += "Content-Type: application/sdp\r\nContent-Length: " +
                         std::to_string(body.size()) + "\r\n\r\n" + body;
            } else if (method == "SETUP") {
                reply += "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\nSession: 1\r\n\r\n";
            } else if (method == "PLAY") {
                reply += "Session: 1\r\n\r\n";
                playing = true;
            } else {
                reply += "Session: 1\r\n\r\n";
                playing = false;
            }
            if (!SendAll(client, reply)) {
                return;
            }
        }
    }
}

} // namespace loopback
