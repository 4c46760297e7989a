#include "videodecoder.h"

#include "indexrecords.h"
#include "videoinput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

// Damaged pictures in a row before the rest of the file counts as lost.
constexpr int kMaxErrorsInARow = 256;
// A seek whose key frame cannot be decoded (a cut file) tries the key
// frames before it, this many.
constexpr int kSeekAttempts = 8;
// Rows of a picture start at this alignment, as the converter likes them.
constexpr int kRowAlignment = 64;

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;

long long timeOf(const AVFrame* frame)
{
    return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

void freeBuffer(void* buffer)
{
    av_free(buffer);
}

} // namespace

struct VideoDecoder::Media {
    QString path;
    std::unique_ptr<VideoInput> input = std::make_unique<VideoInput>();
    bool indexed = true;               // every frame's place known, not only the fragments'
    AVFormatContext* format = nullptr; // of input
    AVStream* stream = nullptr;        // of input
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    Frame current{av_frame_alloc()};
    Frame ahead{av_frame_alloc()};
    bool hasCurrent = false;
    bool hasAhead = false;
    bool draining = false;
    qint64 decoded = 0;
    mutable SwsContext* scaler = nullptr;

    ~Media()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }
    void use(std::unique_ptr<VideoInput> in)
    {
        input = std::move(in);
        format = input->format;
        stream = input->stream;
    }
    double seconds(long long ticks) const
    {
        return static_cast<double>(ticks) * av_q2d(stream->time_base);
    }
    long long ticks(double s) const
    {
        return std::llround(s * stream->time_base.den / stream->time_base.num);
    }
    // The next frame in file order into out; false at the end.
    bool decode(AVFrame* out);
    // A new start for decoding at the key frame at or before target.
    bool reposition(long long target);
    // Moves the frame ahead (decoding it when needed) to current.
    bool step();
};

