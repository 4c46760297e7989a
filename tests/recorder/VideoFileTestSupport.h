// Helpers for tests that write video files: a private temporary folder and
// the frame count OpenCV reads back from a file.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

// A fresh folder below the system's temporary folder, removed with its
// contents on destruction. Where it cannot be made, paths point into a
// folder that does not exist, so writes there fail.
class TempDir {
public:
    explicit TempDir(const std::string& prefix)
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        const char* made = mkdtemp(pattern.data());
        m_path = made != nullptr ? made : "/nonexistent-" + prefix + "-test-folder";
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder with a trailing '/'.
    std::string folder() const { return file(""); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path m_path;
};

// Frames OpenCV reads from the file, -1 when it cannot open it; the first
// frame is copied to *first when asked.
inline int FramesReadByOpenCv(const std::string& path, cv::Mat* first = nullptr)
{
    cv::VideoCapture capture(path);
    if (!capture.isOpened()) {
        return -1;
    }
    int count = 0;
    cv::Mat frame;
    while (capture.read(frame)) {
        if (count == 0 && first != nullptr) {
            frame.copyTo(*first);
        }
        ++count;
    }
    return count;
}
