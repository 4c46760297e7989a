#include "linkproto/Protocol.h"

#include <iterator>

#include "LinkRecords.h"

namespace linkproto {
namespace {

constexpr MessageInfo kMessages[] = {
    {MsgType::Heartbeat, "Heartbeat", ValueKind::None, 0},
    {MsgType::Status, "Status", ValueKind::Record, sizeof(LinkStatusRecord)},
    {MsgType::ControlEcho, "ControlEcho", ValueKind::Record, sizeof(LinkControlRecord)},
    {MsgType::ResetControl, "ResetControl", ValueKind::None, 0},
    {MsgType::SetKeySafe, "SetKeySafe", ValueKind::U8, 1},
    {MsgType::SetCarDirect, "SetCarDirect", ValueKind::U8, 1},
    {MsgType::SetCarPwm0, "SetCarPwm0", ValueKind::U16, 2},
    {MsgType::SetCarPwm1, "SetCarPwm1", ValueKind::U16, 2},
    {MsgType::SetCarPwm, "SetCarPwm", ValueKind::U16Pair, 4},
    {MsgType::SetArmPwm, "SetArmPwm", ValueKind::U16, 2},
    {MsgType::SetBackLed, "SetBackLed", ValueKind::U8, 1},
    {MsgType::SetPhoPwm1, "SetPhoPwm1", ValueKind::U16, 2},
    {MsgType::SetPhoPwm0, "SetPhoPwm0", ValueKind::U16, 2},
    {MsgType::SetPhoCenter, "SetPhoCenter", ValueKind::I32, 4},
    {MsgType::SetPhoBorS, "SetPhoBorS", ValueKind::U8, 1},
    {MsgType::SetPhoForN, "SetPhoForN", ValueKind::U8, 1},
    {MsgType::SetPhoReset, "SetPhoReset", ValueKind::U8, 1},
    {MsgType::SetLampPwm, "SetLampPwm", ValueKind::U16, 2},
    {MsgType::SetPhoDisHum, "SetPhoDisHum", ValueKind::U8, 1},
    {MsgType::SetAutoWir, "SetAutoWir", ValueKind::U8, 1},
    {MsgType::SetDisMeasure, "SetDisMeasure", ValueKind::U8, 1},
};

static_assert(sizeof(LinkStatusRecord) <= kMaxPayload);

} // namespace

const MessageInfo* findMessage(uint8_t type)
{
    for (const MessageInfo& info : kMessages) {
        if (static_cast<uint8_t>(info.type) == type) {
            return &info;
        }
    }
    return nullptr;
}

const MessageInfo* findMessage(std::string_view name)
{
    for (const MessageInfo& info : kMessages) {
        if (name == info.name) {
            return &info;
        }
    }
    return nullptr;
}

const MessageInfo* messagesBegin()
{
    return std::begin(kMessages);
}

const MessageInfo* messagesEnd()
{
    return std::end(kMessages);
}

} // namespace linkproto
