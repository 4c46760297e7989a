#include "Mp4Recorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>

namespace {

using Clock = std::chrono::steady_clock;

// MPEG-4 Part 2 stores the time base denominator in 16 bits.
constexpr int kMaxTimeBaseDen = 65535;
constexpr AVRational kMicroseconds{1, 1000000};
// Key frames come by time (at least one a second); this count (the encoder's
// largest) never decides.
constexpr int kGopFrames = 600;
// Fixed quantiser: near-transparent quality for inspection footage without
// guessing a bit rate for every frame size.
constexpr int kQuantiser = 3;
constexpr const char* kX264Preset = "veryfast";
constexpr const char* kX264Crf = "23";
constexpr const char* kX264Profile = "high";
// Fragments cut by the writer (one per second of the recording), a header
// that needs nothing from the end of the file, and every tag under its own name.
constexpr const char* kMovFlags = "frag_custom+empty_moov+default_base_moof+use_metadata_tags";
constexpr int kIoBufferBytes = 64 * 1024;
constexpr size_t kMaxCueBytes = 0xFFFF; // a mov_text sample's 16-bit length

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

constexpr int fourcc(char a, char b, char c, char d)
{
    return (a & 0xff) | ((b & 0xff) << 8) | ((c & 0xff) << 16) | ((d & 0xff) << 24);
}

enum class Codec { None, Mpeg4Part2, H264 };

Codec codecFor(int code)
{
    for (int known : {fourcc('x', 'v', 'i', 'd'), fourcc('X', 'V', 'I', 'D'),
                      fourcc('m', 'p', '4', 'v'), fourcc('M', 'P', '4', 'V')}) {
        if (code == known) {
            return Codec::Mpeg4Part2;
        }
    }
    for (int known : {fourcc('a', 'v', 'c', '1'), fourcc('A', 'V', 'C', '1'),
                      fourcc('h', '2', '6', '4'), fourcc('H', '2', '6', '4')}) {
        if (code == known) {
            return Codec::H264;
        }
    }
    return Codec::None;
}

// MPEG-4 Part 2 profiles and levels by the macroblocks of a picture and per
// second they admit: Simple Profile as far as it goes (720p), then Main
// Profile level 4 (1920 x 1088), which decodes Simple Profile streams.
struct Mpeg4Level {
    int profile;
    int level; // 4 is Simple Profile level 4a
    long macroblocks;
    long macroblocksPerSecond;
};
constexpr Mpeg4Level kMpeg4Levels[] = {
    {FF_PROFILE_MPEG4_SIMPLE, 1, 99, 1485},    {FF_PROFILE_MPEG4_SIMPLE, 2, 396, 5940},
    {FF_PROFILE_MPEG4_SIMPLE, 3, 396, 11880},  {FF_PROFILE_MPEG4_SIMPLE, 4, 1200, 36000},
    {FF_PROFILE_MPEG4_SIMPLE, 5, 1620, 40500}, {FF_PROFILE_MPEG4_SIMPLE, 6, 3600, 108000},
    {FF_PROFILE_MPEG4_MAIN, 4, 8160, 489600},
};

const Mpeg4Level* mpeg4LevelFor(cv::Size size, double fps)
{
    const long macroblocks = static_cast<long>((size.width + 15) / 16) * ((size.height + 15) / 16);
    for (const Mpeg4Level& level : kMpeg4Levels) {
        if (macroblocks <= level.macroblocks &&
            macroblocks * fps <= static_cast<double>(level.macroblocksPerSecond)) {
            return &level;
        }
    }
    return nullptr;
}

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The file the muxer writes through: a descriptor of our own, so each
// fragment can be forced to the disk.
struct FileSink {
    int fd = -1;
    bool sync = true;
    Mp4Recorder::SyncFigures figures;

    ~FileSink()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    // 0 or an AVERROR.
    int syncNow()
    {
        if (!sync) {
            return 0;
        }
        const auto before = Clock::now();
        const int ret = ::fdatasync(fd);
        const auto took =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - before);
        ++figures.count;
        figures.total += took;
        figures.longest = std::max(figures.longest, took);
        return ret == 0 ? 0 : AVERROR(errno);
    }

    static int write(void* opaque, uint8_t* data, int size)
    {
        const int fd = static_cast<FileSink*>(opaque)->fd;
        int done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, static_cast<size_t>(size - done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return n < 0 ? AVERROR(errno) : AVERROR(EIO);
            }
            done += static_cast<int>(n);
        }
        return done;
    }
    static int64_t seek(void* opaque, int64_t offset, int whence)
    {
        const int fd = static_cast<FileSink*>(opaque)->fd;
        if (whence == AVSEEK_SIZE) {
            struct stat info {};
            return fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
        }
        const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
    }
};

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

} // namespace

