#include "SourceAddress.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace netcam {
namespace {

constexpr uint16_t kDefaultRtspPort = 554;
constexpr int kMinSimSide = 16;
constexpr int kMaxSimSide = 4096;
constexpr int kMaxSimFps = 240;
constexpr const char* kSimPrefix = "sim:";
// A camera's streams: /Streaming/Channels/101 is channel 1's main stream,
// 102 its sub stream, 201 channel 2's main stream.
constexpr const char* kChannelPath = "/Streaming/Channels/";
constexpr int32_t kMainChannel = 1;
constexpr uint32_t kMainStream = 0;
constexpr int64_t kStreamsPerChannel = 100;

std::string PercentEncode(const std::string& in)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : in) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string UserInfo(const std::string& user, const std::string& password)
{
    if (user.empty() && password.empty()) {
        return {};
    }
    return PercentEncode(user) + ":" + PercentEncode(password) + "@";
}

bool ParseInt(const std::string& text, int& value)
{
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

std::optional<SimParams> ParseSim(const std::string& rest)
{
    SimParams params;
    const auto query = rest.find('?');
    params.name = rest.substr(0, query);
    if (query == std::string::npos) {
        return params;
    }
    size_t pos = query + 1;
    while (pos <= rest.size()) {
        const auto amp = std::min(rest.find('&', pos), rest.size());
        const auto item = rest.substr(pos, amp - pos);
        const auto eq = item.find('=');
        int value = 0;
        if (eq == std::string::npos || !ParseInt(item.substr(eq + 1), value)) {
            return std::nullopt;
        }
        const auto key = item.substr(0, eq);
        if (key == "w") {
            params.width = value;
        } else if (key == "h") {
            params.height = value;
        } else if (key == "fps") {
            params.fps = value;
        } else {
            return std::nullopt;
        }
        pos = amp + 1;
    }
    const auto sideOk = [](int side) {
        return side >= kMinSimSide && side <= kMaxSimSide && side % 2 == 0;
    };
    if (!sideOk(params.width) || !sideOk(params.height) || params.fps < 0 ||
        params.fps > kMaxSimFps) {
        return std::nullopt;
    }
    return params;
}

bool ParsePort(const std::string& text, uint16_t& port)
{
    int value = 0;
    if (!ParseInt(text, value) || value < 1 || value > 65535) {
        return false;
    }
    port = static_cast<uint16_t>(value);
    return true;
}

bool HostCharacters(const std::string& host)
{
    for (unsigned char c : host) {
        if (!(std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == ':')) {
            return false;
        }
    }
    return !host.empty();
}

// "host", "host:port", "[v6]", "[v6]:port" or a bare IPv6 address, as the
// authority of a URL; port is replaced when the text names one.
std::optional<std::string> Authority(const std::string& text, uint16_t& port)
{
    std::string host = text;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        const auto rest = text.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !ParsePort(rest.substr(1), port))) {
            return std::nullopt;
        }
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        const auto colon = text.find(':');
        host = text.substr(0, colon);
        if (!ParsePort(text.substr(colon + 1), port)) {
            return std::nullopt;
        }
    }
    if (!HostCharacters(host)) {
        return std::nullopt;
    }
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" +
           std::to_string(port == 0 ? kDefaultRtspPort : port);
}

bool PathCharacters(const std::string& path)
{
    return std::none_of(path.begin(), path.end(),
                        [](unsigned char c) { return std::iscntrl(c) || c == ' '; });
}

} // namespace

std::optional<SourceSpec> ResolveAddress(const std::string& address, uint16_t port,
                                         const std::string& user, const std::string& password)
{
    SourceSpec spec;
    if (address.empty()) {
        return std::nullopt;
    }
    if (address.rfind(kSimPrefix, 0) == 0) {
        auto sim = ParseSim(address.substr(std::char_traits<char>::length(kSimPrefix)));
        if (!sim) {
            return std::nullopt;
        }
        spec.kind = SourceSpec::Kind::Sim;
        spec.sim = *sim;
        return spec;
    }
    const auto scheme = address.find("://");
    if (scheme != std::string::npos) {
        spec.url = address;
        const auto authority = scheme + 3;
        const auto pathStart = std::min(address.find('/', authority), address.size());
        const bool hasUserInfo = address.find('@', authority) < pathStart;
        if (address.rfind("rtsp://", 0) == 0 && !hasUserInfo) {
            spec.url.insert(authority, UserInfo(user, password));
        }
        return spec;
    }
    if (address.front() == '/' || address.front() == '.') {
        spec.kind = SourceSpec::Kind::File;
        spec.url = address;
        return spec;
    }
    const auto slash = std::min(address.find('/'), address.size());
    const auto authority = Authority(address.substr(0, slash), port);
    const auto path = address.substr(slash);
    if (!authority || !PathCharacters(path)) {
        return std::nullopt;
    }
    const std::string root = "rtsp://" + UserInfo(user, password) + *authority;
    if (path.empty() || path == "/") {
        spec.cameraRoot = root;
        return ForChannel(spec, kMainChannel, kMainStream);
    }
    spec.url = root + path;
    return spec;
}

SourceSpec ForChannel(SourceSpec spec, int32_t channel, uint32_t streamType)
{
    if (!spec.cameraRoot.empty()) {
        const int64_t stream = std::min<int64_t>(streamType, kStreamsPerChannel - 2);
        const int64_t number = std::max(channel, kMainChannel) * kStreamsPerChannel + stream + 1;
        spec.url = spec.cameraRoot + kChannelPath + std::to_string(number);
    }
    return spec;
}

std::string RedactCredentials(std::string text)
{
    size_t pos = 0;
    while ((pos = text.find("://", pos)) != std::string::npos) {
        const auto start = pos + 3;
        const auto end = text.find_first_of("/ \t\r\n'\"", start);
        const auto at = text.rfind('@', end == std::string::npos ? text.size() : end);
        if (at != std::string::npos && at >= start) {
            const auto colon = text.find(':', start);
            const auto cut = colon < at ? colon + 1 : start;
            text.replace(cut, at - cut, "***");
        }
        pos = start;
    }
    return text;
}

} // namespace netcam
