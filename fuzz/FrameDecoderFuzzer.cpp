// libFuzzer target for the link frame decoder: any input, fed whole and
// in pieces, must give the same intact frames, each well-formed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linkproto/Codec.h"
#include "linkproto/Crc16.h"
#include "linkproto/FrameDecoder.h"

namespace {

void check(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

std::vector<linkproto::Frame> drain(linkproto::FrameDecoder& decoder)
{
    std::vector<linkproto::Frame> frames;
    linkproto::Frame frame;
    while (decoder.pop(frame)) {
        const linkproto::MessageInfo* info =
            linkproto::findMessage(static_cast<uint8_t>(frame.type));
        check(info != nullptr && info->payloadSize == frame.size);
        if (linkproto::isCommand(frame.type)) {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    linkproto::FrameDecoder whole;
    whole.push(data, size);
    const auto expected = drain(whole);

    // The first byte picks the piece sizes of the second pass.
    const size_t step = size > 0 ? (data[0] % 17) + 1 : 1;
    linkproto::FrameDecoder pieces;
    std::vector<linkproto::Frame> got;
    for (size_t at = 0; at < size; at += step) {
        pieces.push(data + at, std::min(step, size - at));
        const auto more = drain(pieces);
        got.insert(got.end(), more.begin(), more.end());
    }
    check(sameFrames(expected, got));
    check(whole.errorCount() == pieces.errorCount());
    return 0;
}
