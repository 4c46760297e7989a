#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "linkproto/Frame.h"

namespace linkproto {

// Incremental decoder: bytes go in as they arrive, intact frames come out.
// Frames of this version come out whatever their type (a receiver ignores
// types it does not know); intact frames of another version are skipped
// whole and counted. Anything else (a bad header, length or checksum, or a
// frame not complete within kPartialFrameLimit of its first byte) is
// skipped byte by byte until the next sync, so one bad frame never costs
// the good one behind it.
class FrameDecoder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPartialFrameLimit{100};

    // Bytes that arrived at the given time.
    void push(const uint8_t* data, size_t size, Clock::time_point arrived = Clock::now());
    // The next intact frame, or false when more input is needed. A partial
    // frame older than the limit at now is abandoned.
    bool pop(Frame& frame, Clock::time_point now = Clock::now());
    // When the partial frame waiting for its rest is abandoned;
    // Clock::time_point::max() when none is waiting.
    Clock::time_point partialDeadline() const { return partialDeadline_; }

    // Stretches of rejected input, counted once per stretch between two
    // intact frames.
    uint64_t errorCount() const { return errors_; }
    // Intact frames of another protocol version, and the last one's version.
    uint64_t foreignCount() const { return foreign_; }
    uint8_t foreignVersion() const { return foreignVersion_; }
    size_t bufferedBytes() const { return buffer_.size() - head_; }

private:
    // The bytes of one push, by their end in the whole input.
    struct Arrival {
        uint64_t end;
        Clock::time_point at;
    };

    void discard(size_t count);
    // 0 when the bytes at begin cannot start a frame, else the frame's
    // whole length.
    static size_t candidateLength(const uint8_t* begin);
    // Forgets the arrivals of consumed bytes.
    void dropConsumedArrivals();
    // When the first unconsumed byte arrived.
    Clock::time_point headArrival();

    std::vector<uint8_t> buffer_;
    size_t head_ = 0;
    uint64_t dropped_ = 0; // bytes erased from the front of buffer_
    std::deque<Arrival> arrivals_;
    bool discarding_ = false;
    uint64_t errors_ = 0;
    uint64_t foreign_ = 0;
    uint8_t foreignVersion_ = 0;
    Clock::time_point partialDeadline_ = Clock::time_point::max();
};

} // namespace linkproto
