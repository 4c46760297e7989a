// Runs the writer program in its own process: what reaches the files there
// has gone through the exit flush, the queue and the rotation.
#include "LogTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

using lorvettest::TempDir;

namespace {

constexpr std::uintmax_t kMaxFileBytes = 2000000;
constexpr std::size_t kFilesKept = 10;
constexpr std::size_t kPrefixShown = 80; // enough to see what went wrong

struct WriterLine {
    int writer = -1;
    int line = -1;
    std::string payload;
};

std::string writerCommand(const std::string& path, int threads, int lines, int payloadChars)
{
    return std::string("'") + LORVET_WRITER + "' '" + path + "' " + std::to_string(threads) + " " +
           std::to_string(lines) + " " + std::to_string(payloadChars);
}

// Parses "<time> [1] LogWriter.cpp:<n> writer T line N <payload>".
bool parseWriterLine(const std::string& line, WriterLine& out)
{
    const std::string body = lorvettest::bodyAfterTimestamp(line);
    int sourceLine = 0;
    int consumed = 0;
    if (std::sscanf(body.c_str(), "[1] LogWriter.cpp:%d writer %d line %d %n", &sourceLine,
                    &out.writer, &out.line, &consumed) != 3 ||
        consumed == 0) {
        return false;
    }
    out.payload = body.substr(static_cast<std::size_t>(consumed));
    return true;
}

std::string repeated(const std::string& unit, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += unit;
    }
    return out;
}

} // namespace

TEST(LogWriter, EightThreadsLoseNoLine)
{
    constexpr int kThreads = 8;
    constexpr int kLines = 5000;
    constexpr int kPayload = 12;
    TempDir dir;
    const auto logDir = dir.path() / "Logs";
    ASSERT_EQ(
        std::system(
            writerCommand((logDir / "Moravel.log").string(), kThreads, kLines, kPayload).c_str()),
        0);

    std::set<std::pair<int, int>> seen;
    std::size_t total = 0;
    const std::string payload = repeated("管", kPayload);
    std::map<int, int> lastLineOfWriter;
    for (const auto& text : lorvettest::readRing(logDir / "Moravel.log")) {
        WriterLine parsed;
        ASSERT_TRUE(parseWriterLine(text, parsed)) << text;
        EXPECT_EQ(parsed.payload, payload);
        // Each writer's own lines keep their order across the files.
        auto last = lastLineOfWriter.try_emplace(parsed.writer, -1).first;
        EXPECT_EQ(parsed.line, last->second + 1);
        last->second = parsed.line;
        seen.emplace(parsed.writer, parsed.line);
        ++total;
    }
    EXPECT_EQ(total, static_cast<std::size_t>(kThreads * kLines));
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
    EXPECT_EQ(lastLineOfWriter.size(), static_cast<std::size_t>(kThreads));
}

TEST(LogWriter, OlderLinesAreKeptCompressedInFilesOfAtMostTwoMillionBytes)
{
    constexpr int kLines = 8000;
    constexpr int kPayload = 1000; // about 3 kB per line, about 24 MB in all
    TempDir dir;
    const auto logDir = dir.path() / "Logs";
    ASSERT_EQ(
        std::system(writerCommand((logDir / "Moravel.log").string(), 1, kLines, kPayload).c_str()),
        0);

    std::vector<std::filesystem::path> ring;
    const auto lines = lorvettest::readRing(logDir / "Moravel.log", &ring);
    // Twelve times what ten plain files could hold, and not a line lost.
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLines));
    const std::string payload = repeated("管", kPayload);
    for (int n = 0; n < kLines; ++n) {
        WriterLine parsed;
        ASSERT_TRUE(parseWriterLine(lines[static_cast<std::size_t>(n)], parsed))
            << lines[static_cast<std::size_t>(n)].substr(0, kPrefixShown);
        EXPECT_EQ(parsed.line, n);
        EXPECT_EQ(parsed.payload, payload);
    }
    std::size_t present = 0;
    for (const auto& entry : std::filesystem::directory_iterator(logDir)) {
        EXPECT_NE(std::find(ring.begin(), ring.end(), entry.path()), ring.end()) << entry.path();
        ++present;
    }
    EXPECT_EQ(present, ring.size());
    EXPECT_GE(ring.size(), 2u);
    EXPECT_LE(ring.size(), kFilesKept);
    for (const auto& file : ring) {
        EXPECT_LE(std::filesystem::file_size(file), kMaxFileBytes) << file;
        if (file.extension() == ".gz") {
            EXPECT_TRUE(lorvettest::gzipAccepts(file)) << file;
        }
    }
}

TEST(LogWriter, LinesBeforeInitGoToStandardError)
{
    FILE* pipe = popen((writerCommand("-", 1, 3, 2) + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ASSERT_EQ(pclose(pipe), 0);

    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(output.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 3u) << output;
    for (int n = 0; n < 3; ++n) {
        WriterLine parsed;
        ASSERT_TRUE(parseWriterLine(lines[static_cast<std::size_t>(n)], parsed)) << output;
        EXPECT_EQ(parsed.line, n);
        EXPECT_EQ(parsed.payload, "管管");
    }
}
