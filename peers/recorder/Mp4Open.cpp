#include "Mp4Output.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using recorder::avError;
using recorder::Codec;
using recorder::FileSink;

// MPEG-4 Part 2 stores the time base denominator in 16 bits.
constexpr int kMaxTimeBaseDen = 65535;
// Key frames come by time (at least one a second); this count (the encoder's
// largest) never decides.
constexpr int kGopFrames = 600;
// Fixed quantiser: near-transparent quality for inspection footage without
// guessing a bit rate for every frame size.
constexpr int kQuantiser = 3;
// Fragments cut by the writer (one per second of the recording), a header
// that needs nothing from the end of the file, and every tag under its own name.
constexpr const char* kMovFlags = "frag_custom+empty_moov+default_base_moof+use_metadata_tags";
constexpr int kIoBufferBytes = 64 * 1024;

// 3GPP timed text sample entry, after its box header.
constexpr uint8_t kTextSampleEntry[] = {
    0x00, 0x00, 0x00, 0x00,                         // display flags: none
    0x01, 0xFF,                                     // centred, at the bottom
    0x00, 0x00, 0x00, 0x00,                         // background: transparent
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // default text box
    0x00, 0x00, 0x00, 0x00,                         // style from the first to the last character
    0x00, 0x01, 0x00, 0x12,                         // font 1, plain, 18 px
    0xFF, 0xFF, 0xFF, 0xFF,                         // opaque white
    0x00, 0x00, 0x00, 0x17, 'f',  't',  'a',  'b',  // font table box, one entry:
    0x00, 0x01, 0x00, 0x01, 0x0A, 's',  'a',  'n',  's', '-', 's', 'e', 'r', 'i', 'f', // font 1
};

} // namespace

namespace recorder {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace recorder

std::string Mp4Recorder::Output::openEncoder(double fps, const recorder::EncoderSetup& setup)
{
    const AVCodec* encoder = kind == Codec::H264 ? avcodec_find_encoder_by_name("libx264")
                                                 : avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (encoder == nullptr) {
        return kind == Codec::H264 ? "no H.264 encoder (libx264) in this FFmpeg build"
                                   : "no MPEG-4 Part 2 encoder in this FFmpeg build";
    }
    codec.reset(avcodec_alloc_context3(encoder));
    const AVRational rate = av_d2q(fps, kMaxTimeBaseDen);
    // The finest time base that still counts whole ticks per nominal frame.
    const int ticksPerRateUnit = kMaxTimeBaseDen / rate.num;
    codec->width = setup.size.width;
    codec->height = setup.size.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, rate.num * ticksPerRateUnit};
    codec->framerate = rate;
    frameTicks = static_cast<int64_t>(rate.den) * ticksPerRateUnit;
    keyTicks = std::max<int64_t>(codec->time_base.den - frameTicks, 1);
    codec->gop_size = kGopFrames;
    // Frames leave the encoder in the order they came, each at its own time.
    codec->max_b_frames = 0;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    codec->profile = setup.profile;
    AVDictionary* encoderOptions = nullptr;
    for (const auto& [key, value] : setup.options) {
        av_dict_set(&encoderOptions, key.c_str(), value.c_str(), 0);
    }
    if (kind == Codec::H264) {
        codec->thread_count = 0; // as many as the encoder finds useful
    } else {
        codec->codec_tag = MKTAG('m', 'p', '4', 'v');
        codec->level = setup.level;
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = FF_QP2LAMBDA * kQuantiser;
    }
    const int ret = avcodec_open2(codec.get(), encoder, &encoderOptions);
    av_dict_free(&encoderOptions);
    if (ret < 0) {
        return "cannot open the video encoder: " + avError(ret);
    }

    stream = avformat_new_stream(format.get(), nullptr);
    if (stream == nullptr) {
        return "cannot add the video stream";
    }
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = rate;
    const int copied = avcodec_parameters_from_context(stream->codecpar, codec.get());
    if (copied < 0) {
        return "cannot set the stream parameters: " + avError(copied);
    }
    return {};
}

