#include "Mp4Recorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>

namespace {

// MPEG-4 Part 2 stores the time base denominator in 16 bits.
constexpr int kMaxTimeBaseDen = 65535;
constexpr AVRational kMicroseconds{1, 1000000};
// Key frames come by time (at least one a second); this count (the encoder's
// largest) never decides.
constexpr int kGopFrames = 600;
// Fixed quantiser: near-transparent quality for inspection footage without
// guessing a bit rate for every frame size.
constexpr int kQuantiser = 3;
constexpr const char* kMovFlags = "frag_keyframe+empty_moov+default_base_moof";

constexpr int fourcc(char a, char b, char c, char d)
{
    return (a & 0xff) | ((b & 0xff) << 8) | ((c & 0xff) << 16) | ((d & 0xff) << 24);
}

bool isMpeg4Part2(int code)
{
    for (int known : {fourcc('x', 'v', 'i', 'd'), fourcc('X', 'V', 'I', 'D'),
                      fourcc('m', 'p', '4', 'v'), fourcc('M', 'P', '4', 'V')}) {
        if (code == known) {
            return true;
        }
    }
    return false;
}

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct FormatDeleter {
    void operator()(AVFormatContext* ctx) const
    {
        if (ctx->pb != nullptr) {
            avio_closep(&ctx->pb);
        }
        avformat_free_context(ctx);
    }
};
struct CodecDeleter {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsDeleter {
    void operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
};

} // namespace

struct Mp4Recorder::Output {
    std::unique_ptr<AVFormatContext, FormatDeleter> format;
    std::unique_ptr<AVCodecContext, CodecDeleter> codec;
    std::unique_ptr<AVFrame, FrameDeleter> frame;
    std::unique_ptr<AVPacket, PacketDeleter> packet;
    std::unique_ptr<SwsContext, SwsDeleter> scaler;
    // The packet of the newest frame waits for the next one, which gives its duration.
    std::unique_ptr<AVPacket, PacketDeleter> held;
    bool holding = false;
    AVStream* stream = nullptr;
    cv::Size size;
    int64_t frameTicks = 1; // one frame at the nominal rate
    // A frame this long after the last key frame is a key frame: at the
    // nominal rate key frames are then never more than a second apart.
    int64_t keyTicks = 1;
    int64_t lastPts = -1;
    int64_t lastKeyPts = -1;
    bool headerWritten = false;

    // Opens everything; returns an empty text or the reason of the failure.
    std::string open(const std::string& path, double fps, cv::Size frameSize);
    // Sends one frame (nullptr drains) and writes every packet it yields.
    std::string encode(const AVFrame* input);
    // Writes the held packet, lasting until endPts (one frame when not later).
    std::string writeHeld(int64_t endPts);
    std::string finish(int64_t endPts);
    bool ioFailed() const { return format->pb != nullptr && format->pb->error < 0; }
};

std::string Mp4Recorder::Output::open(const std::string& path, double fps, cv::Size frameSize)
{
    size = frameSize;
    AVFormatContext* rawFormat = nullptr;
    int ret = avformat_alloc_output_context2(&rawFormat, nullptr, "mp4", path.c_str());
    if (ret < 0) {
        return "cannot create the MP4 muxer: " + avError(ret);
    }
    format.reset(rawFormat);
    // Push every fragment to the file as soon as the muxer emits it.
    format->flags |= AVFMT_FLAG_FLUSH_PACKETS;

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (encoder == nullptr) {
        return "no MPEG-4 Part 2 encoder in this FFmpeg build";
    }
    codec.reset(avcodec_alloc_context3(encoder));
    const AVRational rate = av_d2q(fps, kMaxTimeBaseDen);
    // The finest time base that still counts whole ticks per nominal frame.
    const int ticksPerRateUnit = kMaxTimeBaseDen / rate.num;
    codec->codec_tag = static_cast<unsigned>(fourcc('m', 'p', '4', 'v'));
    codec->width = frameSize.width;
    codec->height = frameSize.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, rate.num * ticksPerRateUnit};
    codec->framerate = rate;
    frameTicks = static_cast<int64_t>(rate.den) * ticksPerRateUnit;
    keyTicks = std::max<int64_t>(codec->time_base.den - frameTicks, 1);
    codec->gop_size = kGopFrames;
    codec->max_b_frames = 0;
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = FF_QP2LAMBDA * kQuantiser;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    ret = avcodec_open2(codec.get(), encoder, nullptr);
    if (ret < 0) {
        return "cannot open the MPEG-4 encoder: " + avError(ret);
    }

    stream = avformat_new_stream(format.get(), nullptr);
    if (stream == nullptr) {
        return "cannot add the video stream";
    }
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = rate;
    ret = avcodec_parameters_from_context(stream->codecpar, codec.get());
    if (ret < 0) {
        return "cannot set the stream parameters: " + avError(ret);
    }

    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    held.reset(av_packet_alloc());
    if (!frame || !packet || !held) {
        return "out of memory";
    }
    frame->format = codec->pix_fmt;
    frame->width = codec->width;
    frame->height = codec->height;
    ret = av_frame_get_buffer(frame.get(), 0);
    if (ret < 0) {
        return "cannot allocate the frame: " + avError(ret);
    }
    scaler.reset(sws_getContext(frameSize.width, frameSize.height, AV_PIX_FMT_BGR24,
                                frameSize.width, frameSize.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                                nullptr, nullptr, nullptr));
    if (!scaler) {
        return "cannot create the colour converter";
    }

