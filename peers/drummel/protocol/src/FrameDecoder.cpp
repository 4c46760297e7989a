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

void FrameDecoder::push(const uint8_t* data, size_t size)
{
    if (head_ == buffer_.size()) {
        buffer_.clear();
        head_ = 0;
    } else if (head_ >= kCompactThreshold) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

void FrameDecoder::discard(size_t count)
{
    head_ += count;
    if (!discarding_) {
        discarding_ = true;
        ++errors_;
    }
}

bool FrameDecoder::headerAcceptable(const uint8_t* header) const
{
    if (header[1] != kSync1 || header[2] != kVersion) {
        return false;
    }
    const MessageInfo* info = findMessage(header[3]);
    return info != nullptr && getU16(&header[6]) == info->payloadSize;
}

bool FrameDecoder::pop(Frame& frame)
{
    for (;;) {
        const uint8_t* begin = buffer_.data() + head_;
        const uint8_t* end = buffer_.data() + buffer_.size();
        const uint8_t* sync = std::find(begin, end, kSync0);
        if (sync != begin) {
            discard(static_cast<size_t>(sync - begin));
            begin = sync;
        }
        const auto available = static_cast<size_t>(end - begin);
        if (available < 2) {
            return false;
        }
        if (available < kHeaderSize) {
            if (begin[1] != kSync1) {
                discard(1);
                continue;
            }
            return false;
        }
        if (!headerAcceptable(begin)) {
            discard(1);
            continue;
        }
        const uint16_t size = getU16(&begin[6]);
        const size_t total = kHeaderSize + size + kCrcSize;
        if (available < total) {
            return false;
        }
        const uint16_t expected = getU16(&begin[kHeaderSize + size]);
        if (crc16(&begin[2], kHeaderSize - 2 + size) != expected) {
            discard(1);
            continue;
        }
        frame.type = static_cast<MsgType>(begin[3]);
        frame.seq = getU16(&begin[4]);
        frame.size = size;
        std::memcpy(frame.payload.data(), &begin[kHeaderSize], size);
        head_ += total;
        discarding_ = false;
        return true;
    }
}

} // namespace linkproto
