// The worked examples of docs/link-protocol.md decode to what their captions
// say: the page and the code cannot drift apart.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "StatusFields.h"
#include "linkproto/Codec.h"
#include "linkproto/FrameDecoder.h"

namespace {

struct Example {
    std::string caption;
    std::vector<uint8_t> bytes;
};

// Every ```frame block: a caption line, then the frame in hexadecimal.
std::vector<Example> pageExamples()
{
    std::ifstream page(LINK_PROTOCOL_PAGE);
    std::vector<Example> examples;
    std::string line;
    Example* open = nullptr;
    while (std::getline(page, line)) {
        if (line == "```frame") {
            examples.emplace_back();
            open = &examples.back();
        } else if (open != nullptr && line == "```") {
            open = nullptr;
        } else if (open != nullptr && open->caption.empty()) {
            open->caption = line;
        } else if (open != nullptr) {
            std::istringstream hex(line);
            unsigned byte = 0;
            while (hex >> std::hex >> byte) {
                open->bytes.push_back(static_cast<uint8_t>(byte));
            }
        }
    }
    return examples;
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> all;
    for (std::string word; in >> word;) {
        all.push_back(word);
    }
    return all;
}

// "Status Field=value ...": the named fields set, all others zero.
LinkStatusRecord statusFromCaption(const std::string& caption)
{
    LinkStatusRecord record{};
    const auto fields = words(caption);
    for (size_t i = 1; i < fields.size(); ++i) {
        const size_t equals = fields[i].find('=');
        const crawlersim::StatusField* field =
            crawlersim::findStatusField(fields[i].substr(0, equals));
        EXPECT_NE(field, nullptr) << fields[i];
        if (field != nullptr) {
            crawlersim::writeStatusField(record, *field, std::stod(fields[i].substr(equals + 1)));
        }
    }
    return record;
}

// The control echo's fields in record order, as the page's caption gives them.
std::string controlCaption(const LinkControlRecord& r)
{
    std::ostringstream text;
    text << "ControlEcho";
    for (int value : {int{r.Key_Safe_Status}, int{r.Car_Direct_Status}, int{r.Car_PWM_Value[0]},
                      int{r.Car_PWM_Value[1]}, int{r.Arm_PWM_Value}, int{r.Back_LED_Status},
                      int{r.Pho_PWM_Value[0]}, int{r.Pho_PWM_Value[1]}, int{r.Pho_BorS_Status},
                      int{r.Pho_ForN_Status}, int{r.Lamp_PWM_Value}, int{r.PhoDisHum_Status},
                      int{r.AutoWir_Status}, int{r.DisMearsure_Status}}) {
        text << ' ' << value;
    }
    return text.str();
}

} // namespace

TEST(LinkProtocolPage, EveryExampleFrameDecodesToItsCaption)
{
    const auto examples = pageExamples();
    ASSERT_GE(examples.size(), 10u);
    bool keySafeSeen = false;
    for (const Example& example : examples) {
        SCOPED_TRACE(example.caption);
        linkproto::FrameDecoder decoder;
        decoder.push(example.bytes.data(), example.bytes.size());
        std::vector<linkproto::Frame> frames;
        for (linkproto::Frame frame; decoder.pop(frame);) {
            frames.push_back(frame);
        }
        EXPECT_EQ(decoder.errorCount(), 0u);
        EXPECT_EQ(decoder.bufferedBytes(), 0u);
        const auto caption = words(example.caption);
        ASSERT_FALSE(caption.empty());

        if (caption[0] == "version") {
            EXPECT_TRUE(frames.empty());
            EXPECT_EQ(decoder.foreignCount(), 1u);
            EXPECT_EQ(decoder.foreignVersion(), std::stoi(caption.at(1)));
            continue;
        }
        ASSERT_EQ(frames.size(), 1u);
        const linkproto::Frame& frame = frames.front();
        if (caption[0] == "type") {
            EXPECT_EQ(static_cast<int>(frame.type), std::stoi(caption.at(1), nullptr, 16));
            EXPECT_EQ(linkproto::findMessage(static_cast<uint8_t>(frame.type)), nullptr);
            continue;
        }
        const linkproto::MessageInfo* info = linkproto::findMessage(caption[0]);
        ASSERT_NE(info, nullptr);
        ASSERT_EQ(frame.type, info->type);
        if (info->type == linkproto::MsgType::Status) {
            const LinkStatusRecord expected = statusFromCaption(example.caption);
            const auto got = linkproto::decodeRecord<LinkStatusRecord>(frame);
            EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0);
        } else if (info->type == linkproto::MsgType::ControlEcho) {
            EXPECT_EQ(controlCaption(linkproto::decodeRecord<LinkControlRecord>(frame)),
                      example.caption);
        } else {
            EXPECT_EQ(linkproto::formatCommand(*info, frame.payload.data()), example.caption);
        }
        keySafeSeen = keySafeSeen ||
                      (example.caption == "SetKeySafe 255" &&
                       example.bytes == std::vector<uint8_t>{0xA5, 0x5A, 0x01, 0x11, 0x00, 0x00,
                                                             0x01, 0x00, 0xFF, 0x4B, 0x3F});
    }
    EXPECT_TRUE(keySafeSeen);
}
