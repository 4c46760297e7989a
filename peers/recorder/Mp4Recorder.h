#pragma once

#include <opencv2/core.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Writes BGR frames as MPEG-4 Part 2 or H.264 into a fragmented MP4, one
// fragment per second of the recording, so a file cut at any moment (crash,
// full disk) still plays up to its last fragment; each fragment is forced to
// the disk as it is written, so a power loss costs about two seconds at most.
// Each frame is stamped with the time it was taken on the recording's clock,
// so the file plays in real time whatever rate the frames came at; the rate
// given to open is the file's nominal rate. Key frames are at most a second
// apart. With subtitles, video waits in memory until a cue covers its time,
// so a fragment carries the cues of its second and the subtitles end with
// the video.
class Mp4Recorder {
public:
    struct Options {
        // Format tags (UTF-8 key and value) in the file's initial header.
        std::vector<std::pair<std::string, std::string>> tags;
        // A mov_text subtitle track, filled by writeSubtitle.
        bool subtitles = false;
        // fdatasync after every fragment; off only to measure what it costs.
        bool syncFragments = true;
    };
    // Time spent forcing fragments to the disk.
    struct SyncFigures {
        uint64_t count = 0;
        std::chrono::microseconds total{0};
        std::chrono::microseconds longest{0};
    };

    Mp4Recorder();
    ~Mp4Recorder();
    Mp4Recorder(const Mp4Recorder&) = delete;
    Mp4Recorder& operator=(const Mp4Recorder&) = delete;

    // fourcc as cv::VideoWriter::fourcc(...): x,v,i,d and m,p,4,v give MPEG-4
    // Part 2 stored as 'mp4v', its header marked with the lowest profile and
    // level that admit the size and nominal rate, frames beyond every level
    // scaled down as a whole to the largest size one admits; a,v,c,1 and
    // h,2,6,4 give H.264 High profile (libx264, CRF 23; VideoCodec.h). False
    // with lastError() when fps < 1, the size is empty, the code is not one of
    // those, or the file cannot be created; a file created but refused its
    // header (full disk) is removed again. frameSize is the size of the frames
    // write takes; storedSize() tells the size of the video in the file.
    bool open(const std::string& path, int fourcc, double fps, cv::Size frameSize,
              const Options& options);
    bool open(const std::string& path, int fourcc, double fps, cv::Size frameSize);
    bool isOpened() const;
    // The size of the video in the open file (empty when none is open).
    cv::Size storedSize() const;
    // 8-bit BGR of the opened size, or the same picture as YV12 (one 8-bit
    // channel, height * 3 / 2 rows, as isYv12 says), taken at `at` on the
    // recording's clock (a time not after the previous frame's is moved just
    // past it; the first frame is shown from the file's start). A frame of
    // another type or size is refused and the recording goes on; a write error
    // (e.g. disk full) finishes the file and closes the recorder.
    bool write(const cv::Mat& frame, std::chrono::microseconds at);
    // Whether frame is a YV12 picture of size (rather than a BGR frame).
    static bool isYv12(const cv::Mat& frame, cv::Size size);
    // One UTF-8 cue shown from `from` until `to` on the recording's clock;
    // cues go in order and a cue starting before the previous one's end starts
    // there. Cues should follow the video without gaps, the last one ending
    // where release ends the file. A write error closes the recorder as write
    // does.
    bool writeSubtitle(const std::string& text, std::chrono::microseconds from,
                       std::chrono::microseconds to);
    // Finishes the file, its last frame shown until `end` on the recording's
    // clock (for one nominal frame when `end` is not later); safe to call twice.
    // False with lastError() when the file could not be finished whole.
    bool release(std::chrono::microseconds end);
    // Finishes the file, its last frame shown for one nominal frame.
    void release();
    // Short reasons, without the path.
    const std::string& lastError() const;
    // Of the open file, or of the last one after release.
    SyncFigures syncFigures() const;

private:
    struct Output;
    bool fail(const std::string& error);

    std::unique_ptr<Output> m_output;
    std::string m_lastError;
    SyncFigures m_lastSync;
};
