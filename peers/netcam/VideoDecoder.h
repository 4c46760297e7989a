// FFmpeg video decoder for one stream header, and the conversion of its
// frames to one YV12 buffer (Y, then V, then U).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "StreamFormat.h"
#include "VideoPlanes.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace netcam {

struct PacketFree {
    void operator()(AVPacket* packet) const;
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// A refcounted packet holding a copy of payload; empty when out of memory.
PacketPtr MakePacket(const PacketPrefix& prefix, const uint8_t* payload);

class VideoDecoder {
public:
    // Empty when the codec of the header cannot be opened.
    static std::unique_ptr<VideoDecoder> Create(const StreamHeader& header);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Decodes one packet; each finished frame goes to sink. False on a decode error.
    bool decode(AVPacket& packet, const std::function<void(const AVFrame&)>& sink);
    // Even-sized YV12 copy of frame; false when it cannot be converted.
    bool toYv12(const AVFrame& frame, std::vector<uint8_t>& out);
    // The frame's own planes when it is 4:2:0 already (cut to even sizes).
    static bool planesOf(const AVFrame& frame, VideoPlanes& planes);

private:
    VideoDecoder() = default;
    struct ContextFree {
        void operator()(AVCodecContext* context) const;
    };
    struct FrameFree {
        void operator()(AVFrame* frame) const;
    };
    struct ScaleFree {
        void operator()(SwsContext* context) const;
    };
    std::unique_ptr<AVCodecContext, ContextFree> m_context;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    std::unique_ptr<SwsContext, ScaleFree> m_scale;
};

} // namespace netcam
