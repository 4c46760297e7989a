#include "RtspConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

extern "C" {
#include <libavutil/base64.h>
#include <libavutil/md5.h>
}

#include "CameraProbe.h"

namespace netcam {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kMaxBodyBytes = 1024 * 1024;
constexpr const char* kUserAgent = "User-Agent: netcam\r\n";

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string Md5Hex(const std::string& text)
{
    uint8_t digest[16];
    av_md5_sum(digest, reinterpret_cast<const uint8_t*>(text.data()),
               static_cast<int>(text.size()));
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (uint8_t byte : digest) {
        out += hex[byte >> 4];
        out += hex[byte & 15];
    }
    return out;
}

std::string Base64(const std::string& in)
{
    std::string out(AV_BASE64_SIZE(in.size()), '\0');
    av_base64_encode(out.data(), static_cast<int>(out.size()),
                     reinterpret_cast<const uint8_t*>(in.data()), static_cast<int>(in.size()));
    out.resize(out.size() - 1); // the terminating zero
    return out;
}

// The value of name="value" (or name=value) in a challenge's parameters.
std::string Parameter(const std::string& text, const std::string& name)
{
    const std::string lower = LowerAscii(text);
    size_t at = 0;
    while ((at = lower.find(name, at)) != std::string::npos) {
        const bool starts = at == 0 || lower[at - 1] == ' ' || lower[at - 1] == ',';
        size_t value = at + name.size();
        while (value < text.size() && text[value] == ' ') {
            ++value;
        }
        if (!starts || value >= text.size() || text[value] != '=') {
            at += name.size();
            continue;
        }
        ++value;
        while (value < text.size() && text[value] == ' ') {
            ++value;
        }
        if (value < text.size() && text[value] == '"') {
            const auto end = text.find('"', value + 1);
            return text.substr(value + 1, end == std::string::npos ? end : end - value - 1);
        }
        const auto end = text.find(',', value);
        return Trim(text.substr(value, end == std::string::npos ? end : end - value));
    }
    return {};
}

} // namespace

std::string RtspConnection::Response::header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

RtspConnection::~RtspConnection()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

int RtspConnection::connect(Clock::time_point deadline)
{
    m_fd = ConnectTcp(m_url.host, m_url.port, deadline, m_stopped);
    m_error = m_fd < 0 ? errno : 0;
    return m_error;
}

RtspConnection::Response RtspConnection::request(const std::string& method, const std::string& url,
                                                 const std::string& extra,
                                                 Clock::time_point deadline)
{
    Response response;
    for (int attempt = 0; attempt < 2; ++attempt) {
        response = Response{};
        if (!send(method, url, extra, deadline) || !readResponse(response, deadline)) {
            response.status = 0;
            return response;
        }
        // One answer to a challenge: the same one again means a wrong password.
        if (response.status != 401 || attempt > 0 || m_url.user.empty()) {
            break;
        }
        authenticate(response);
        if (m_scheme.empty()) {
            break;
        }
    }
    return response;
}

bool RtspConnection::send(const std::string& method, const std::string& url,
                          const std::string& extra, Clock::time_point deadline)
{
    const std::string text = requestText(method, url, extra);
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(m_fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            m_error = WaitReady(m_fd, POLLOUT, deadline, m_stopped);
            if (m_error != 0) {
                return false;
            }
            continue;
        }
        m_error = n < 0 ? errno : ECONNRESET;
        return false;
    }
    return true;
}

std::string RtspConnection::requestText(const std::string& method, const std::string& url,
                                        const std::string& extra)
{
    std::string text = method + " " + url + " RTSP/1.0\r\nCSeq: " + std::to_string(++m_sequence) +
                       "\r\n" + kUserAgent + authorization(method, url);
    if (!m_session.empty()) {
        text += "Session: " + m_session + "\r\n";
    }
    return text + extra + "\r\n";
}

void RtspConnection::authenticate(const Response& challenge)
{
    m_scheme.clear();
    for (const auto& [name, value] : challenge.headers) {
        if (name != "www-authenticate") {
            continue;
        }
        const std::string scheme = LowerAscii(value.substr(0, value.find(' ')));
        if (scheme == "digest") {
            m_scheme = "Digest";
            m_realm = Parameter(value, "realm");
            m_nonce = Parameter(value, "nonce");
            m_opaque = Parameter(value, "opaque");
            m_qop =
                LowerAscii(Parameter(value, "qop")).find("auth") != std::string::npos ? "auth" : "";
            m_nonceCount = 0;
            return; // Digest before Basic, which sends the password as it is
        }
        if (scheme == "basic") {
            m_scheme = "Basic";
        }
    }
}

