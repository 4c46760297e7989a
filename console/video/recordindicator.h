// The on-screen recording mark: a dot that turns from green to red and back
// once a second, and "REC hh:mm:ss" counting from the recording start. Seen
// on screen only: never in the frames kept for the file and snapshots.
#pragma once

#include "overlaycanvas.h"

#include <opencv2/core.hpp>

#include <chrono>
#include <mutex>
#include <string>

class Overlay;

class RecordIndicator {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kRightOffset = 140;
    static constexpr int kDotRadius = 10;
    static constexpr int kDotOffset = 20;
    static constexpr int kTextSize = 20;

    // GUI thread, when a recording starts. Colour and flag carry over from the
    // previous recording.
    void start(Clock::time_point now);
    // Camera thread.
    void draw(const OverlayCanvas& frame, Clock::time_point now, const Overlay& overlay);

    // How many rows at the top of a picture of this size draw() may touch.
    static int rowsCovered(cv::Size frame);

    bool isRed() const;
    cv::Scalar color() const;
    // "REC " + clockText(elapsed).
    static std::string text(Clock::duration elapsed);
    // A duration as a time of day, "hh:mm:ss", wrapping after 24 hours.
    static std::string clockText(Clock::duration elapsed);

private:
    mutable std::mutex m_mutex;
    cv::Scalar m_color{0, 255, 0, 0};
    bool m_bRecordColor = false;
    Clock::time_point m_lastColorChange;
    Clock::time_point m_startTime;
};
