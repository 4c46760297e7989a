#include "videodecoder.h"

#include "indexrecords.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
// Opening a fragmented recording reads the header of every fragment (an
// hour has 3600); FFmpeg's own 32 KB reads would read far more than them.
// Pictures larger than this are read past the buffer anyway.
constexpr int kIoBufferBytes = 4096;

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;

QString avText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

long long timeOf(const AVFrame* frame)
{
    return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

void freeBuffer(void* buffer)
{
    av_free(buffer);
}

int readFile(void* opaque, uint8_t* data, int size)
{
    const int fd = *static_cast<int*>(opaque);
    ssize_t done = 0;
    do {
        done = ::read(fd, data, static_cast<size_t>(size));
    } while (done < 0 && errno == EINTR);
    return done > 0 ? static_cast<int>(done) : done == 0 ? AVERROR_EOF : AVERROR(errno);
}

int64_t seekFile(void* opaque, int64_t offset, int whence)
{
    const int fd = *static_cast<int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

} // namespace

struct VideoDecoder::Media {
    int fd = -1;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVStream* stream = nullptr;
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
        avformat_close_input(&format);
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (fd >= 0) {
            ::close(fd);
        }
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
    media->fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (media->fd < 0) {
        return fail(tr("无法读取的视频（%1）").arg(avText(AVERROR(errno))));
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    media->io = buffer == nullptr ? nullptr
                                  : avio_alloc_context(buffer, kIoBufferBytes, 0, &media->fd,
                                                       readFile, nullptr, seekFile);
    media->format = avformat_alloc_context();
    if (media->io == nullptr || media->format == nullptr) {
        if (media->io == nullptr) {
            av_free(buffer); // else freed with the context
        }
        return fail(tr("内存不足"));
    }
    media->format->pb = media->io;
    int rc = avformat_open_input(&media->format, nullptr, nullptr, nullptr);
    if (rc < 0) {
        return fail(tr("无法读取的视频（%1）").arg(avText(rc)));
    }
    const AVCodec* decoder = nullptr;
    rc = av_find_best_stream(media->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (rc < 0 || decoder == nullptr) {
        return fail(rc == AVERROR_DECODER_NOT_FOUND ? tr("没有这种视频编码的解码器")
                                                    : tr("文件中没有视频流"));
    }
    media->stream = media->format->streams[rc];
    for (unsigned i = 0; i < media->format->nb_streams; ++i) {
        if (media->format->streams[i] != media->stream) {
            media->format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    media->codec = avcodec_alloc_context3(decoder);
    media->packet = av_packet_alloc();
    if (media->codec == nullptr || media->packet == nullptr || !media->current || !media->ahead) {
        return fail(tr("内存不足"));
    }
    avcodec_parameters_to_context(media->codec, media->stream->codecpar);
    media->codec->thread_count = 0; // as many as the machine has
    rc = avcodec_open2(media->codec, decoder, nullptr);
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

double VideoDecoder::durationS() const
{
    if (!m_media) {
        return kUnknown;
    }
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
