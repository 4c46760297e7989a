#include "RtspSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

extern "C" {
#include <libavcodec/codec_id.h>
}

#include "RtpDepacketizer.h"
#include "RtspConnection.h"
#include "netcam.h"

namespace netcam {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStatusOk = 200;
constexpr int kStatusUnauthorized = 401;
constexpr int kStatusForbidden = 403;
constexpr int kStatusNotFound = 404;
constexpr int kStatusUnsupportedTransport = 461;
constexpr int kDefaultSessionSeconds = 60;
// A camera that stopped reading its connection holds a closing source no longer.
constexpr auto kSendWait = std::chrono::milliseconds(500);
constexpr const char* kTransport = "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\n";

uint32_t ConnectError(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return NET_DVR_NETWORK_FAIL_CONNECT;
    case ETIMEDOUT:
    case ECANCELED:
        return NET_DVR_NETWORK_RECV_TIMEOUT;
    case EBADMSG:
        return NET_DVR_NETWORK_ERRORDATA;
    default:
        return NET_DVR_NETWORK_RECV_ERROR;
    }
}

class RtspSource : public MediaSource {
public:
    RtspSource(StopFlag stop, RtspUrl url, std::chrono::milliseconds wait)
        : MediaSource(std::move(stop)), m_connection(std::move(url), [this] { return stopped(); }),
          m_wait(wait)
    {
    }

    ~RtspSource() override
    {
        // Ends the session at once on the camera's side; nobody waits for the answer.
        if (!m_playUrl.empty()) {
            m_connection.send("TEARDOWN", m_playUrl, {}, Clock::now() + kSendWait);
        }
    }

    RtspOpenResult open(Clock::time_point deadline);

    const StreamHeader& header() const override { return m_header; }

    bool read(std::vector<uint8_t>& out, bool /*seen*/) override
    {
        RtpDepacketizer::AccessUnit unit;
        if (m_pending) {
            m_pending = false;
            unit = std::move(m_first);
        } else if (!next(unit, Clock::now() + m_wait)) {
            return false;
        }
        PacketPrefix prefix;
        prefix.payloadSize = static_cast<uint32_t>(unit.data.size());
        prefix.ptsUs = ptsUs(unit.timestamp);
        prefix.key = unit.key ? 1 : 0;
        out.resize(kPacketPrefixSize + unit.data.size());
        WritePacketPrefix(prefix, out.data());
        std::copy(unit.data.begin(), unit.data.end(), out.begin() + kPacketPrefixSize);
        return true;
    }

private:
    RtspOpenResult failed(uint32_t error) const
    {
        RtspOpenResult result;
        result.error = error;
        return result;
    }

    RtspOpenResult elsewhere(bool tcpRefused = false) const
    {
        RtspOpenResult result;
        result.elsewhere = true;
        result.tcpRefused = tcpRefused;
        return result;
    }

    RtspOpenResult answerError(const RtspConnection::Response& response) const
    {
        switch (response.status) {
        case 0:
            // A camera that takes the connection and drops it unanswered
            // gives nothing a second try would change, as with FFmpeg.
            if (m_connection.error() == ECONNRESET || m_connection.error() == EPIPE) {
                return failed(NET_DVR_NETWORK_ERRORDATA);
            }
            return failed(ConnectError(m_connection.error()));
        case kStatusUnauthorized:
        case kStatusForbidden:
            return failed(NET_DVR_PASSWORD_ERROR);
        case kStatusNotFound:
            return failed(NET_DVR_CHANNEL_ERROR);
        case kStatusUnsupportedTransport:
            return elsewhere(true);
        default:
            return elsewhere();
        }
    }

    bool setup(const RtspConnection::Response& answer)
    {
        const std::string session = answer.header("session");
        m_connection.setSession(session.substr(0, session.find(';')));
        const auto timeout = session.find("timeout=");
        const int seconds =
            timeout == std::string::npos ? 0 : std::atoi(session.c_str() + timeout + 8);
        m_keepAliveEvery = std::chrono::seconds(seconds > 0 ? seconds : kDefaultSessionSeconds) / 2;
        const std::string transport = answer.header("transport");
        const auto interleaved = transport.find("interleaved=");
        if (interleaved == std::string::npos) {
            return false; // the camera chose a transport other than the one asked for
        }
        m_channel = static_cast<uint8_t>(std::atoi(transport.c_str() + interleaved + 12));
        return !session.empty();
    }

