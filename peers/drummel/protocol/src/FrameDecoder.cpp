#include "linkproto/FrameDecoder.h"

#include <algorithm>
#include <cstring>

#include "linkproto/Codec.h"
#include "linkproto/Crc16.h"

namespace linkproto {
namespace {

// Consumed bytes are dropped from the front once they make up this much.
constexpr size_t kCompactThreshold = 4096;

} // namespace

void FrameDecoder::push(const uint8_t* data, size_t size, Clock::time_point arrived)
{
    if (size == 0) {
        return;
    }
    dropConsumedArrivals();
    if (head_ == buffer_.size()) {
        dropped_ += buffer_.size();
        buffer_.clear();
        head_ = 0;
    } else if (head_ >= kCompactThreshold) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
        dropped_ += head_;
        head_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    arrivals_.push_back({dropped_ + buffer_.size(), arrived});
}

void FrameDecoder::discard(size_t count)
{
    head_ += count;
    if (!discarding_) {
        discarding_ = true;
        ++errors_;
    }
}

void FrameDecoder::dropConsumedArrivals()
{
    const uint64_t head = dropped_ + head_;
    while (!arrivals_.empty() && arrivals_.front().end <= head) {
        arrivals_.pop_front();
    }
}

FrameDecoder::Clock::time_point FrameDecoder::headArrival()
{
    dropConsumedArrivals();
    return arrivals_.front().at;
}

size_t FrameDecoder::candidateLength(const uint8_t* header)
{
    if (header[1] != kSync1) {
        return 0;
    }
    const uint16_t size = getU16(&header[6]);
    if (size > kMaxAnyPayload) {
        return 0;
    }
    if (header[2] == kVersion) {
        // A known type must have its own length; an unknown one may have any.
        const MessageInfo* info = findMessage(header[3]);
        if (info != nullptr && info->payloadSize != size) {
            return 0;
        }
    }
    return kHeaderSize + size + kCrcSize;
}

bool FrameDecoder::pop(Frame& frame, Clock::time_point now)
{
    partialDeadline_ = Clock::time_point::max();
    for (;;) {
        const uint8_t* begin = buffer_.data() + head_;
        const uint8_t* end = buffer_.data() + buffer_.size();
        const uint8_t* sync = std::find(begin, end, kSync0);
        if (sync != begin) {
            discard(static_cast<size_t>(sync - begin));
            begin = sync;
        }
        const auto available = static_cast<size_t>(end - begin);
        if (available == 0) {
            return false;
        }
        size_t total = kHeaderSize;
        if (available >= 2 && begin[1] != kSync1) {
            discard(1);
            continue;
        }
        if (available >= kHeaderSize) {
            total = candidateLength(begin);
            if (total == 0) {
                discard(1);
                continue;
            }
        }
        if (available < total) {
            // A frame that stops half way must not hold back the frames
            // behind it for long.
            const Clock::time_point deadline = headArrival() + kPartialFrameLimit;
            if (now < deadline) {
                partialDeadline_ = deadline;
                return false;
            }
            discard(1);
            continue;
        }
        const uint16_t size = getU16(&begin[6]);
        if (crc16(&begin[2], kHeaderSize - 2 + size) != getU16(&begin[kHeaderSize + size])) {
            discard(1);
            continue;
        }
        head_ += total;
        discarding_ = false;
        if (begin[2] != kVersion) {
            ++foreign_;
            foreignVersion_ = begin[2];
            continue;
        }
        frame.type = static_cast<MsgType>(begin[3]);
        frame.seq = getU16(&begin[4]);
        frame.size = size;
        std::memcpy(frame.payload.data(), &begin[kHeaderSize], size);
        return true;
    }
}

} // namespace linkproto
