#include "MediaSource.h"

#include <algorithm>
#include <cerrno>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixfmt.h>
}

#include "RtspSource.h"
#include "SimCamera.h"
#include "netcam.h"

namespace netcam {
namespace {

using Clock = std::chrono::steady_clock;

// Low latency: small probe, RTSP over TCP (UDP for a camera that refuses
// TCP). What probing reads is kept and delivered first: it holds the
// stream's first key frame.
constexpr const char* kProbeBytes = "1000000";
constexpr const char* kAnalyzeUs = "1000000";
// Another try within the connect wait comes no sooner than this.
constexpr auto kRetryPause = std::chrono::milliseconds(1000);
constexpr const char* kTransports[] = {"tcp", "udp"};
constexpr AVRational kMicroseconds{1, 1000000};

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

struct DictFree {
    void operator()(AVDictionary* dict) const { av_dict_free(&dict); }
};

uint32_t ErrorCode(int averror)
{
    switch (averror) {
    case AVERROR_HTTP_UNAUTHORIZED:
    case AVERROR_HTTP_FORBIDDEN:
        return NET_DVR_PASSWORD_ERROR;
    case AVERROR_HTTP_NOT_FOUND:
        return NET_DVR_CHANNEL_ERROR;
    case AVERROR(ECONNREFUSED):
        return NET_DVR_NETWORK_FAIL_CONNECT;
    case AVERROR_EXIT: // the wait ran out (or stop was raised)
    case AVERROR(ETIMEDOUT):
        return NET_DVR_NETWORK_RECV_TIMEOUT;
    case AVERROR_INVALIDDATA:
        return NET_DVR_NETWORK_ERRORDATA;
    case AVERROR(EPROTONOSUPPORT): // 461: no transport the camera takes
        return NET_DVR_RTSP_SETUPERROR;
    default:
        return NET_DVR_NETWORK_RECV_ERROR;
    }
}

// Failures that another try within the connect wait may cure.
bool Transient(uint32_t error)
{
    return error == NET_DVR_NETWORK_FAIL_CONNECT || error == NET_DVR_NETWORK_RECV_ERROR;
}

class FfmpegSource : public MediaSource {
public:
    FfmpegSource(StopFlag stop, std::chrono::milliseconds wait, bool paced)
        : MediaSource(std::move(stop)), m_wait(wait), m_paced(paced), m_packet(av_packet_alloc())
    {
    }

    // RTSP goes over TCP first, over UDP when the camera refuses TCP.
    uint32_t open(const std::string& url, Clock::time_point deadline, bool tcpRefused)
    {
        m_deadline = deadline;
        const bool rtsp = url.rfind("rtsp://", 0) == 0;
        uint32_t error = NET_DVR_NOERROR;
        for (const char* transport : kTransports) {
            if (tcpRefused && transport == kTransports[0]) {
                continue;
            }
            error = open(url, transport);
            if (!rtsp || error != NET_DVR_RTSP_SETUPERROR) {
                break;
            }
        }
        return error;
    }

    const StreamHeader& header() const override { return m_header; }

