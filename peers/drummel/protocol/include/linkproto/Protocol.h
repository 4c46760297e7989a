// Wire protocol between the console's link library and the crawler:
// framing constants and the message table both ends share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace linkproto {

constexpr uint8_t kSync0 = 0xA5;
constexpr uint8_t kSync1 = 0x5A;
constexpr uint8_t kVersion = 1;

// sync0 sync1 version type seq(u16) length(u16)
constexpr size_t kHeaderSize = 8;
constexpr size_t kCrcSize = 2;
// The longest payload of this version (the status record).
constexpr size_t kMaxPayload = 108;
constexpr size_t kMaxFrameSize = kHeaderSize + kMaxPayload + kCrcSize;
// The longest payload any version may carry. Receivers skip frames of
// unknown types and of other versions by their length, and wait for no
// frame longer than this.
constexpr size_t kMaxAnyPayload = 256;

enum class MsgType : uint8_t {
    Heartbeat = 0x01,
    Status = 0x02,
    ControlEcho = 0x03,
    ResetControl = 0x10,
    SetKeySafe = 0x11,
    SetCarDirect = 0x12,
    SetCarPwm0 = 0x13,
    SetCarPwm1 = 0x14,
    SetCarPwm = 0x15,
    SetArmPwm = 0x16,
    SetBackLed = 0x17,
    SetPhoPwm1 = 0x18,
    SetPhoPwm0 = 0x19,
    SetPhoCenter = 0x1A,
    SetPhoBorS = 0x1B,
    SetPhoForN = 0x1C,
    SetPhoReset = 0x1D,
    SetLampPwm = 0x1E,
    SetPhoDisHum = 0x1F,
    SetAutoWir = 0x20,
    SetDisMeasure = 0x21,
};

// How a message's payload is laid out.
enum class ValueKind : uint8_t {
    None,    // no payload
    U8,      // one byte
    U16,     // one little-endian u16
    U16Pair, // two little-endian u16
    I32,     // one little-endian i32
    Record,  // a whole status or control record
};

struct MessageInfo {
    MsgType type;
    const char* name; // the operation name for commands
    ValueKind kind;
    uint16_t payloadSize;
};

// nullptr for a type this version does not know.
const MessageInfo* findMessage(uint8_t type);
const MessageInfo* findMessage(std::string_view name);

// Every known message, commands last.
const MessageInfo* messagesBegin();
const MessageInfo* messagesEnd();

inline bool isCommand(MsgType type)
{
    return static_cast<uint8_t>(type) >= static_cast<uint8_t>(MsgType::ResetControl);
}

} // namespace linkproto