    ret = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) {
        return "cannot create " + path + ": " + avError(ret);
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", kMovFlags, 0);
    ret = avformat_write_header(format.get(), &options);
    av_dict_free(&options);
    if (ret < 0 || ioFailed()) {
        const std::string reason = "cannot write the MP4 header to " + path + ": " +
                                   avError(ret < 0 ? ret : format->pb->error);
        // A file without its header can never play: leave none behind.
        avio_closep(&format->pb);
        std::remove(path.c_str());
        return reason;
    }
    headerWritten = true;
    return {};
}

std::string Mp4Recorder::Output::encode(const AVFrame* input)
{
    int ret = avcodec_send_frame(codec.get(), input);
    if (ret < 0) {
        return "encoding failed: " + avError(ret);
    }
    while ((ret = avcodec_receive_packet(codec.get(), packet.get())) >= 0) {
        if (holding) {
            const std::string error = writeHeld(packet->pts);
            if (!error.empty()) {
                av_packet_unref(packet.get());
                return error;
            }
        }
        av_packet_move_ref(held.get(), packet.get());
        holding = true;
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        return "encoding failed: " + avError(ret);
    }
    return {};
}

std::string Mp4Recorder::Output::writeHeld(int64_t endPts)
{
    holding = false;
    held->duration = endPts > held->pts ? endPts - held->pts : frameTicks;
    av_packet_rescale_ts(held.get(), codec->time_base, stream->time_base);
    held->stream_index = stream->index;
    const int ret = av_write_frame(format.get(), held.get());
    av_packet_unref(held.get());
    if (ret < 0 || ioFailed()) {
        return "writing failed: " + avError(ret < 0 ? ret : format->pb->error);
    }
    return {};
}

std::string Mp4Recorder::Output::finish(int64_t endPts)
{
    if (!headerWritten) {
        return {};
    }
    headerWritten = false;
    std::string error = encode(nullptr);
    if (holding) {
        const std::string last = writeHeld(endPts);
        error = error.empty() ? last : error;
    }
    const int ret = av_write_trailer(format.get());
    if (error.empty() && (ret < 0 || ioFailed())) {
        error = "finishing the file failed: " + avError(ret < 0 ? ret : format->pb->error);
    }
    return error;
}

Mp4Recorder::Mp4Recorder() = default;

Mp4Recorder::~Mp4Recorder()
{
    release();
}

bool Mp4Recorder::open(const std::string& path, int fourcc, double fps, cv::Size frameSize)
{
    release();
    if (!(fps >= 1.0)) {
        m_lastError = "frame rate below 1";
        return false;
    }
    if (frameSize.width <= 0 || frameSize.height <= 0) {
        m_lastError = "empty frame size";
        return false;
    }
    if (!isMpeg4Part2(fourcc)) {
        m_lastError = "unsupported codec code (only xvid and mp4v)";
        return false;
    }
    auto output = std::make_unique<Output>();
    m_lastError = output->open(path, fps, frameSize);
    if (!m_lastError.empty()) {
        return false;
    }
    m_output = std::move(output);
    return true;
}

bool Mp4Recorder::isOpened() const
{
    return m_output != nullptr;
}

bool Mp4Recorder::write(const cv::Mat& bgr, std::chrono::microseconds at)
{
    if (!m_output) {
        m_lastError = "not open";
        return false;
    }
    if (bgr.type() != CV_8UC3 || bgr.size() != m_output->size) {
        m_lastError = "frame is not 8-bit BGR of the recording size";
        return false;
    }
    Output& out = *m_output;
    // The encoder may still hold the previous picture.
    const int ret = av_frame_make_writable(out.frame.get());
    if (ret < 0) {
        m_lastError = "cannot reuse the frame: " + avError(ret);
        return false;
    }
    const uint8_t* srcData[1] = {bgr.data};
    const int srcStride[1] = {static_cast<int>(bgr.step[0])};
    sws_scale(out.scaler.get(), srcData, srcStride, 0, bgr.rows, out.frame->data,
              out.frame->linesize);
    // The first frame starts the file, however long after the start it came:
    // the recording's time and the file's time stay the same.
    out.frame->pts = out.lastPts < 0
                         ? 0
                         : std::max(av_rescale_q(at.count(), kMicroseconds, out.codec->time_base),
                                    out.lastPts + 1);
    out.lastPts = out.frame->pts;
    // A key frame every second of the recording bounds what a cut file loses.
    const bool key = out.lastKeyPts < 0 || out.frame->pts - out.lastKeyPts >= out.keyTicks;
    out.frame->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (key) {
        out.lastKeyPts = out.frame->pts;
    }
    // A fixed-quantiser encoder takes the quantiser from each picture.
    out.frame->quality = out.codec->global_quality;
    const std::string error = out.encode(out.frame.get());
    if (!error.empty()) {
        // Close what can still be closed; the first error is the one to report.
        out.finish(out.lastPts);
        m_output.reset();
        m_lastError = error;
        return false;
    }
    return true;
}

void Mp4Recorder::release()
{
    if (m_output) {
        // Ending where the last frame starts leaves it one nominal frame.
        release(std::chrono::microseconds(
            av_rescale_q(m_output->lastPts, m_output->codec->time_base, kMicroseconds)));
    }
}

void Mp4Recorder::release(std::chrono::microseconds end)
{
    if (!m_output) {
        return;
    }
    const std::string error =
        m_output->finish(av_rescale_q(end.count(), kMicroseconds, m_output->codec->time_base));
    if (!error.empty()) {
        m_lastError = error;
    }
    m_output.reset();
}

const std::string& Mp4Recorder::lastError() const
{
    return m_lastError;
}
