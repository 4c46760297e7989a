#include <gtest/gtest.h>

#include <set>
#include <string>

#include "linkproto/Codec.h"
#include "linkproto/Crc16.h"
#include "linkproto/FrameDecoder.h"

using linkproto::MessageInfo;
using linkproto::MsgType;
using linkproto::ValueKind;

TEST(Crc16, MatchesTheCcittFalseCheckValue)
{
    const std::string text = "123456789";
    EXPECT_EQ(linkproto::crc16(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0x29B1);
    EXPECT_EQ(linkproto::crc16(nullptr, 0), 0xFFFF);
}

TEST(MessageTable, NamesTypesAndSizesAreConsistent)
{
    std::set<uint8_t> types;
    std::set<std::string> names;
    for (const MessageInfo* info = linkproto::messagesBegin(); info != linkproto::messagesEnd();
         ++info) {
        EXPECT_TRUE(types.insert(static_cast<uint8_t>(info->type)).second) << info->name;
        EXPECT_TRUE(names.insert(info->name).second) << info->name;
        EXPECT_EQ(linkproto::findMessage(static_cast<uint8_t>(info->type)), info);
        EXPECT_EQ(linkproto::findMessage(info->name), info);
        EXPECT_LE(info->payloadSize, linkproto::kMaxPayload);
    }
    // Heartbeat, two records and one message per command operation.
    EXPECT_EQ(types.size(), 3u + 18u);
    EXPECT_EQ(linkproto::findMessage("SetCarPwm")->payloadSize, 4);
    EXPECT_EQ(linkproto::findMessage("SetPhoCenter")->payloadSize, 4);
    EXPECT_EQ(linkproto::findMessage("SetKeySafe")->payloadSize, 1);
    EXPECT_EQ(linkproto::findMessage("SetLampPwm")->payloadSize, 2);
    EXPECT_EQ(linkproto::findMessage("Status")->payloadSize, sizeof(LinkStatusRecord));
    EXPECT_EQ(linkproto::findMessage("ControlEcho")->payloadSize, sizeof(LinkControlRecord));
    EXPECT_EQ(linkproto::findMessage(uint8_t{0x7F}), nullptr);
    EXPECT_EQ(linkproto::findMessage("SetNothing"), nullptr);
}

TEST(CommandCodec, EveryCommandKeepsItsValuesAtFullWidth)
{
    for (const MessageInfo* info = linkproto::messagesBegin(); info != linkproto::messagesEnd();
         ++info) {
        if (!linkproto::isCommand(info->type)) {
            continue;
        }
        linkproto::CommandValues values;
        switch (info->kind) {
        case ValueKind::U8:
            values = {255, 0};
            break;
        case ValueKind::U16:
            values = {65535, 0};
            break;
        case ValueKind::U16Pair:
            values = {1193, 65535};
            break;
        case ValueKind::I32:
            values = {-2147483647 - 1, 0};
            break;
        default:
            break;
        }
        linkproto::FrameBuffer buffer;
        const size_t size = linkproto::encodeCommand(info->type, values, 9, buffer);
        linkproto::FrameDecoder decoder;
        decoder.push(buffer.data(), size);
        linkproto::Frame frame;
        ASSERT_TRUE(decoder.pop(frame)) << info->name;
        EXPECT_EQ(frame.type, info->type);
        EXPECT_EQ(frame.size, info->payloadSize);
        const auto decoded = linkproto::decodeValues(*info, frame.payload.data());
        EXPECT_EQ(decoded.first, values.first) << info->name;
        EXPECT_EQ(decoded.second, values.second) << info->name;
    }
}

TEST(CommandCodec, FormatsOperationNameAndDecimalValues)
{
    uint8_t payload[4];
    const MessageInfo& pair = *linkproto::findMessage("SetCarPwm");
    linkproto::encodeValues(pair, {1193, 1807}, payload);
    EXPECT_EQ(linkproto::formatCommand(pair, payload), "SetCarPwm 1193 1807");
    const MessageInfo& center = *linkproto::findMessage("SetPhoCenter");
    linkproto::encodeValues(center, {-3, 0}, payload);
    EXPECT_EQ(linkproto::formatCommand(center, payload), "SetPhoCenter -3");
    EXPECT_EQ(linkproto::formatCommand(*linkproto::findMessage("ResetControl"), payload),
              "ResetControl");
    // Little-endian on the wire.
    linkproto::encodeValues(*linkproto::findMessage("SetLampPwm"), {0x1234, 0}, payload);
    EXPECT_EQ(payload[0], 0x34);
    EXPECT_EQ(payload[1], 0x12);
}
