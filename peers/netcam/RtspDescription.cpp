#include "RtspDescription.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

extern "C" {
#include <libavutil/base64.h>
}

namespace netcam {
namespace {

std::string PercentDecode(const std::string& in)
{
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size() &&
            std::isxdigit(static_cast<unsigned char>(in[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(in[i + 2]))) {
            out += static_cast<char>(std::stoi(in.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += in[i];
        }
    }
    return out;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Comma-separated base64 NAL units, each appended after a start code.
void AppendParameterSets(const std::string& list, std::vector<uint8_t>& out)
{
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        std::vector<uint8_t> nal(AV_BASE64_DECODE_SIZE(item.size()) + 1);
        const int size = av_base64_decode(nal.data(), item.c_str(), static_cast<int>(nal.size()));
        if (size > 0) {
            out.insert(out.end(), {0, 0, 0, 1});
            out.insert(out.end(), nal.begin(), nal.begin() + size);
        }
    }
}

struct Media {
    bool video = false;
    std::vector<int> payloadTypes;
    VideoTrack track;
    bool codecKnown = false;
    std::string fmtp;
};

void Attribute(Media& media, const std::string& name, const std::string& value)
{
    const auto space = value.find(' ');
    const int type = std::atoi(value.c_str());
    const bool first = !media.payloadTypes.empty() && type == media.payloadTypes.front();
    if (name == "control") {
        media.track.control = value;
    } else if (name == "framerate") {
        media.track.frameRate = std::atoi(value.c_str());
    } else if (name == "rtpmap" && first && space != std::string::npos) {
        const std::string encoding = LowerAscii(value.substr(space + 1));
        const auto slash = encoding.find('/');
        const std::string codec = encoding.substr(0, slash);
        media.codecKnown = codec == "h264" || codec == "h265";
        media.track.codec =
            codec == "h265" ? RtpDepacketizer::Codec::H265 : RtpDepacketizer::Codec::H264;
        media.track.payloadType = type;
        if (slash != std::string::npos) {
            media.track.clockRate = std::max(1, std::atoi(encoding.c_str() + slash + 1));
        }
    } else if (name == "fmtp" && first && space != std::string::npos) {
        media.fmtp = value.substr(space + 1);
    }
}

// The parameter sets of the format line; false for the interleaved
// packetisations (H.264 mode 2, H.265 with decoding order numbers), whose
// reordering this reader leaves to FFmpeg's.
bool ReadFormat(Media& media)
{
    const char* keys[] = {"sprop-vps", "sprop-sps", "sprop-pps", "sprop-parameter-sets"};
    std::istringstream params(media.fmtp);
    std::string param;
    std::vector<std::pair<std::string, std::string>> found;
    while (std::getline(params, param, ';')) {
        param.erase(0, param.find_first_not_of(' '));
        const auto equals = param.find('=');
        if (equals != std::string::npos) {
            found.emplace_back(LowerAscii(param.substr(0, equals)), param.substr(equals + 1));
        }
    }
    for (const auto& [name, value] : found) {
        if ((name == "packetization-mode" && std::atoi(value.c_str()) == 2) ||
            (name == "sprop-max-don-diff" && std::atoi(value.c_str()) > 0)) {
            return false;
        }
    }
    // VPS, SPS, PPS in that order, whatever order the line has.
    for (const char* key : keys) {
        for (const auto& [name, value] : found) {
            if (name == key) {
                AppendParameterSets(value, media.track.parameterSets);
            }
        }
    }
    return true;
}

} // namespace

std::string LowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<RtspUrl> ParseRtspUrl(const std::string& url)
{
    const std::string scheme = "rtsp://";
    if (LowerAscii(url.substr(0, scheme.size())) != scheme) {
        return std::nullopt;
    }
    RtspUrl out;
    const auto pathStart = std::min(url.find('/', scheme.size()), url.size());
    std::string authority = url.substr(scheme.size(), pathStart - scheme.size());
    const auto at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string info = authority.substr(0, at);
        const auto colon = info.find(':');
        out.user = PercentDecode(info.substr(0, colon));
        out.password = colon == std::string::npos ? "" : PercentDecode(info.substr(colon + 1));
        authority.erase(0, at + 1);
    }
    out.request = scheme + authority + url.substr(pathStart);
    std::string portText;
    if (StartsWith(authority, "[")) {
        const auto close = authority.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        out.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':') {
            portText = authority.substr(close + 2);
        }
    } else {
        const auto colon = authority.find(':');
        out.host = authority.substr(0, colon);
        portText = colon == std::string::npos ? "" : authority.substr(colon + 1);
    }
    if (!portText.empty()) {
        const long port = std::strtol(portText.c_str(), nullptr, 10);
        if (port <= 0 || port > 65535 ||
            portText.find_first_not_of("0123456789") != std::string::npos) {
            return std::nullopt;
        }
        out.port = static_cast<uint16_t>(port);
    }
    if (out.host.empty()) {
        return std::nullopt;
    }
    return out;
}

SessionDescription ParseSessionDescription(const std::string& sdp)
{
    SessionDescription out;
    std::istringstream lines(sdp);
    std::string line;
    std::optional<Media> media;
    const auto close = [&] {
        if (media && media->video && !out.video) {
            if (media->codecKnown && ReadFormat(*media)) {
                out.video = media->track;
            }
            media->video = false; // the first video track decides
        }
    };
    bool videoSeen = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (StartsWith(line, "m=")) {
            close();
            media.emplace();
            std::istringstream fields(line.substr(2));
            std::string kind, port, protocol;
            fields >> kind >> port >> protocol;
            media->video = kind == "video" && !videoSeen && StartsWith(protocol, "RTP/AVP");
            videoSeen = videoSeen || kind == "video";
            int type = 0;
            while (fields >> type) {
                media->payloadTypes.push_back(type);
            }
        } else if (StartsWith(line, "a=")) {
            const auto colon = line.find(':');
            const std::string name = LowerAscii(line.substr(2, colon - 2));
            const std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
            if (media) {
                Attribute(*media, name, value);
            } else if (name == "control") {
                out.control = value;
            }
        }
    }
    close();
    return out;
}

std::string ResolveControl(const std::string& base, const std::string& control)
{
    if (control.empty() || control == "*") {
        return base;
    }
    if (LowerAscii(control.substr(0, 7)) == "rtsp://") {
        return control;
    }
    if (!base.empty() && base.back() == '/') {
        return base + control;
    }
    return base + "/" + control;
}

} // namespace netcam
