#pragma once

#include <opencv2/core.hpp>

#include <chrono>
#include <memory>
#include <string>

// Writes BGR frames as MPEG-4 Part 2 into a fragmented MP4, so a file cut at
// any moment (crash, power loss, full disk) still plays up to its last fragment.
// Each frame is stamped with the time it was taken on the recording's clock,
// so the file plays in real time whatever rate the frames came at; the rate
// given to open is the file's nominal rate. A key frame starts every second.
class Mp4Recorder {
public:
    Mp4Recorder();
    ~Mp4Recorder();
    Mp4Recorder(const Mp4Recorder&) = delete;
    Mp4Recorder& operator=(const Mp4Recorder&) = delete;

    // fourcc as cv::VideoWriter::fourcc(...): x,v,i,d and m,p,4,v both give
    // MPEG-4 Part 2 stored as 'mp4v'. False with lastError() when fps < 1, the
    // size is empty, the code is not one of those, or the file cannot be created;
    // a file created but refused its header (full disk) is removed again.
    bool open(const std::string& path, int fourcc, double fps, cv::Size frameSize);
    bool isOpened() const;
    // 8-bit BGR of the opened size, taken at `at` on the recording's clock (a
    // time not after the previous frame's is moved just past it; the first
    // frame is shown from the file's start). A frame of
    // another type or size is refused and the recording goes on; a write error
    // (e.g. disk full) finishes the file and closes the recorder.
    bool write(const cv::Mat& bgr, std::chrono::microseconds at);
    // Finishes the file, its last frame shown until `end` on the recording's
    // clock (for one nominal frame when `end` is not later); safe to call twice.
    void release(std::chrono::microseconds end);
    // Finishes the file, its last frame shown for one nominal frame.
    void release();
    const std::string& lastError() const;

private:
    struct Output;
    std::unique_ptr<Output> m_output;
    std::string m_lastError;
};
