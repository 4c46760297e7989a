#include "GzipRotatingSink.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace lorvet {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunkBytes = 64 * 1024;
// zlib's window bits plus 16: a gzip header and trailer instead of zlib's.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;

class Deflater {
public:
    Deflater()
    {
        if (deflateInit2(&m_stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits,
                         kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw std::runtime_error("cannot start gzip compression");
        }
    }
    ~Deflater() { deflateEnd(&m_stream); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses size bytes of input onto out; finish ends the member.
    void add(const char* input, std::size_t size, bool finish, std::string& out)
    {
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
        m_stream.avail_in = static_cast<uInt>(size);
        std::vector<char> chunk(kChunkBytes);
        int result = Z_OK;
        do {
            m_stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
            m_stream.avail_out = static_cast<uInt>(chunk.size());
            result = deflate(&m_stream, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR) {
                throw std::runtime_error("gzip compression failed");
            }
            out.append(chunk.data(), chunk.size() - m_stream.avail_out);
        } while (m_stream.avail_out == 0 || (finish && result != Z_STREAM_END));
    }

private:
    z_stream m_stream{};
};

} // namespace

std::string gzipFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    Deflater deflater;
    std::string out;
    std::vector<char> chunk(kChunkBytes);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        deflater.add(chunk.data(), static_cast<std::size_t>(in.gcount()), false, out);
    }
    if (in.bad()) {
        throw std::runtime_error("cannot read " + path);
    }
    deflater.add(nullptr, 0, true, out);
    return out;
}

GzipRotatingSink::GzipRotatingSink(std::string path, std::size_t maxFileBytes, std::size_t maxFiles)
    : m_path(std::move(path)), m_maxFileBytes(maxFileBytes), m_maxFiles(maxFiles)
{
    if (maxFileBytes == 0 || maxFiles == 0) {
        throw spdlog::spdlog_ex("log file size and file count must be positive");
    }
    m_file.open(m_path);
    m_size = m_file.size();
}

std::string GzipRotatingSink::compressedName(const std::string& path, std::size_t index)
{
    std::string base;
    std::string extension;
    std::tie(base, extension) = spdlog::details::file_helper::split_by_extension(path);
    return base + "." + std::to_string(index) + extension + ".gz";
}

void GzipRotatingSink::sink_it_(const spdlog::details::log_msg& msg)
{
    spdlog::memory_buf_t formatted;
    formatter_->format(msg, formatted);
    // A line longer than a whole file is still written, on its own.
    if (m_size > 0 && m_size + formatted.size() > m_maxFileBytes) {
        rotate();
    }
    m_file.write(formatted);
    m_size += formatted.size();
}

void GzipRotatingSink::flush_()
{
    m_file.flush();
}

void GzipRotatingSink::rotate()
{
    m_file.flush();
    std::string failure;
    if (m_maxFiles > 1) {
        try {
            const std::string member = gzipFile(m_path);
            const std::string newest = compressedName(m_path, 1);
            std::error_code ignored;
            const auto newestSize = fs::file_size(newest, ignored);
            if (ignored || newestSize + member.size() > m_maxFileBytes) {
                shiftCompressed();
            }
            std::ofstream out(newest, std::ios::binary | std::ios::app);
            out.write(member.data(), static_cast<std::streamsize>(member.size()));
            out.flush();
            if (!out) {
                failure = "cannot write " + newest;
            }
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    // Even when the lines could not be kept, the plain file must not grow
    // without bound.
    m_file.reopen(true);
    m_size = 0;
    if (!failure.empty()) {
        throw spdlog::spdlog_ex("log rotation: " + failure);
    }
}

void GzipRotatingSink::shiftCompressed()
{
    for (std::size_t index = m_maxFiles - 1; index > 0; --index) {
        const std::string from = compressedName(m_path, index);
        if (!fs::exists(from)) {
            continue;
        }
        if (index + 1 == m_maxFiles) {
            fs::remove(from);
        } else {
            fs::rename(from, compressedName(m_path, index + 1));
        }
    }
}

} // namespace lorvet
