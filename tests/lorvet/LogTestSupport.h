// Shared helpers of the log tests: temporary folders and reading log files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lorvettest {

// A fresh folder below the system temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::vector<std::string> readLines(const std::filesystem::path& file);

// The lines of a ring of log files, oldest first: "gzip -dc" of
// <name>.<n>.log.gz from the highest n down, then <name>.log. files gets the
// files read, in that order.
std::vector<std::string> readRing(const std::filesystem::path& plainFile,
                                  std::vector<std::filesystem::path>* files = nullptr);

// True when "gzip -t" finds the file a valid gzip file.
bool gzipAccepts(const std::filesystem::path& file);

// Polls until the file holds at least count lines; returns what it read last.
std::vector<std::string> waitForLines(const std::filesystem::path& file, std::size_t count);

// "<date> <time.ms> " stripped; empty when the line does not start with a
// local time stamp with milliseconds.
std::string bodyAfterTimestamp(const std::string& line);

bool isValidUtf8(const std::string& text);

} // namespace lorvettest
