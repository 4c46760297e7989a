#include "LogTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <thread>

namespace lorvettest {

namespace {
constexpr auto kWaitTimeout = std::chrono::seconds(60);
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr std::size_t kTimestampLength = 24; // "YYYY-MM-DD hh:mm:ss.mmm "
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
    static const std::regex stamp(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} )");
    if (line.size() < kTimestampLength ||
        !std::regex_match(line.substr(0, kTimestampLength), stamp)) {
        return {};
    }
    return line.substr(kTimestampLength);
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
