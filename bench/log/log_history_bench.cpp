// How many hours of an inspection the console's log still holds, with the
// console's settings (files of 2,000,000 bytes, 10 kept). The per-frame lines
// of the main camera at 25 fps ("GetMatImage begin", "GetImage SetPixmap
// end", 95 % of a real log) are written with their real layout and time
// stamps advancing as on a real run (40 ms a frame, a few ms of jitter),
// through the compressed ring and through plain rotated files, for a given
// number of simulated hours. History = newest minus oldest time still kept.
#include "GzipRotatingSink.h"

#include <spdlog/details/log_msg.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = spdlog::log_clock;

constexpr double kDefaultHours = 24;
constexpr std::size_t kFileBytes = 2000000;
constexpr std::size_t kFilesKept = 10;
constexpr int kFrameMs = 40; // 25 fps
constexpr int kJitterMs = 4;
constexpr int kSecondsPerHour = 3600;
constexpr double kBytesPerMb = 1e6;
const std::string kFramePath = std::string(MORAVEL_SOURCE_DIR) + "/console/video/framepath.cpp";
const std::string kBegin = "[1] " + kFramePath + ":20 GetMatImage begin";
const std::string kEnd = "[1] " + kFramePath + ":60 GetImage SetPixmap end";
constexpr std::size_t kStampChars = 23; // yyyy-mm-dd hh:mm:ss.zzz

struct Written {
    double plainBytes = 0;
    Clock::time_point first;
    Clock::time_point last;
};

Written writeFrames(spdlog::sinks::sink& sink, double hours)
{
    std::mt19937 random(1);
    std::uniform_int_distribution<int> jitter(0, kJitterMs);
    sink.set_pattern(lorvet::kLinePattern);
    Written written;
    written.first = Clock::now();
    const auto frames = static_cast<long>(hours * kSecondsPerHour * 1000 / kFrameMs);
    spdlog::memory_buf_t line;
    for (long frame = 0; frame < frames; ++frame) {
        const auto at =
            written.first + std::chrono::milliseconds(frame * kFrameMs + jitter(random));
        const auto end = at + std::chrono::milliseconds(1 + jitter(random));
        for (const auto& [time, text] : {std::make_pair(at, &kBegin), std::make_pair(end, &kEnd)}) {
            const spdlog::details::log_msg msg(time, {}, "bench", spdlog::level::info, *text);
            sink.log(msg);
            written.plainBytes += static_cast<double>(kStampChars + 2 + text->size());
        }
        written.last = end;
    }
    sink.flush();
    return written;
}

std::time_t parseStamp(const std::string& line)
{
    std::tm tm{};
    if (std::sscanf(line.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
        return 0;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// The first line of a plain or gzip file (gzread reads both).
std::string firstLine(const fs::path& file)
{
    gzFile in = gzopen(file.c_str(), "rb");
    if (in == nullptr)
        return {};
    char buffer[512] = {};
    const bool read = gzgets(in, buffer, sizeof buffer) != nullptr;
    gzclose(in);
    return read ? buffer : "";
}

// n of Moravel.n.log and Moravel.n.log.gz, 0 for Moravel.log.
int ringIndex(const fs::path& file)
{
    const std::string name = file.filename().string();
    const auto dot = name.find('.');
    return dot == std::string::npos ? 0 : std::atoi(name.c_str() + dot + 1);
}

void report(const char* name, const fs::path& dir, const Written& written, double hours)
{
    fs::path oldest;
    std::uintmax_t onDisk = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        onDisk += entry.file_size();
        // The oldest line opens the highest-numbered file.
        if (oldest.empty() || ringIndex(entry.path()) > ringIndex(oldest))
            oldest = entry.path();
    }
    const double kept =
        static_cast<double>(Clock::to_time_t(written.last) - parseStamp(firstLine(oldest))) /
        kSecondsPerHour;
    std::printf("%-28s %.1f MB of text an hour; after %.0f h: %.1f MB on disk in %zu files, "
                "the oldest line %.2f h old\n",
                name, written.plainBytes / hours / kBytesPerMb, hours,
                static_cast<double>(onDisk) / kBytesPerMb,
                static_cast<std::size_t>(
                    std::distance(fs::directory_iterator(dir), fs::directory_iterator())),
                kept);
}

} // namespace

int main(int argc, char** argv)
{
    const double hours = argc > 1 ? std::max(0.1, std::atof(argv[1])) : kDefaultHours;
    const fs::path root =
        fs::temp_directory_path() / ("log_history_bench-" + std::to_string(getpid()));
    const fs::path ring = root / "ring";
    const fs::path plain = root / "plain";
    fs::create_directories(ring);
    fs::create_directories(plain);
    {
        lorvet::GzipRotatingSink sink((ring / "Moravel.log").string(), kFileBytes, kFilesKept);
        report("gzip-compressed ring:", ring, writeFrames(sink, hours), hours);
    }
    {
        spdlog::sinks::rotating_file_sink_st sink((plain / "Moravel.log").string(), kFileBytes,
                                                  kFilesKept - 1);
        report("plain rotated files:", plain, writeFrames(sink, hours), hours);
    }
    fs::remove_all(root);
    return 0;
}