std::string RtspConnection::authorization(const std::string& method, const std::string& url)
{
    if (m_scheme == "Basic") {
        return "Authorization: Basic " + Base64(m_url.user + ":" + m_url.password) + "\r\n";
    }
    if (m_scheme != "Digest") {
        return {};
    }
    const std::string ha1 = Md5Hex(m_url.user + ":" + m_realm + ":" + m_url.password);
    const std::string ha2 = Md5Hex(method + ":" + url);
    std::string text = "Authorization: Digest username=\"" + m_url.user + "\", realm=\"" + m_realm +
                       "\", nonce=\"" + m_nonce + "\", uri=\"" + url + "\"";
    if (m_qop.empty()) {
        text += ", response=\"" + Md5Hex(ha1 + ":" + m_nonce + ":" + ha2) + "\"";
    } else {
        char count[9];
        std::snprintf(count, sizeof count, "%08x", ++m_nonceCount);
        const std::string cnonce = std::to_string(std::random_device{}());
        text += ", response=\"" +
                Md5Hex(ha1 + ":" + m_nonce + ":" + count + ":" + cnonce + ":auth:" + ha2) +
                "\", qop=auth, nc=" + count + ", cnonce=\"" + cnonce + "\"";
    }
    if (!m_opaque.empty()) {
        text += ", opaque=\"" + m_opaque + "\"";
    }
    return text + "\r\n";
}

// Reads until bytes are buffered; false on a broken connection, the
// deadline or stop.
bool RtspConnection::fill(size_t bytes, Clock::time_point deadline)
{
    while (buffered() < bytes) {
        if (m_start > 0 && m_buffer.size() - m_end < kReadChunk) {
            std::copy(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start),
                      m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end), m_buffer.begin());
            m_end -= m_start;
            m_start = 0;
        }
        m_buffer.resize(std::max(m_buffer.size(), std::max(bytes, m_end + kReadChunk)));
        const ssize_t n = ::recv(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end, 0);
        if (n > 0) {
            m_end += static_cast<size_t>(n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            m_error = n == 0 ? ECONNRESET : errno;
            return false;
        }
        m_error = WaitReady(m_fd, POLLIN, deadline, m_stopped);
        if (m_error != 0) {
            return false;
        }
    }
    return true;
}

bool RtspConnection::readResponse(Response& response, Clock::time_point deadline)
{
    for (;;) {
        if (!fill(1, deadline)) {
            return false;
        }
        // Frames still on their way from before are passed over, and so is
        // the answer to a request nobody waited for.
        if (m_buffer[m_start] == '$') {
            uint8_t channel = 0;
            std::vector<uint8_t> passed;
            if (!readFrame(channel, passed, deadline)) {
                return false;
            }
        } else if (!readMessage(response, deadline)) {
            return false;
        } else if (response.status > 0 && (response.header("cseq").empty() ||
                                           response.header("cseq") == std::to_string(m_sequence))) {
            return true;
        }
    }
}

bool RtspConnection::readMessage(Response& message, Clock::time_point deadline)
{
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
        const std::string_view text(reinterpret_cast<const char*>(m_buffer.data() + m_start),
                                    buffered());
        headerEnd = text.find("\r\n\r\n");
        if (headerEnd == std::string::npos &&
            (buffered() > kMaxHeaderBytes || !fill(buffered() + 1, deadline))) {
            m_error = m_error == 0 ? EBADMSG : m_error;
            return false;
        }
    }
    const std::string head(reinterpret_cast<const char*>(m_buffer.data() + m_start), headerEnd);
    m_start += headerEnd + 4;
    message = Response{};
    size_t at = head.find("\r\n");
    const std::string first = head.substr(0, at);
    while (at != std::string::npos) {
        const size_t next = head.find("\r\n", at + 2);
        const std::string line =
            head.substr(at + 2, next == std::string::npos ? next : next - at - 2);
        const auto colon = line.find(':');
        if (colon != std::string::npos) {
            message.headers.emplace_back(LowerAscii(Trim(line.substr(0, colon))),
                                         Trim(line.substr(colon + 1)));
        }
        at = next;
    }
    const size_t length = std::strtoul(message.header("content-length").c_str(), nullptr, 10);
    if (length > kMaxBodyBytes || !fill(length, deadline)) {
        m_error = m_error == 0 ? EBADMSG : m_error;
        return false;
    }
    message.body.assign(reinterpret_cast<const char*>(m_buffer.data() + m_start), length);
    m_start += length;
    // A request from the camera keeps status 0: nothing here needs answering.
    if (first.rfind("RTSP/", 0) == 0) {
        message.status = std::atoi(first.c_str() + std::min(first.size(), size_t{9}));
    }
    return true;
}

bool RtspConnection::readFrame(uint8_t& channel, std::vector<uint8_t>& data,
                               Clock::time_point deadline)
{
    for (;;) {
        if (!fill(1, deadline)) {
            return false;
        }
        if (m_buffer[m_start] != '$') {
            Response passed; // a keep-alive's answer, or a camera's own request
            if (!readMessage(passed, deadline)) {
                return false;
            }
            continue;
        }
        if (!fill(4, deadline)) {
            return false;
        }
        channel = m_buffer[m_start + 1];
        const size_t size = static_cast<size_t>(m_buffer[m_start + 2]) << 8 | m_buffer[m_start + 3];
        if (!fill(4 + size, deadline)) {
            return false;
        }
        const auto begin = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start + 4);
        data.assign(begin, begin + static_cast<std::ptrdiff_t>(size));
        m_start += 4 + size;
        return true;
    }
}

} // namespace netcam