struct Mp4Recorder::Output {
    FileSink sink; // outlives the muxer that writes through it
    std::unique_ptr<AVFormatContext, FormatDeleter> format;
    std::unique_ptr<AVCodecContext, CodecDeleter> codec;
    std::unique_ptr<AVFrame, FrameDeleter> frame;
    std::unique_ptr<AVPacket, PacketDeleter> packet;
    std::unique_ptr<SwsContext, SwsDeleter> scaler;
    // The packet of the newest frame waits for the next one, which gives its
    // duration; then it waits until a subtitle cue covers its time, so the
    // subtitle track always reaches as far as the video the muxer has.
    std::unique_ptr<AVPacket, PacketDeleter> held;
    bool holding = false;
    std::deque<std::unique_ptr<AVPacket, PacketDeleter>> waiting;
    AVStream* stream = nullptr;
    AVStream* subtitles = nullptr;
    int64_t subtitleEnd = 0; // in the subtitle stream's time base (the video's)
    // The fragment in the muxer ends at this time (a whole second), once
    // every packet before it is written.
    int64_t fragmentEnd = 0;
    bool fragmentOpen = false;
    Codec kind = Codec::None;
    cv::Size size;
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
    std::string openEncoder(double fps, cv::Size frameSize);
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
        return std::string(what) + ": " + avError(ret < 0 ? ret : format->pb->error);
    }
};

