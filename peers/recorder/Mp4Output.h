// The inside of Mp4Recorder: the muxer, the encoder and the packets on
// their way into the file. Opening lives in Mp4Open.cpp, writing in
// Mp4Recorder.cpp.
#pragma once

#include "Mp4Recorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <deque>
#include <memory>
#include <string>

#include "FileSink.h"
#include "VideoCodec.h"

namespace recorder {

std::string avError(int code);

struct FormatDeleter {
    void operator()(AVFormatContext* ctx) const
    {
        if (ctx->pb != nullptr) {
            avio_flush(ctx->pb);
            av_freep(&ctx->pb->buffer);
            avio_context_free(&ctx->pb);
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

} // namespace recorder

struct Mp4Recorder::Output {
    recorder::FileSink sink; // outlives the muxer that writes through it
    std::unique_ptr<AVFormatContext, recorder::FormatDeleter> format;
    std::unique_ptr<AVCodecContext, recorder::CodecDeleter> codec;
    std::unique_ptr<AVFrame, recorder::FrameDeleter> frame;
    // Refers to the caller's picture when it is encoded as it lies.
    std::unique_ptr<AVFrame, recorder::FrameDeleter> lent;
    std::unique_ptr<AVPacket, recorder::PacketDeleter> packet;
    std::unique_ptr<SwsContext, recorder::SwsDeleter> scaler;
    cv::Mat i420; // a frame stored at its own size, before it goes into the planes
    // The packet of the newest frame waits for the next one, which gives its
    // duration; then it waits until a subtitle cue covers its time, so the
    // subtitle track always reaches as far as the video the muxer has.
    std::unique_ptr<AVPacket, recorder::PacketDeleter> held;
    bool holding = false;
    std::deque<std::unique_ptr<AVPacket, recorder::PacketDeleter>> waiting;
    AVStream* stream = nullptr;
    AVStream* subtitles = nullptr;
    int64_t subtitleEnd = 0; // in the subtitle stream's time base (the video's)
    // The fragment in the muxer ends at this time (a whole second), once
    // every packet before it is written.
    int64_t fragmentEnd = 0;
    bool fragmentOpen = false;
    recorder::Codec kind = recorder::Codec::None;
    cv::Size size;          // of the frames written
    cv::Size stored;        // of the video in the file
    int64_t frameTicks = 1; // one frame at the nominal rate
    // A frame this long after the last key frame is a key frame: at the
    // nominal rate key frames are then never more than a second apart.
    int64_t keyTicks = 1;
    int64_t lastPts = -1;
    int64_t lastKeyPts = -1;
    bool headerWritten = false;

    // Opens everything; returns an empty text or the reason of the failure.
    std::string open(const std::string& path, double fps, cv::Size frameSize,
                     const Options& options);
    std::string openEncoder(double fps, const recorder::EncoderSetup& setup);
    std::string addSubtitles();
    std::string createFile(const std::string& path);
    // Sends one frame (nullptr drains) and writes every packet it yields
    // that may go into the file.
    std::string encode(const AVFrame* input);
    // The held packet, lasting until endPts (one frame when not later), joins
    // the waiting ones.
    void release(int64_t endPts);
    // Writes the waiting packets a cue covers (all when final) and ends the
    // fragment once the next packet lies beyond it.
    std::string writeWaiting(bool final);
    // The fragment goes to the file and the disk.
    std::string flushFragment();
    // A cue from `from` to `to`, in the subtitle stream's time base.
    std::string writeCue(const std::string& text, int64_t from, int64_t to);
    std::string finish(int64_t endPts);
    bool ioFailed() const { return format->pb != nullptr && format->pb->error < 0; }
    std::string ioError(const char* what, int ret) const
    {
        return std::string(what) + ": " + recorder::avError(ret < 0 ? ret : format->pb->error);
    }
};
