#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "linkproto/Frame.h"

namespace linkproto {

// Incremental decoder: bytes go in as they arrive, intact frames come out.
// Anything that is not an intact frame of a known type with the right
// payload size and checksum is skipped byte by byte until the next sync,
// so one bad frame never costs the good one behind it.
class FrameDecoder {
public:
    void push(const uint8_t* data, size_t size);
    // The next intact frame, or false when more input is needed.
    bool pop(Frame& frame);

    // Stretches of rejected input, counted once per stretch between two
    // intact frames.
    uint64_t errorCount() const { return errors_; }
    size_t bufferedBytes() const { return buffer_.size() - head_; }

private:
    void discard(size_t count);
    bool headerAcceptable(const uint8_t* header) const;

    std::vector<uint8_t> buffer_;
    size_t head_ = 0;
    bool discarding_ = false;
    uint64_t errors_ = 0;
};

} // namespace linkproto
