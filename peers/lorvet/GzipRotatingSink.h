// A ring of log files that keeps the newest lines readable as they are and
// the older ones gzip-compressed, so the same disk space holds many hours more.
#pragma once

#include <spdlog/details/file_helper.h>
#include <spdlog/sinks/base_sink.h>

#include <cstddef>
#include <mutex>
#include <string>

namespace lorvet {

// One log line: local time with milliseconds, then the line's body.
constexpr char kLinePattern[] = "%Y-%m-%d %H:%M:%S.%e %v";

// <name>.log is plain text. When the next line would take it past
// maxFileBytes, its lines are compressed and appended, as one more gzip
// member, to <name>.1.log.gz; when that would take <name>.1.log.gz past
// maxFileBytes, the compressed files first move one place up (.1 to .2, ...)
// and the one that would become number maxFiles is removed. maxFiles counts
// the plain file too. "zcat" of the compressed files from the highest number
// down, then the plain file, gives every kept line in order.
class GzipRotatingSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    GzipRotatingSink(std::string path, std::size_t maxFileBytes, std::size_t maxFiles);

    // <name>.<index>.log.gz beside path <name>.log.
    static std::string compressedName(const std::string& path, std::size_t index);

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override;
    void flush_() override;

private:
    void rotate();
    // Makes room for a new <name>.1.log.gz.
    void shiftCompressed();

    const std::string m_path;
    const std::size_t m_maxFileBytes;
    const std::size_t m_maxFiles;
    spdlog::details::file_helper m_file;
    std::size_t m_size = 0;
};

// The whole file as one gzip member; throws std::runtime_error on failure.
std::string gzipFile(const std::string& path);

} // namespace lorvet
