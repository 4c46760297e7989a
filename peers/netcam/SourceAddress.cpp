#include "SourceAddress.h"

#include <cctype>
#include <charconv>

namespace netcam {
namespace {

constexpr uint16_t kDefaultRtspPort = 554;
constexpr int kMinSimSide = 16;
constexpr int kMaxSimSide = 4096;
constexpr int kMaxSimFps = 240;
constexpr const char* kSimPrefix = "sim:";

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
    for (unsigned char c : address) {
        if (!(std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == ':' || c == '[' ||
              c == ']')) {
            return std::nullopt;
        }
    }
    const bool ipv6 = address.find(':') != std::string::npos && address.front() != '[';
    const auto host = ipv6 ? "[" + address + "]" : address;
    spec.url = "rtsp://" + UserInfo(user, password) + host + ":" +
               std::to_string(port == 0 ? kDefaultRtspPort : port) + "/";
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