    bool read(std::vector<uint8_t>& out, bool /*seen*/) override
    {
        if (m_pending) {
            m_pending = false;
            return frame(out);
        }
        for (;;) {
            m_deadline = Clock::now() + m_wait;
            const int result = av_read_frame(m_format.get(), m_packet.get());
            if (result == AVERROR(EAGAIN)) {
                continue;
            }
            if (result < 0) {
                return false;
            }
            if (m_packet->stream_index != m_stream) {
                av_packet_unref(m_packet.get());
                continue;
            }
            return frame(out);
        }
    }

private:
    uint32_t open(const std::string& url, const char* transport)
    {
        m_format.reset();
        AVFormatContext* context = avformat_alloc_context();
        if (context == nullptr || !m_packet) {
            return NET_DVR_ALLOC_RESOURCE_ERROR;
        }
        context->interrupt_callback = {&FfmpegSource::interrupted, this};
        const auto timeoutUs = std::to_string(m_wait.count() * 1000);
        AVDictionary* raw = nullptr;
        av_dict_set(&raw, "rtsp_transport", transport, 0);
        av_dict_set(&raw, "timeout", timeoutUs.c_str(), 0);
        if (!m_paced) {
            av_dict_set(&raw, "flags", "low_delay", 0);
            // Measuring the frame rate would hold every open for a second.
            av_dict_set(&raw, "fpsprobesize", "0", 0);
        }
        av_dict_set(&raw, "probesize", kProbeBytes, 0);
        av_dict_set(&raw, "analyzeduration", kAnalyzeUs, 0);
        int result = avformat_open_input(&context, url.c_str(), nullptr, &raw);
        std::unique_ptr<AVDictionary, DictFree> options(raw);
        if (result < 0) {
            return failure(result);
        }
        m_format.reset(context);
        // From here on the camera has answered and plays: what is missing
        // by the deadline is its video.
        result = avformat_find_stream_info(context, nullptr);
        if (result < 0) {
            return Clock::now() > m_deadline ? NET_DVR_RTSP_PLAYRECVTIMEOUT : ErrorCode(result);
        }
        m_stream = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (m_stream < 0) {
            return NET_DVR_NETWORK_ERRORDATA;
        }
        const AVStream* stream = context->streams[m_stream];
        const AVCodecParameters* par = stream->codecpar;
        m_header.codecId = par->codec_id;
        m_header.pixelFormat = par->format;
        m_header.width = par->width;
        m_header.height = par->height;
        const AVRational rate =
            av_guess_frame_rate(context, const_cast<AVStream*>(stream), nullptr);
        m_header.frameRate = rate.den > 0 ? rate.num / rate.den : 0;
        m_header.extradata.assign(par->extradata, par->extradata + par->extradata_size);
        m_timeBase = stream->time_base;
        return firstPacket();
    }

    // A camera may take the connection and play, and send nothing: it counts
    // as logged in only once its first video packet is here (kept for read).
    uint32_t firstPacket()
    {
        for (;;) {
            const int result = av_read_frame(m_format.get(), m_packet.get());
            if (result == AVERROR(EAGAIN)) {
                continue;
            }
            if (result < 0) {
                return Clock::now() > m_deadline || result == AVERROR_EOF
                           ? NET_DVR_RTSP_PLAYRECVTIMEOUT
                           : ErrorCode(result);
            }
            if (m_packet->stream_index == m_stream) {
                m_pending = true;
                return NET_DVR_NOERROR;
            }
            av_packet_unref(m_packet.get());
        }
    }

    // The packet in m_packet, framed into out.
    bool frame(std::vector<uint8_t>& out)
    {
        std::unique_ptr<AVPacket, void (*)(AVPacket*)> unref(m_packet.get(), av_packet_unref);
        const int64_t pts = m_packet->pts == AV_NOPTS_VALUE ? m_packet->dts : m_packet->pts;
        PacketPrefix prefix;
        prefix.payloadSize = static_cast<uint32_t>(m_packet->size);
        prefix.ptsUs = pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(pts, m_timeBase, kMicroseconds);
        prefix.key = (m_packet->flags & AV_PKT_FLAG_KEY) != 0 ? 1 : 0;
        if (m_paced && !pace(prefix.ptsUs)) {
            return false;
        }
        out.resize(kPacketPrefixSize + prefix.payloadSize);
        WritePacketPrefix(prefix, out.data());
        std::copy_n(m_packet->data, m_packet->size, out.data() + kPacketPrefixSize);
        return true;
    }

    // A protocol may report an interrupted read as bad data: past the
    // deadline, it is a timeout whatever FFmpeg says.
    uint32_t failure(int averror) const
    {
        return Clock::now() > m_deadline ? NET_DVR_NETWORK_RECV_TIMEOUT : ErrorCode(averror);
    }

    static int interrupted(void* opaque)
    {
        auto* self = static_cast<FfmpegSource*>(opaque);
        return self->stopped() || Clock::now() > self->m_deadline ? 1 : 0;
    }

    // Files play at their own rate instead of as fast as they can be read.
    bool pace(int64_t ptsUs)
    {
        const auto now = Clock::now();
        if (!m_paceStarted) {
            m_paceStarted = true;
            m_paceOrigin = now - std::chrono::microseconds(ptsUs);
        }
        const auto due = m_paceOrigin + std::chrono::microseconds(ptsUs);
        constexpr auto kSlice = std::chrono::milliseconds(50);
        while (Clock::now() < due && !stopped()) {
            std::this_thread::sleep_for(std::min<Clock::duration>(due - Clock::now(), kSlice));
        }
        return !stopped();
    }

