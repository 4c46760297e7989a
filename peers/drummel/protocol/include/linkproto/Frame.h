#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "linkproto/Protocol.h"

namespace linkproto {

struct Frame {
    MsgType type = MsgType::Heartbeat;
    uint16_t seq = 0;
    uint16_t size = 0;
    std::array<uint8_t, kMaxAnyPayload> payload{}; // size bytes used
};

using FrameBuffer = std::array<uint8_t, kMaxFrameSize>;

// Writes one complete frame into out and returns its length. The payload
// size must be the one the message table gives for the type.
size_t encodeFrame(MsgType type, uint16_t seq, const uint8_t* payload, size_t size,
                   FrameBuffer& out);

// Writes a frame of any version and type, with a payload of at most
// kMaxAnyPayload bytes, into out (kHeaderSize + size + kCrcSize bytes).
size_t writeFrame(uint8_t version, uint8_t type, uint16_t seq, const uint8_t* payload, size_t size,
                  uint8_t* out);

} // namespace linkproto
