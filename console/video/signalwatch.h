// Whether a camera's picture is coming: frames are noted as they arrive (any
// thread); one checking thread asks now and then whether the picture has been
// lost (no frame for kLossAfter, so that checks a few tens of milliseconds
// apart show a loss within 1.5 s) or is back. Before its first frame a camera
// cannot lose its picture.
#pragma once

#include "recordingclock.h"

#include <atomic>
#include <chrono>
#include <cstdint>

class SignalWatch {
public:
    using Clock = RecordingClock;
    static constexpr std::chrono::milliseconds kLossAfter{1400};

    enum class Change { None, Lost, Back };

    // Any thread.
    void frameArrived(Clock::time_point at);

    // Checking thread. Lost once no frame has come for kLossAfter; Back at the
    // first check after a frame came again.
    Change check(Clock::time_point now);
    bool isLost() const { return m_bLost; }
    // While lost: the arrival of the last frame before the loss.
    Clock::time_point lostSince() const { return m_lostSince; }
    // After Back: from the last frame before the loss to the first after it.
    Clock::duration outage() const { return m_outage; }

private:
    static int64_t ticks(Clock::time_point at) { return at.time_since_epoch().count(); }
    static Clock::time_point at(int64_t ticks) { return Clock::time_point(Clock::duration(ticks)); }

    static constexpr int64_t kNever = INT64_MIN;
    std::atomic<int64_t> m_lastArrival{kNever};
    std::atomic<int64_t> m_firstAfterLoss{kNever};
    std::atomic<bool> m_bWaitingForFrame{false};
    // Checking thread only.
    bool m_bLost = false;
    Clock::time_point m_lostSince;
    Clock::duration m_outage{};
};
