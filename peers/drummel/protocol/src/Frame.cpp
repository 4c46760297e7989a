#include "linkproto/Frame.h"

#include <cassert>
#include <cstring>

#include "linkproto/Codec.h"
#include "linkproto/Crc16.h"

namespace linkproto {

size_t encodeFrame(MsgType type, uint16_t seq, const uint8_t* payload, size_t size,
                   FrameBuffer& out)
{
    assert(size <= kMaxPayload);
    return writeFrame(kVersion, static_cast<uint8_t>(type), seq, payload, size, out.data());
}

size_t writeFrame(uint8_t version, uint8_t type, uint16_t seq, const uint8_t* payload, size_t size,
                  uint8_t* out)
{
    assert(size <= kMaxAnyPayload);
    out[0] = kSync0;
    out[1] = kSync1;
    out[2] = version;
    out[3] = type;
    putU16(&out[4], seq);
    putU16(&out[6], static_cast<uint16_t>(size));
    if (size > 0) {
        std::memcpy(&out[kHeaderSize], payload, size);
    }
    // The sync bytes stay out of the checksum so a resync never changes it.
    const uint16_t crc = crc16(&out[2], kHeaderSize - 2 + size);
    putU16(&out[kHeaderSize + size], crc);
    return kHeaderSize + size + kCrcSize;
}

} // namespace linkproto
