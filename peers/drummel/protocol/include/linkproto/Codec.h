// Little-endian payload values and records.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "LinkRecords.h"
#include "linkproto/Frame.h"

namespace linkproto {

// The records travel in host layout; this code only builds on
// little-endian hosts, where that layout is the wire layout.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host required");

inline void putU16(uint8_t* out, uint16_t value)
{
    out[0] = static_cast<uint8_t>(value & 0xFF);
    out[1] = static_cast<uint8_t>(value >> 8);
}

inline uint16_t getU16(const uint8_t* in)
{
    return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

inline void putI32(uint8_t* out, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

inline int32_t getI32(const uint8_t* in)
{
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        bits |= static_cast<uint32_t>(in[i]) << (8 * i);
    }
    return static_cast<int32_t>(bits);
}

// The values of one command message; second is used by value pairs only.
struct CommandValues {
    int64_t first = 0;
    int64_t second = 0;
};

// Writes the command's values as its payload; returns the payload size.
size_t encodeValues(const MessageInfo& info, CommandValues values, uint8_t* out);
CommandValues decodeValues(const MessageInfo& info, const uint8_t* payload);

// "SetCarPwm 1193 1193": the operation name and its decimal values.
std::string formatCommand(const MessageInfo& info, const uint8_t* payload);

// Builds a whole command frame.
size_t encodeCommand(MsgType type, CommandValues values, uint16_t seq, FrameBuffer& out);

template <typename Record>
size_t encodeRecord(MsgType type, const Record& record, uint16_t seq, FrameBuffer& out)
{
    return encodeFrame(type, seq, reinterpret_cast<const uint8_t*>(&record), sizeof(Record), out);
}

template <typename Record> Record decodeRecord(const Frame& frame)
{
    Record record{};
    std::memcpy(&record, frame.payload.data(), sizeof(Record));
    return record;
}

} // namespace linkproto