std::string Mp4Recorder::Output::addSubtitles()
{
    subtitles = avformat_new_stream(format.get(), nullptr);
    if (subtitles == nullptr) {
        return "cannot add the subtitle stream";
    }
    // The muxer compares a subtitle track's end with the other tracks' times
    // in their own units: the same units as the video keep that comparison
    // sound (other units would fill each fragment with empty cues).
    subtitles->time_base = stream->time_base;
    // Players show it without being asked.
    subtitles->disposition = AV_DISPOSITION_DEFAULT;
    AVCodecParameters* par = subtitles->codecpar;
    par->codec_type = AVMEDIA_TYPE_SUBTITLE;
    par->codec_id = AV_CODEC_ID_MOV_TEXT;
    par->width = stored.width;
    par->height = stored.height;
    par->extradata =
        static_cast<uint8_t*>(av_mallocz(sizeof kTextSampleEntry + AV_INPUT_BUFFER_PADDING_SIZE));
    if (par->extradata == nullptr) {
        return "out of memory";
    }
    std::memcpy(par->extradata, kTextSampleEntry, sizeof kTextSampleEntry);
    par->extradata_size = static_cast<int>(sizeof kTextSampleEntry);
    return {};
}

std::string Mp4Recorder::Output::createFile(const std::string& path)
{
    sink.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (sink.fd < 0) {
        return "cannot create the file: " + avError(AVERROR(errno));
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    format->pb = buffer == nullptr ? nullptr
                                   : avio_alloc_context(buffer, kIoBufferBytes, 1, &sink, nullptr,
                                                        &FileSink::write, &FileSink::seek);
    if (format->pb == nullptr) {
        av_free(buffer);
        return "out of memory";
    }
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return {};
}

std::string Mp4Recorder::Output::open(const std::string& path, double fps, cv::Size frameSize,
                                      const Options& options)
{
    size = frameSize;
    const recorder::EncoderSetup setup = recorder::SetupFor(kind, frameSize, fps);
    if (setup.size.empty()) {
        return "frame size beyond every MPEG-4 Part 2 level at this frame rate";
    }
    stored = setup.size;
    sink.sync = options.syncFragments;
    AVFormatContext* rawFormat = nullptr;
    int ret = avformat_alloc_output_context2(&rawFormat, nullptr, "mp4", path.c_str());
    if (ret < 0) {
        return "cannot create the MP4 muxer: " + avError(ret);
    }
    format.reset(rawFormat);
    // Push every fragment to the file as soon as the muxer emits it.
    format->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    std::string error = openEncoder(fps, setup);
    if (error.empty() && options.subtitles) {
        error = addSubtitles();
    }
    if (!error.empty()) {
        return error;
    }
    for (const auto& [key, value] : options.tags) {
        av_dict_set(&format->metadata, key.c_str(), value.c_str(), 0);
    }

    frame.reset(av_frame_alloc());
    lent.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    held.reset(av_packet_alloc());
    if (!frame || !lent || !packet || !held) {
        return "out of memory";
    }
    frame->format = codec->pix_fmt;
    frame->width = codec->width;
    frame->height = codec->height;
    ret = av_frame_get_buffer(frame.get(), 0);
    if (ret < 0) {
        return "cannot allocate the frame: " + avError(ret);
    }
    // Colour conversion and, for a stored size below the frames', scaling
    // in one pass.
    scaler.reset(sws_getContext(frameSize.width, frameSize.height, AV_PIX_FMT_BGR24, stored.width,
                                stored.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                                nullptr));
    if (!scaler) {
        return "cannot create the colour converter";
    }

    error = createFile(path);
    if (!error.empty()) {
        return error;
    }
    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "movflags", kMovFlags, 0);
    ret = avformat_write_header(format.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    if (ret >= 0) {
        // A full disk shows now; the header reaches the disk with the first fragment.
        avio_flush(format->pb);
    }
    if (ret < 0 || ioFailed()) {
        // A file without its header can never play: leave none behind.
        error = ioError("cannot write the MP4 header", ret);
        format.reset();
        std::remove(path.c_str());
        return error;
    }
    headerWritten = true;
    return {};
}
