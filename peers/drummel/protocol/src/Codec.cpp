#include "linkproto/Codec.h"

namespace linkproto {

size_t encodeValues(const MessageInfo& info, CommandValues values, uint8_t* out)
{
    switch (info.kind) {
    case ValueKind::U8:
        out[0] = static_cast<uint8_t>(values.first);
        break;
    case ValueKind::U16:
        putU16(out, static_cast<uint16_t>(values.first));
        break;
    case ValueKind::U16Pair:
        putU16(out, static_cast<uint16_t>(values.first));
        putU16(out + 2, static_cast<uint16_t>(values.second));
        break;
    case ValueKind::I32:
        putI32(out, static_cast<int32_t>(values.first));
        break;
    case ValueKind::None:
    case ValueKind::Record:
        return 0;
    }
    return info.payloadSize;
}

CommandValues decodeValues(const MessageInfo& info, const uint8_t* payload)
{
    CommandValues values;
    switch (info.kind) {
    case ValueKind::U8:
        values.first = payload[0];
        break;
    case ValueKind::U16:
        values.first = getU16(payload);
        break;
    case ValueKind::U16Pair:
        values.first = getU16(payload);
        values.second = getU16(payload + 2);
        break;
    case ValueKind::I32:
        values.first = getI32(payload);
        break;
    case ValueKind::None:
    case ValueKind::Record:
        break;
    }
    return values;
}

std::string formatCommand(const MessageInfo& info, const uint8_t* payload)
{
    std::string text = info.name;
    if (info.kind == ValueKind::None || info.kind == ValueKind::Record) {
        return text;
    }
    const CommandValues values = decodeValues(info, payload);
    text += ' ' + std::to_string(values.first);
    if (info.kind == ValueKind::U16Pair) {
        text += ' ' + std::to_string(values.second);
    }
    return text;
}

size_t encodeCommand(MsgType type, CommandValues values, uint16_t seq, FrameBuffer& out)
{
    const MessageInfo* info = findMessage(static_cast<uint8_t>(type));
    uint8_t payload[kMaxPayload];
    const size_t size = encodeValues(*info, values, payload);
    return encodeFrame(type, seq, payload, size, out);
}

} // namespace linkproto