    // The next whole picture; keeps the session alive on the way.
    bool next(RtpDepacketizer::AccessUnit& unit, Clock::time_point deadline)
    {
        std::vector<uint8_t> frame;
        uint8_t channel = 0;
        while (!m_depacketizer->pop(unit)) {
            if (Clock::now() >= m_keepAliveAt) {
                m_keepAliveAt = Clock::now() + m_keepAliveEvery;
                m_connection.send("OPTIONS", m_playUrl, {}, deadline);
            }
            if (!m_connection.readFrame(channel, frame, deadline)) {
                return false;
            }
            if (channel == m_channel) {
                m_depacketizer->push(frame.data(), frame.size());
            }
        }
        return true;
    }

    // RTP time from the first picture on, carried past the 32-bit wrap.
    int64_t ptsUs(uint32_t timestamp)
    {
        if (!m_haveTimestamp) {
            m_haveTimestamp = true;
            m_lastTimestamp = timestamp;
        }
        m_ticks += static_cast<int32_t>(timestamp - m_lastTimestamp);
        m_lastTimestamp = timestamp;
        return m_ticks * 1000000 / m_clockRate;
    }

    RtspConnection m_connection;
    std::chrono::milliseconds m_wait;
    std::optional<RtpDepacketizer> m_depacketizer;
    StreamHeader m_header;
    std::string m_playUrl;
    uint8_t m_channel = 0;
    int m_clockRate = 90000;
    bool m_pending = false; // m_first holds the first picture, not yet read
    RtpDepacketizer::AccessUnit m_first;
    std::chrono::seconds m_keepAliveEvery{kDefaultSessionSeconds / 2};
    Clock::time_point m_keepAliveAt;
    bool m_haveTimestamp = false;
    uint32_t m_lastTimestamp = 0;
    int64_t m_ticks = 0;
};

RtspOpenResult RtspSource::open(Clock::time_point deadline)
{
    if (m_connection.connect(deadline) != 0) {
        return failed(ConnectError(m_connection.error()));
    }
    const std::string& url = m_connection.url().request;
    const auto description =
        m_connection.request("DESCRIBE", url, "Accept: application/sdp\r\n", deadline);
    if (description.status != kStatusOk) {
        return answerError(description);
    }
    const SessionDescription sdp = ParseSessionDescription(description.body);
    if (!sdp.video) {
        return elsewhere();
    }
    std::string base = description.header("content-base");
    if (base.empty()) {
        base = description.header("content-location");
    }
    if (base.empty()) {
        base = url;
    }
    const auto setup = m_connection.request("SETUP", ResolveControl(base, sdp.video->control),
                                            kTransport, deadline);
    if (setup.status != kStatusOk) {
        return answerError(setup);
    }
    if (!this->setup(setup)) {
        return elsewhere();
    }
    m_playUrl = sdp.control.empty() ? base : ResolveControl(base, sdp.control);
    const auto play = m_connection.request("PLAY", m_playUrl, "Range: npt=0.000-\r\n", deadline);
    if (play.status != kStatusOk) {
        return answerError(play);
    }
    m_keepAliveAt = Clock::now() + m_keepAliveEvery;
    m_clockRate = sdp.video->clockRate;
    m_depacketizer.emplace(sdp.video->codec, sdp.video->payloadType);
    m_header.codecId =
        sdp.video->codec == RtpDepacketizer::Codec::H265 ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264;
    m_header.frameRate = sdp.video->frameRate;
    m_header.extradata = sdp.video->parameterSets;
    // The camera plays; it counts as there once its first picture is.
    if (!next(m_first, deadline)) {
        const int error = m_connection.error();
        return failed(error == ETIMEDOUT || error == ECANCELED || error == ECONNRESET
                          ? NET_DVR_RTSP_PLAYRECVTIMEOUT
                          : ConnectError(error));
    }
    m_pending = true;
    return {};
}

} // namespace

RtspOpenResult OpenRtsp(const std::string& url, std::chrono::milliseconds wait,
                        Clock::time_point deadline, MediaSource::StopFlag stop)
{
    const auto parsed = ParseRtspUrl(url);
    if (!parsed) {
        RtspOpenResult result;
        result.elsewhere = true;
        return result;
    }
    auto source = std::make_unique<RtspSource>(std::move(stop), *parsed, wait);
    RtspOpenResult result = source->open(deadline);
    if (!result.elsewhere && result.error == NET_DVR_NOERROR) {
        result.source = std::move(source);
    }
    return result;
}

} // namespace netcam
