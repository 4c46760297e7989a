#include "VideoDecoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace netcam {
namespace {
constexpr int kDecodeThreads = 2;
} // namespace

void PacketFree::operator()(AVPacket* packet) const
{
    av_packet_free(&packet);
}
void VideoDecoder::ContextFree::operator()(AVCodecContext* context) const
{
    avcodec_free_context(&context);
}
void VideoDecoder::FrameFree::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}
void VideoDecoder::ScaleFree::operator()(SwsContext* context) const
{
    sws_freeContext(context);
}

PacketPtr MakePacket(const PacketPrefix& prefix, const uint8_t* payload)
{
    PacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), static_cast<int>(prefix.payloadSize)) < 0) {
        return nullptr;
    }
    std::memcpy(packet->data, payload, prefix.payloadSize);
    packet->pts = prefix.ptsUs;
    packet->dts = AV_NOPTS_VALUE;
    if (prefix.key != 0) {
        packet->flags |= AV_PKT_FLAG_KEY;
    }
    return packet;
}

std::unique_ptr<VideoDecoder> VideoDecoder::Create(const StreamHeader& header)
{
    const AVCodec* codec = avcodec_find_decoder(static_cast<AVCodecID>(header.codecId));
    if (codec == nullptr) {
        return nullptr;
    }
    std::unique_ptr<VideoDecoder> decoder(new VideoDecoder);
    decoder->m_context.reset(avcodec_alloc_context3(codec));
    decoder->m_frame.reset(av_frame_alloc());
    AVCodecContext* context = decoder->m_context.get();
    if (context == nullptr || !decoder->m_frame) {
        return nullptr;
    }
    context->width = header.width;
    context->height = header.height;
    context->pix_fmt = static_cast<AVPixelFormat>(header.pixelFormat);
    context->pkt_timebase = AVRational{1, 1000000};
    // Live view: a frame leaves the decoder as soon as its packet is in.
    context->flags |= AV_CODEC_FLAG_LOW_DELAY;
    // RTSP may hand over a key frame in two packets (parameter sets with the
    // first slice, then the other slices): a picture is finished once all of
    // it is in, not at the end of each packet.
    context->flags2 |= AV_CODEC_FLAG2_CHUNKS;
    context->thread_type = FF_THREAD_SLICE;
    context->thread_count = kDecodeThreads;
    if (!header.extradata.empty()) {
        context->extradata = static_cast<uint8_t*>(
            av_mallocz(header.extradata.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (context->extradata == nullptr) {
            return nullptr;
        }
        std::memcpy(context->extradata, header.extradata.data(), header.extradata.size());
        context->extradata_size = static_cast<int>(header.extradata.size());
    }
    if (avcodec_open2(context, codec, nullptr) < 0) {
        return nullptr;
    }
    return decoder;
}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::decode(AVPacket& packet, const std::function<void(const AVFrame&)>& sink)
{
    if (avcodec_send_packet(m_context.get(), &packet) < 0) {
        return false;
    }
    for (;;) {
        const int result = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            return false;
        }
        sink(*m_frame);
        av_frame_unref(m_frame.get());
    }
}

bool VideoDecoder::planesOf(const AVFrame& frame, VideoPlanes& planes)
{
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if (format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P) {
        return false;
    }
    planes.y = frame.data[0];
    planes.u = frame.data[1];
    planes.v = frame.data[2];
    planes.yStride = frame.linesize[0];
    planes.uvStride = frame.linesize[1];
    planes.width = frame.width & ~1;
    planes.height = frame.height & ~1;
    return planes.valid() && frame.linesize[2] == frame.linesize[1];
}

bool VideoDecoder::toYv12(const AVFrame& frame, std::vector<uint8_t>& out)
{
    const int width = frame.width & ~1;
    const int height = frame.height & ~1;
    if (width <= 0 || height <= 0) {
        return false;
    }
    const size_t lumaBytes = static_cast<size_t>(width) * height;
    out.resize(lumaBytes * 3 / 2);
    uint8_t* y = out.data();
    uint8_t* v = y + lumaBytes;
    uint8_t* u = v + lumaBytes / 4;
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if (format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P) {
        av_image_copy_plane(y, width, frame.data[0], frame.linesize[0], width, height);
        av_image_copy_plane(u, width / 2, frame.data[1], frame.linesize[1], width / 2, height / 2);
        av_image_copy_plane(v, width / 2, frame.data[2], frame.linesize[2], width / 2, height / 2);
        return true;
    }
    m_scale.reset(sws_getCachedContext(m_scale.release(), frame.width, frame.height, format, width,
                                       height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                                       nullptr));
    if (!m_scale) {
        return false;
    }
    uint8_t* planes[4] = {y, u, v, nullptr};
    const int strides[4] = {width, width / 2, width / 2, 0};
    return sws_scale(m_scale.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) >
           0;
}

} // namespace netcam