std::string Mp4Recorder::Output::openEncoder(double fps, cv::Size frameSize)
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
    codec->width = frameSize.width;
    codec->height = frameSize.height;
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
    AVDictionary* encoderOptions = nullptr;
    if (kind == Codec::H264) {
        codec->profile = FF_PROFILE_H264_HIGH;
        codec->thread_count = 0; // as many as the encoder finds useful
        av_dict_set(&encoderOptions, "preset", kX264Preset, 0);
        av_dict_set(&encoderOptions, "crf", kX264Crf, 0);
        av_dict_set(&encoderOptions, "profile", kX264Profile, 0);
        // A forced key frame is an IDR picture: a fragment that starts there decodes alone.
        av_dict_set(&encoderOptions, "forced-idr", "1", 0);
    } else {
        const Mpeg4Level* level = mpeg4LevelFor(frameSize, fps);
        if (level == nullptr) {
            return "frame size beyond every MPEG-4 Part 2 level (at most 1920 x 1088)";
        }
        codec->codec_tag = static_cast<unsigned>(fourcc('m', 'p', '4', 'v'));
        codec->profile = level->profile;
        codec->level = level->level;
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
    par->width = size.width;
    par->height = size.height;
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
    sink.sync = options.syncFragments;
    AVFormatContext* rawFormat = nullptr;
    int ret = avformat_alloc_output_context2(&rawFormat, nullptr, "mp4", path.c_str());
    if (ret < 0) {
        return "cannot create the MP4 muxer: " + avError(ret);
    }
    format.reset(rawFormat);
    // Push every fragment to the file as soon as the muxer emits it.
    format->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    std::string error = openEncoder(fps, frameSize);
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

std::string Mp4Recorder::Output::encode(const AVFrame* input)
{
    int ret = avcodec_send_frame(codec.get(), input);
    if (ret < 0) {
        return "encoding failed: " + avError(ret);
    }
    while ((ret = avcodec_receive_packet(codec.get(), packet.get())) >= 0) {
        if (holding) {
            release(packet->dts);
        }
        av_packet_move_ref(held.get(), packet.get());
        holding = true;
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        return "encoding failed: " + avError(ret);
    }
    return writeWaiting(false);
}

void Mp4Recorder::Output::release(int64_t endPts)
{
    holding = false;
    held->duration = endPts > held->dts ? endPts - held->dts : frameTicks;
    std::unique_ptr<AVPacket, PacketDeleter> done(av_packet_alloc());
    av_packet_move_ref(done.get(), held.get());
    waiting.push_back(std::move(done));
}

std::string Mp4Recorder::Output::writeWaiting(bool final)
{
    while (!waiting.empty()) {
        AVPacket* next = waiting.front().get();
        const bool covered =
            subtitles == nullptr ||
            av_rescale_q(next->dts, codec->time_base, subtitles->time_base) < subtitleEnd;
        if (!covered && !final) {
            break;
        }
        if (fragmentOpen && next->dts >= fragmentEnd) {
            const std::string error = flushFragment();
            if (!error.empty()) {
                return error;
            }
        }
        if (!fragmentOpen) {
            // A whole second of the recording: ticks are 1 / den of a second.
            const int64_t second = codec->time_base.den;
            fragmentEnd = (next->dts / second + 1) * second;
            fragmentOpen = true;
        }
        av_packet_rescale_ts(next, codec->time_base, stream->time_base);
        next->stream_index = stream->index;
        const int ret = av_write_frame(format.get(), next);
        waiting.pop_front();
        if (ret < 0 || ioFailed()) {
            return ioError("writing failed", ret);
        }
    }
    // Everything before the fragment's end is written once a later packet is known.
    const AVPacket* later = !waiting.empty() ? waiting.front().get()
                            : holding        ? held.get()
                                             : nullptr;
    if (fragmentOpen && later != nullptr && later->dts >= fragmentEnd) {
        return flushFragment();
    }
    return {};
}

std::string Mp4Recorder::Output::flushFragment()
{
    fragmentOpen = false;
    int ret = av_write_frame(format.get(), nullptr);
    if (ret >= 0 && !ioFailed()) {
        avio_flush(format->pb);
        ret = ioFailed() ? format->pb->error : sink.syncNow();
    }
    if (ret < 0 || ioFailed()) {
        return ioError("writing failed", ret);
    }
    return {};
}

std::string Mp4Recorder::Output::writeCue(const std::string& text, int64_t from, int64_t to)
{
    from = std::max(from, subtitleEnd);
    if (to <= from) {
        return {};
    }
    // A sample is the text's 16-bit big-endian length and the text, cut at a
    // character boundary when longer.
    size_t length = std::min(text.size(), kMaxCueBytes);
    while (length < text.size() && length > 0 && (text[length] & 0xC0) == 0x80) {
        --length;
    }
    std::unique_ptr<AVPacket, PacketDeleter> cue(av_packet_alloc());
    if (!cue || av_new_packet(cue.get(), static_cast<int>(length + 2)) < 0) {
        return "out of memory";
    }
    cue->data[0] = static_cast<uint8_t>(length >> 8);
    cue->data[1] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(cue->data + 2, text.data(), length);
    cue->pts = cue->dts = from;
    cue->duration = to - from;
    cue->flags |= AV_PKT_FLAG_KEY;
    cue->stream_index = subtitles->index;
    const int ret = av_write_frame(format.get(), cue.get());
    if (ret < 0 || ioFailed()) {
        return ioError("writing failed", ret);
    }
    subtitleEnd = to;
    return writeWaiting(false);
}

std::string Mp4Recorder::Output::finish(int64_t endPts)
{
    if (!headerWritten) {
        return {};
    }
    headerWritten = false;
    std::string error = encode(nullptr);
    if (holding) {
        release(endPts);
    }
    // What no cue came for goes in all the same.
    std::string last = writeWaiting(true);
    // The muxer ends the subtitles with an empty cue of its own; alone in its
    // fragment it keeps no length, and the subtitles end with the video.
    if (last.empty() && fragmentOpen) {
        last = flushFragment();
    }
    error = error.empty() ? last : error;
    int ret = av_write_trailer(format.get());
    if (ret >= 0 && !ioFailed()) {
        avio_flush(format->pb);
        ret = ioFailed() ? format->pb->error : sink.syncNow();
    }
    if (error.empty() && (ret < 0 || ioFailed())) {
        error = ioError("finishing the file failed", ret);
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
    return open(path, fourcc, fps, frameSize, Options());
}

bool Mp4Recorder::open(const std::string& path, int fourcc, double fps, cv::Size frameSize,
                       const Options& options)
{
    release();
    m_lastSync = SyncFigures();
    if (!(fps >= 1.0)) {
        m_lastError = "frame rate below 1";
        return false;
    }
    if (frameSize.width <= 0 || frameSize.height <= 0) {
        m_lastError = "empty frame size";
        return false;
    }
    auto output = std::make_unique<Output>();
    output->kind = codecFor(fourcc);
    if (output->kind == Codec::None) {
        m_lastError = "unsupported codec code (xvid, mp4v, avc1 or h264)";
        return false;
    }
    m_lastError = output->open(path, fps, frameSize, options);
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

bool Mp4Recorder::fail(const std::string& error)
{
    // Close what can still be closed; the first error is the one to report.
    m_output->finish(m_output->lastPts);
    m_lastSync = m_output->sink.figures;
    m_output.reset();
    m_lastError = error;
    return false;
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
    return error.empty() ? true : fail(error);
}

bool Mp4Recorder::writeSubtitle(const std::string& text, std::chrono::microseconds from,
                                std::chrono::microseconds to)
{
    if (!m_output || m_output->subtitles == nullptr) {
        m_lastError = m_output ? "opened without subtitles" : "not open";
        return false;
    }
    const AVRational base = m_output->subtitles->time_base;
    const std::string error =
        m_output->writeCue(text, av_rescale_q(from.count(), kMicroseconds, base),
                           av_rescale_q(to.count(), kMicroseconds, base));
    return error.empty() ? true : fail(error);
}

void Mp4Recorder::release()
{
    if (m_output) {
        // Ending where the last frame starts leaves it one nominal frame.
        release(std::chrono::microseconds(
            av_rescale_q(m_output->lastPts, m_output->codec->time_base, kMicroseconds)));
    }
}

bool Mp4Recorder::release(std::chrono::microseconds end)
{
    if (!m_output) {
        return true;
    }
    const std::string error =
        m_output->finish(av_rescale_q(end.count(), kMicroseconds, m_output->codec->time_base));
    if (!error.empty()) {
        m_lastError = error;
    }
    m_lastSync = m_output->sink.figures;
    m_output.reset();
    return error.empty();
}

const std::string& Mp4Recorder::lastError() const
{
    return m_lastError;
}

Mp4Recorder::SyncFigures Mp4Recorder::syncFigures() const
{
    return m_output ? m_output->sink.figures : m_lastSync;
}