bool VideoDecoder::Media::decode(AVFrame* out)
{
    for (int errors = 0; errors < kMaxErrorsInARow;) {
        const int received = avcodec_receive_frame(codec, out);
        if (received == 0) {
            ++decoded;
            return true;
        }
        if (received == AVERROR_EOF) {
            return false;
        }
        if (received != AVERROR(EAGAIN)) {
            ++errors; // a damaged picture: on to the next
            continue;
        }
        const int read = av_read_frame(format, packet);
        if (read < 0) {
            // The end, or a cut: what the decoder holds still comes out.
            if (draining) {
                return false;
            }
            draining = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        const int sent = avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        errors = sent < 0 ? errors + 1 : 0;
    }
    return false;
}

bool VideoDecoder::Media::reposition(long long target)
{
    int done = av_seek_frame(format, stream->index, target, AVSEEK_FLAG_BACKWARD);
    if (done < 0) {
        // Before the first key frame: from the start.
        done = av_seek_frame(format, stream->index, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
        if (done < 0) {
            done = avformat_seek_file(format, stream->index, INT64_MIN, 0, 0, 0);
        }
    }
    avcodec_flush_buffers(codec);
    draining = false;
    hasCurrent = false;
    hasAhead = false;
    return done >= 0;
}

bool VideoDecoder::Media::step()
{
    if (!hasAhead) {
        hasAhead = decode(ahead.get());
    }
    if (!hasAhead) {
        return false;
    }
    std::swap(current, ahead);
    hasCurrent = true;
    hasAhead = false;
    return true;
}

VideoDecoder::VideoDecoder() = default;

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::fail(const QString& problem)
{
    m_media.reset();
    m_problem = problem;
    return false;
}

bool VideoDecoder::open(const QString& path)
{
    close();
    // Problems are told to the operator; FFmpeg's own lines would only repeat them.
    av_log_set_level(AV_LOG_QUIET);
    auto media = std::make_unique<Media>();
    media->path = path;
    // A closed recording shows its first frame without reading the header
    // of every fragment (an hour has 3600); the rest is read at the first
    // seek. A cut one has no fragment index and is read whole at once.
    auto input = std::make_unique<VideoInput>();
    const QString problem = input->open(path, true);
    if (!problem.isEmpty()) {
        return fail(problem);
    }
    media->indexed = !input->quick;
    media->use(std::move(input));
    const AVCodec* decoder = media->input->decoder;
    media->codec = avcodec_alloc_context3(decoder);
    media->packet = av_packet_alloc();
    if (media->codec == nullptr || media->packet == nullptr || !media->current || !media->ahead) {
        return fail(tr("内存不足"));
    }
    avcodec_parameters_to_context(media->codec, media->stream->codecpar);
    media->codec->thread_count = 0; // as many as the machine has
    const int rc = avcodec_open2(media->codec, decoder, nullptr);
    if (rc < 0) {
        return fail(tr("无法打开视频解码器（%1）").arg(avText(rc)));
    }
    m_media = std::move(media);
    if (!m_media->step()) {
        return fail(tr("视频中没有可解码的画面"));
    }
    return true;
}

void VideoDecoder::close()
{
    m_media.reset();
    m_problem.clear();
}

void VideoDecoder::indexWhole()
{
    Media& m = *m_media;
    if (m.indexed) {
        return;
    }
    m.indexed = true;
    auto whole = std::make_unique<VideoInput>();
    if (!whole->open(m.path, false).isEmpty() || !m.hasCurrent) {
        return; // on with the fragments' times
    }
    const long long at = timeOf(m.current.get());
    m.use(std::move(whole));
    // The new reading starts at the beginning: on from the same frame.
    m.hasCurrent = false;
    seekTo(at, true);
}

double VideoDecoder::durationS()
{
    if (!m_media) {
        return kUnknown;
    }
    indexWhole();
    const AVStream* stream = m_media->stream;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        return m_media->seconds(stream->duration);
    }
    const AVFormatContext* format = m_media->format;
    return format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : kUnknown;
}

bool VideoDecoder::seek(double seconds)
{
    return m_media && known(seconds) && seekTo(m_media->ticks(seconds), true);
}

bool VideoDecoder::seekKeyFrame(double seconds)
{
    return m_media && known(seconds) && seekTo(m_media->ticks(seconds), false);
}

bool VideoDecoder::seekTo(long long target, bool exact)
{
    indexWhole();
    Media& m = *m_media;
    // Within the frames already decoded, or ahead in the same run of
    // frames after one key frame: decoding on is cheaper than seeking.
    const AVIndexEntry* key =
        avformat_index_get_entry_from_timestamp(m.stream, target, AVSEEK_FLAG_BACKWARD);
    const bool onward = m.hasCurrent && timeOf(m.current.get()) <= target &&
                        (key == nullptr || key->timestamp <= timeOf(m.current.get()));
    long long from = target;
    for (int attempt = 0; !onward && attempt < kSeekAttempts; ++attempt) {
        m.reposition(from);
        if (m.step() || from <= 0) {
            break;
        }
        // The key frame's data is not there (a cut file): the one before.
        const AVIndexEntry* earlier =
            avformat_index_get_entry_from_timestamp(m.stream, from, AVSEEK_FLAG_BACKWARD);
        from = earlier != nullptr ? std::min<long long>(from, earlier->timestamp) - 1 : 0;
    }
    if (!m.hasCurrent) {
        return false;
    }
    if (!exact && !onward) {
        return true;
    }
    while (exact) {
        if (!m.hasAhead) {
            m.hasAhead = m.decode(m.ahead.get());
        }
        if (!m.hasAhead || timeOf(m.ahead.get()) > target) {
            break;
        }
        m.step();
    }
    return true;
}

bool VideoDecoder::stepBack()
{
    return m_media && m_media->hasCurrent && seekTo(timeOf(m_media->current.get()) - 1, true);
}

bool VideoDecoder::advance()
{
    return m_media && m_media->step();
}

double VideoDecoder::nextTime()
{
    if (!m_media) {
        return kUnknown;
    }
    Media& m = *m_media;
    if (!m.hasAhead) {
        m.hasAhead = m.decode(m.ahead.get());
    }
    return m.hasAhead ? m.seconds(timeOf(m.ahead.get())) : kUnknown;
}

bool VideoDecoder::hasFrame() const
{
    return m_media && m_media->hasCurrent;
}

double VideoDecoder::time() const
{
    return hasFrame() ? m_media->seconds(timeOf(m_media->current.get())) : kUnknown;
}

qint64 VideoDecoder::decodedFrames() const
{
    return m_media ? m_media->decoded : 0;
}

QImage VideoDecoder::picture(const QSize& box) const
{
    if (!hasFrame()) {
        return {};
    }
    const AVFrame* frame = m_media->current.get();
    QSize size(frame->width, frame->height);
    if (!box.isEmpty()) {
        size.scale(box, Qt::KeepAspectRatio);
    }
    if (size.isEmpty()) {
        return {};
    }
    m_media->scaler = sws_getCachedContext(
        m_media->scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
        size.width(), size.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    const int stride = FFALIGN(size.width() * 4, kRowAlignment);
    auto* buffer = static_cast<uchar*>(av_malloc(static_cast<size_t>(stride) * size.height()));
    if (m_media->scaler == nullptr || buffer == nullptr) {
        av_free(buffer);
        return {};
    }
    uint8_t* planes[4] = {buffer, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    sws_scale(m_media->scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    // BGRA in memory is 0xAARRGGBB on a little-endian machine.
    return QImage(buffer, size.width(), size.height(), stride, QImage::Format_RGB32, freeBuffer,
                  buffer);
}
