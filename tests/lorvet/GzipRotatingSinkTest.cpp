// The ring on its own, with small files and lines that hardly compress, so
// that files fill, move up and fall off the end.
#include "GzipRotatingSink.h"
#include "LogTestSupport.h"

#include <spdlog/logger.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr std::size_t kFileBytes = 8192;
constexpr std::size_t kFiles = 4;
constexpr int kLines = 3000;
constexpr int kNoiseChars = 64;

std::string noise(std::mt19937& random)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < kNoiseChars; ++i) {
        text += kHex[random() % 16];
    }
    return text;
}

} // namespace

TEST(GzipRotatingSink, FullFilesMoveUpAndTheOldestFallsOffWithinTheSizeLimit)
{
    lorvettest::TempDir dir;
    const auto path = dir.path() / "Moravel.log";
    {
        spdlog::logger logger(
            "ring", std::make_shared<lorvet::GzipRotatingSink>(path.string(), kFileBytes, kFiles));
        logger.set_pattern("%v");
        std::mt19937 random(7);
        for (int n = 0; n < kLines; ++n) {
            logger.info("line {} {}", n, noise(random));
        }
        logger.flush();
    }

    std::vector<std::filesystem::path> ring;
    const auto lines = lorvettest::readRing(path, &ring);
    ASSERT_EQ(ring.size(), kFiles);
    EXPECT_EQ(ring.front().filename(), "Moravel.3.log.gz");
    EXPECT_EQ(
        static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                               std::filesystem::directory_iterator())),
        kFiles);
    for (const auto& file : ring) {
        EXPECT_LE(std::filesystem::file_size(file), kFileBytes) << file;
        if (file.extension() == ".gz") {
            EXPECT_TRUE(lorvettest::gzipAccepts(file)) << file;
        }
    }
    // The newest lines, without a gap, up to the last one written.
    ASSERT_FALSE(lines.empty());
    int first = -1;
    ASSERT_EQ(std::sscanf(lines.front().c_str(), "line %d", &first), 1);
    EXPECT_GT(first, 0);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLines - first));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("line " + std::to_string(first + static_cast<int>(i)) + " ", 0),
                  0u)
            << lines[i];
    }
}
