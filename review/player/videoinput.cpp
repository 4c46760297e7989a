#include "videoinput.h"

#include <QFile>

extern "C" {
#include <libavutil/error.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Opening a fragmented recording reads the header of every fragment (an
// hour has 3600); FFmpeg's own 32 KB reads would read far more than them.
// Pictures larger than this are read past the buffer anyway.
constexpr int kIoBufferBytes = 4096;

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

// Whether the file ends in a fragment index (an mfra box, which the writer
// adds when it closes a recording): then the fragments' times are known
// without reading each fragment's header.
bool endsInFragmentIndex(int fd)
{
    constexpr int kTailBytes = 16; // an mfro box: size, type, flags, mfra size
    struct stat info {};
    unsigned char tail[kTailBytes] = {};
    if (::fstat(fd, &info) != 0 || info.st_size < kTailBytes ||
        ::pread(fd, tail, kTailBytes, info.st_size - kTailBytes) != kTailBytes) {
        return false;
    }
    return std::equal(tail + 4, tail + 8, "mfro");
}

} // namespace

QString avText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

VideoInput::~VideoInput()
{
    avformat_close_input(&format);
    if (io != nullptr) {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

QString VideoInput::open(const QString& path, bool mayBeQuick)
{
    fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return tr("无法读取的视频（%1）").arg(avText(AVERROR(errno)));
    }
    quick = mayBeQuick && endsInFragmentIndex(fd);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    io = buffer == nullptr
             ? nullptr
             : avio_alloc_context(buffer, kIoBufferBytes, 0, &fd, readFile, nullptr, seekFile);
    format = avformat_alloc_context();
    if (io == nullptr || format == nullptr) {
        if (io == nullptr) {
            av_free(buffer); // else freed with the context
        }
        return tr("内存不足");
    }
    format->pb = io;
    AVDictionary* options = nullptr;
    if (quick) {
        av_dict_set(&options, "use_mfra_for", "pts", 0);
    }
    int rc = avformat_open_input(&format, nullptr, nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) {
        return tr("无法读取的视频（%1）").arg(avText(rc));
    }
    rc = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (rc < 0 || decoder == nullptr) {
        return rc == AVERROR_DECODER_NOT_FOUND ? tr("没有这种视频编码的解码器")
                                               : tr("文件中没有视频流");
    }
    stream = format->streams[rc];
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i] != stream) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    return {};
}
