// Frames and cues for the recorder's tests: pictures with real motion at a
// steady rate, written as the console writes them.
#pragma once

#include "Mp4Recorder.h"

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

namespace mp4test {

namespace fs = std::filesystem;

inline const int kXvid = cv::VideoWriter::fourcc('X', 'V', 'I', 'D');
inline const int kMp4v = cv::VideoWriter::fourcc('m', 'p', '4', 'v');
inline const cv::Size kSize(320, 240);
constexpr double kFps = 25.0;
constexpr int kChildWaitMs = 120000;

// A picture that differs from frame to frame: a colour gradient with a
// moving block, so the encoder has real motion to code.
inline cv::Mat makeFrame(cv::Size size, int index)
{
    cv::Mat frame(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        auto* row = frame.ptr<cv::Vec3b>(y);
        for (int x = 0; x < size.width; ++x) {
            row[x] = cv::Vec3b(static_cast<uchar>(x * 255 / size.width),
                               static_cast<uchar>(y * 255 / size.height), 60);
        }
    }
    const int side = size.height / 4;
    const int left = (index * 7) % std::max(1, size.width - side);
    frame(cv::Rect(left, side, side, side)).setTo(cv::Scalar(0, 0, 255));
    return frame;
}

inline std::chrono::microseconds frameTime(int index, double fps = kFps)
{
    return std::chrono::microseconds(std::llround(index * 1e6 / fps));
}

// Frames first to first + count - 1, taken at the given rate.
inline bool recordFrames(Mp4Recorder& recorder, int first, int count, cv::Size size = kSize,
                         double fps = kFps)
{
    for (int i = first; i < first + count; ++i) {
        if (!recorder.write(makeFrame(size, i), frameTime(i, fps))) {
            return false;
        }
    }
    return true;
}

inline Mp4Recorder::Options withSubtitles()
{
    Mp4Recorder::Options options;
    options.subtitles = true;
    return options;
}

inline std::string cueText(int second)
{
    return std::to_string(second) + ".00 M  横滚 -0.08°";
}

// As recordFrames, with each second's cue once the frames have passed it.
inline bool recordWithCues(Mp4Recorder& recorder, int first, int count)
{
    const int perSecond = static_cast<int>(kFps);
    for (int i = first; i < first + count; ++i) {
        const int second = i / perSecond;
        if (i > 0 && i % perSecond == 0 &&
            !recorder.writeSubtitle(cueText(second - 1), std::chrono::seconds(second - 1),
                                    std::chrono::seconds(second))) {
            return false;
        }
        if (!recorder.write(makeFrame(kSize, i), frameTime(i))) {
            return false;
        }
    }
    return true;
}

} // namespace mp4test
