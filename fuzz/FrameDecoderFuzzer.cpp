// libFuzzer target for the link frame decoder.
// Untimed: any input, fed whole and in pieces, gives the same frames.
// Timed: the input read as pieces with pauses between them; every frame
// that comes out lies intact in the input, in order, and no partial frame
// is kept past its time limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linkproto/Codec.h"
#include "linkproto/FrameDecoder.h"

namespace {

using linkproto::FrameDecoder;
using Clock = FrameDecoder::Clock;
using std::chrono::milliseconds;

constexpr size_t kMaxFrame =
    linkproto::kHeaderSize + linkproto::kMaxAnyPayload + linkproto::kCrcSize;
constexpr milliseconds kPauseUnit{15}; // pauses of 0 to 7 units, around the limit

void check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

std::vector<linkproto::Frame> drain(FrameDecoder& decoder, Clock::time_point now)
{
    std::vector<linkproto::Frame> frames;
    linkproto::Frame frame;
    while (decoder.pop(frame, now)) {
        const linkproto::MessageInfo* info =
            linkproto::findMessage(static_cast<uint8_t>(frame.type));
        check(frame.size <= linkproto::kMaxAnyPayload);
        check(info == nullptr || info->payloadSize == frame.size);
        if (info != nullptr && linkproto::isCommand(frame.type)) {
            linkproto::formatCommand(*info, frame.payload.data());
        }
        frames.push_back(frame);
    }
    return frames;
}

bool sameFrames(const std::vector<linkproto::Frame>& a, const std::vector<linkproto::Frame>& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type || a[i].seq != b[i].seq || a[i].size != b[i].size ||
            !std::equal(a[i].payload.begin(), a[i].payload.begin() + a[i].size,
                        b[i].payload.begin())) {
            return false;
        }
    }
    return true;
}

// The bytes a frame of this version has on the wire.
std::vector<uint8_t> wireBytes(const linkproto::Frame& frame)
{
    std::vector<uint8_t> bytes(linkproto::kHeaderSize + frame.size + linkproto::kCrcSize);
    linkproto::writeFrame(linkproto::kVersion, static_cast<uint8_t>(frame.type), frame.seq,
                          frame.payload.data(), frame.size, bytes.data());
    return bytes;
}

void untimed(const uint8_t* data, size_t size)
{
    const Clock::time_point now{};
    FrameDecoder whole;
    whole.push(data, size, now);
    const auto expected = drain(whole, now);

    // The first byte picks the piece sizes of the second pass.
    const size_t step = size > 0 ? (data[0] % 17) + 1 : 1;
    FrameDecoder pieces;
    std::vector<linkproto::Frame> got;
    for (size_t at = 0; at < size; at += step) {
        pieces.push(data + at, std::min(step, size - at), now);
        const auto more = drain(pieces, now);
        got.insert(got.end(), more.begin(), more.end());
    }
    check(sameFrames(expected, got));
    check(whole.errorCount() == pieces.errorCount());
    check(whole.foreignCount() == pieces.foreignCount());
}

// Each piece is a control byte c, then (c % 32) + 1 bytes of input after a
// pause of (c / 32) units.
void timed(const uint8_t* data, size_t size)
{
    FrameDecoder decoder;
    std::vector<uint8_t> stream;
    size_t matched = 0; // where the next frame may start in stream
    Clock::time_point now{};
    const auto take = [&](const std::vector<linkproto::Frame>& frames) {
        for (const auto& frame : frames) {
            const auto bytes = wireBytes(frame);
            const auto at = std::search(stream.begin() + static_cast<std::ptrdiff_t>(matched),
                                        stream.end(), bytes.begin(), bytes.end());
            check(at != stream.end());
            matched = static_cast<size_t>(at - stream.begin()) + bytes.size();
        }
        // Nothing waits past its limit, nor longer than one frame.
        const Clock::time_point deadline = decoder.partialDeadline();
        check(deadline == Clock::time_point::max() ||
              (deadline > now && deadline <= now + FrameDecoder::kPartialFrameLimit));
        check(decoder.bufferedBytes() < kMaxFrame);
    };
    for (size_t at = 0; at < size;) {
        const uint8_t control = data[at++];
        const size_t length = std::min<size_t>((control % 32) + 1, size - at);
        now += kPauseUnit * (control / 32);
        decoder.push(data + at, length, now);
        stream.insert(stream.end(), data + at, data + at + length);
        at += length;
        take(drain(decoder, now));
    }
    now += FrameDecoder::kPartialFrameLimit;
    take(drain(decoder, now));
    check(decoder.bufferedBytes() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    untimed(data, size);
    timed(data, size);
    return 0;
}
