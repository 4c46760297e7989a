#include "LogTestSupport.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace lorvettest {

namespace {
constexpr auto kWaitTimeout = std::chrono::seconds(60);
constexpr auto kPollInterval = std::chrono::milliseconds(10);
// '0' stands for any digit.
constexpr std::string_view kTimestampShape = "0000-00-00 00:00:00.000 ";
constexpr int kMaxRingFiles = 100;
constexpr std::size_t kReadChunk = 64 * 1024;
} // namespace

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lorvet-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> readLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

namespace {

std::string quoted(const std::filesystem::path& file)
{
    return "'" + file.string() + "'";
}

std::vector<std::string> linesOfCommand(const std::string& command)
{
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return lines;
    }
    std::string text;
    char buffer[kReadChunk];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        text.append(buffer, n);
    }
    pclose(pipe);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

} // namespace

std::vector<std::string> readRing(const std::filesystem::path& plainFile,
                                  std::vector<std::filesystem::path>* files)
{
    std::vector<std::filesystem::path> ring;
    const std::string stem = plainFile.stem().string();
    const std::string extension = plainFile.extension().string();
    for (int index = kMaxRingFiles; index > 0; --index) {
        const auto compressed =
            plainFile.parent_path() / (stem + "." + std::to_string(index) + extension + ".gz");
        if (std::filesystem::exists(compressed)) {
            ring.push_back(compressed);
        }
    }
    std::vector<std::string> lines;
    for (const auto& file : ring) {
        const auto more = linesOfCommand("gzip -dc " + quoted(file));
        lines.insert(lines.end(), more.begin(), more.end());
    }
    const auto plain = readLines(plainFile);
    lines.insert(lines.end(), plain.begin(), plain.end());
    ring.push_back(plainFile);
    if (files != nullptr) {
        *files = ring;
    }
    return lines;
}

bool gzipAccepts(const std::filesystem::path& file)
{
    return std::system(("gzip -t " + quoted(file)).c_str()) == 0;
}

std::vector<std::string> waitForLines(const std::filesystem::path& file, std::size_t count)
{
    const auto deadline = std::chrono::steady_clock::now() + kWaitTimeout;
    std::vector<std::string> lines = readLines(file);
    while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        lines = readLines(file);
    }
    return lines;
}

std::string bodyAfterTimestamp(const std::string& line)
{
    if (line.size() < kTimestampShape.size()) {
        return {};
    }
    for (std::size_t i = 0; i < kTimestampShape.size(); ++i) {
        const bool matches = kTimestampShape[i] == '0'
                                 ? std::isdigit(static_cast<unsigned char>(line[i])) != 0
                                 : line[i] == kTimestampShape[i];
        if (!matches) {
            return {};
        }
    }
    return line.substr(kTimestampShape.size());
}

bool isValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace lorvettest
