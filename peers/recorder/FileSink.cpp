#include "FileSink.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace recorder {

FileSink::~FileSink()
{
    if (fd >= 0) {
        ::close(fd);
    }
}

int FileSink::syncNow()
{
    if (!sync) {
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto before = Clock::now();
    const int ret = ::fdatasync(fd);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - before);
    ++figures.count;
    figures.total += took;
    figures.longest = std::max(figures.longest, took);
    return ret == 0 ? 0 : AVERROR(errno);
}

int FileSink::write(void* opaque, uint8_t* data, int size)
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

int64_t FileSink::seek(void* opaque, int64_t offset, int whence)
{
    const int fd = static_cast<FileSink*>(opaque)->fd;
    if (whence == AVSEEK_SIZE) {
        struct stat info {};
        return fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

} // namespace recorder