    std::chrono::milliseconds m_wait;
    bool m_paced;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    FormatPtr m_format;
    int m_stream = -1;
    AVRational m_timeBase{1, 1};
    StreamHeader m_header;
    bool m_pending = false; // m_packet holds the first video packet, not yet read
    Clock::time_point m_deadline;
    bool m_paceStarted = false;
    Clock::time_point m_paceOrigin;
};

class SimSource : public MediaSource {
public:
    SimSource(StopFlag stop, const SimParams& params)
        : MediaSource(std::move(stop)), m_camera(params.width, params.height), m_fps(params.fps)
    {
        m_header.codecId = AV_CODEC_ID_RAWVIDEO;
        m_header.pixelFormat = AV_PIX_FMT_YUV420P;
        m_header.width = params.width;
        m_header.height = params.height;
        m_header.frameRate = params.fps;
    }

    const StreamHeader& header() const override { return m_header; }

    bool read(std::vector<uint8_t>& out, bool seen) override
    {
        if (m_fps > 0) {
            const auto period = std::chrono::microseconds(1000000 / m_fps);
            if (m_index == 0) {
                m_due = Clock::now();
            }
            std::this_thread::sleep_until(m_due);
            m_due += period;
        }
        if (stopped()) {
            return false;
        }
        PacketPrefix prefix;
        prefix.payloadSize = static_cast<uint32_t>(m_camera.frameBytes());
        prefix.ptsUs = m_fps > 0 ? static_cast<int64_t>(m_index) * 1000000 / m_fps : 0;
        prefix.key = 1;
        const bool fresh = out.size() != kPacketPrefixSize + prefix.payloadSize;
        out.resize(kPacketPrefixSize + prefix.payloadSize);
        WritePacketPrefix(prefix, out.data());
        // Unseen, the picture before stands in: the simulation costs nothing.
        if (seen || fresh) {
            m_camera.render(m_index, out.data() + kPacketPrefixSize);
        }
        ++m_index;
        return true;
    }

private:
    SimCamera m_camera;
    int m_fps;
    StreamHeader m_header;
    uint64_t m_index = 0;
    Clock::time_point m_due;
};

// Live H.264 and H.265 over RTSP/TCP are read by netcam's own reader,
// everything else by FFmpeg's.
bool OpenOnce(const SourceSpec& spec, std::chrono::milliseconds wait, Clock::time_point deadline,
              const MediaSource::StopFlag& stop, OpenResult& result)
{
    bool tcpRefused = false;
    if (spec.kind == SourceSpec::Kind::Url && spec.url.rfind("rtsp://", 0) == 0) {
        RtspOpenResult rtsp = OpenRtsp(spec.url, wait, deadline, stop);
        if (!rtsp.elsewhere) {
            result.source = std::move(rtsp.source);
            result.error = rtsp.error;
            return result.source != nullptr;
        }
        tcpRefused = rtsp.tcpRefused;
    }
    auto source = std::make_unique<FfmpegSource>(stop, wait, spec.kind == SourceSpec::Kind::File);
    result.error = source->open(spec.url, deadline, tcpRefused);
    if (result.error == NET_DVR_NOERROR) {
        result.source = std::move(source);
    }
    return result.source != nullptr;
}

} // namespace

OpenResult OpenSource(const SourceSpec& spec, const ConnectSettings& settings,
                      MediaSource::StopFlag stop)
{
    OpenResult result;
    if (spec.kind == SourceSpec::Kind::Sim) {
        result.source = std::make_unique<SimSource>(std::move(stop), spec.sim);
        return result;
    }
    const auto deadline = Clock::now() + settings.wait;
    const uint32_t tries = std::max<uint32_t>(settings.tries, 1);
    for (uint32_t attempt = 0; attempt < tries; ++attempt) {
        if (OpenOnce(spec, settings.wait, deadline, stop, result)) {
            return result;
        }
        // Wrong credentials or bad data do not get better by asking again.
        if (!Transient(result.error) || *stop || Clock::now() + kRetryPause >= deadline) {
            break;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
    return result;
}

} // namespace netcam
