#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "FrameSocket.h"
#include "linkproto/Codec.h"
#include "linkproto/FrameDecoder.h"

using linkproto::Frame;
using linkproto::FrameDecoder;
using linkproto::MsgType;
using simtest::frameBytes;

namespace {

LinkStatusRecord sampleStatus(uint32_t wire)
{
    LinkStatusRecord record{};
    record.Cam_Pressure = -12345;
    record.Car_Pressure = 999;
    record.Angle_Roll = 3.5F;
    record.Angle_Pitch = -1.25F;
    record.PWM[1] = 1533;
    record.Wir_length = wire;
    record.NRF_Status = 255;
    return record;
}

std::vector<uint8_t> statusBytes(uint32_t wire, uint16_t seq = 0)
{
    const LinkStatusRecord record = sampleStatus(wire);
    return frameBytes(MsgType::Status, reinterpret_cast<const uint8_t*>(&record), sizeof(record),
                      seq);
}

void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

std::vector<uint32_t> decodeWires(FrameDecoder& decoder, const std::vector<uint8_t>& bytes)
{
    decoder.push(bytes.data(), bytes.size());
    std::vector<uint32_t> wires;
    Frame frame;
    while (decoder.pop(frame)) {
        EXPECT_EQ(frame.type, MsgType::Status);
        wires.push_back(linkproto::decodeRecord<LinkStatusRecord>(frame).Wir_length);
    }
    return wires;
}

} // namespace

TEST(FrameDecoder, DeliversEncodedStatusRecordFieldForField)
{
    FrameDecoder decoder;
    const auto bytes = statusBytes(250, 7);
    ASSERT_EQ(bytes.size(),
              linkproto::kHeaderSize + sizeof(LinkStatusRecord) + linkproto::kCrcSize);
    decoder.push(bytes.data(), bytes.size());
    Frame frame;
    ASSERT_TRUE(decoder.pop(frame));
    EXPECT_EQ(frame.seq, 7);
    const auto record = linkproto::decodeRecord<LinkStatusRecord>(frame);
    EXPECT_EQ(record.Cam_Pressure, -12345);
    EXPECT_EQ(record.Car_Pressure, 999);
    EXPECT_FLOAT_EQ(record.Angle_Roll, 3.5F);
    EXPECT_FLOAT_EQ(record.Angle_Pitch, -1.25F);
    EXPECT_EQ(record.PWM[1], 1533);
    EXPECT_EQ(record.Wir_length, 250u);
    EXPECT_EQ(record.NRF_Status, 255);
    EXPECT_FALSE(decoder.pop(frame));
    EXPECT_EQ(decoder.errorCount(), 0u);
}

TEST(FrameDecoder, ReassemblesFrameSplitIntoSingleBytesAndSplitsCoalescedFrames)
{
    FrameDecoder decoder;
    const auto bytes = statusBytes(1);
    std::vector<uint32_t> wires;
    for (uint8_t byte : bytes) {
        const auto got = decodeWires(decoder, {byte});
        wires.insert(wires.end(), got.begin(), got.end());
    }
    EXPECT_EQ(wires, std::vector<uint32_t>{1});

    std::vector<uint8_t> two = statusBytes(2);
    append(two, statusBytes(3));
    EXPECT_EQ(decodeWires(decoder, two), (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(decoder.errorCount(), 0u);
}

TEST(FrameDecoder, SkipsGarbageAndBadChecksumAndRecoversOnNextFrame)
{
    FrameDecoder decoder;
    std::vector<uint8_t> input = {0x00, 0xA5, 0x13, 0xA5, 0x5A, 0xFF};
    append(input, statusBytes(10));
    auto corrupt = statusBytes(11);
    corrupt[20] ^= 0x40; // one flipped bit in the payload
    append(input, corrupt);
    append(input, statusBytes(12));
    EXPECT_EQ(decodeWires(decoder, input), (std::vector<uint32_t>{10, 12}));
    // One stretch before the first frame, one for the corrupt frame.
    EXPECT_EQ(decoder.errorCount(), 2u);
}

TEST(FrameDecoder, RejectsImpossibleLengthAndWrongSizeWithoutWaiting)
{
    FrameDecoder decoder;
    // A length of 65535 must not make the decoder wait for 64 KiB.
    std::vector<uint8_t> input = {0xA5, 0x5A, linkproto::kVersion, 0x02, 0, 0, 0xFF, 0xFF};
    // Longer than any version may send, whatever the type or version.
    append(input, {0xA5, 0x5A, linkproto::kVersion + 1, 0x7F, 0, 0, 0x01, 0x01});
    // A known command type with the wrong payload size.
    append(input, {0xA5, 0x5A, linkproto::kVersion, 0x15, 0, 0, 1, 0, 0x11, 0, 0});
    append(input, statusBytes(6));
    EXPECT_EQ(decodeWires(decoder, input), std::vector<uint32_t>{6});
    EXPECT_EQ(decoder.bufferedBytes(), 0u);
    EXPECT_EQ(decoder.errorCount(), 1u);
}

// New message types and versions must not break old receivers: such
// frames are passed over whole, by their length, so nothing inside them is
// taken for a frame.
TEST(FrameDecoder, UnknownTypesComeOutWholeAndOtherVersionsAreSkippedWholeAndCounted)
{
    const auto carried = statusBytes(99);
    std::vector<uint8_t> payload(carried);
    payload.resize(linkproto::kMaxAnyPayload, 0x5A);
    constexpr auto kUnknown = static_cast<MsgType>(0x40);
    std::vector<uint8_t> input = frameBytes(kUnknown, payload.data(), 130, 3);
    append(input, statusBytes(1));
    append(input, frameBytes(MsgType::Status, payload.data(), payload.size(), 4, 2));
    append(input, frameBytes(MsgType::Heartbeat, nullptr, 0, 5, 7));
    append(input, statusBytes(2));

    FrameDecoder decoder;
    decoder.push(input.data(), input.size());
    Frame frame;
    ASSERT_TRUE(decoder.pop(frame));
    EXPECT_EQ(frame.type, kUnknown);
    EXPECT_EQ(frame.seq, 3);
    ASSERT_EQ(frame.size, 130);
    EXPECT_TRUE(std::equal(carried.begin(), carried.end(), frame.payload.begin()));
    EXPECT_EQ(decodeWires(decoder, {}), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(decoder.foreignCount(), 2u);
    EXPECT_EQ(decoder.foreignVersion(), 7);
    EXPECT_EQ(decoder.errorCount(), 0u);
}

// A frame whose rest never comes is given up 100 ms after its first byte,
// and what arrived behind it is decoded; a slow frame within the limit is kept.
TEST(FrameDecoder, PartialFrameIsAbandonedOnceItsTimeIsUp)
{
    using std::chrono::milliseconds;
    const FrameDecoder::Clock::time_point t0{};
    const auto cut = statusBytes(1);
    const auto heartbeat = frameBytes(MsgType::Heartbeat, nullptr, 0);
    FrameDecoder decoder;
    Frame frame;
    decoder.push(cut.data(), 30, t0);
    EXPECT_FALSE(decoder.pop(frame, t0));
    decoder.push(heartbeat.data(), heartbeat.size(), t0 + milliseconds(60));
    EXPECT_FALSE(decoder.pop(frame, t0 + milliseconds(99)));
    EXPECT_EQ(decoder.partialDeadline(), t0 + FrameDecoder::kPartialFrameLimit);
    ASSERT_TRUE(decoder.pop(frame, t0 + milliseconds(100)));
    EXPECT_EQ(frame.type, MsgType::Heartbeat);
    EXPECT_EQ(decoder.errorCount(), 1u);
    EXPECT_EQ(decoder.partialDeadline(), FrameDecoder::Clock::time_point::max());

    // Byte by byte, the last one 99 ms after the first.
    const auto slow = statusBytes(2);
    const auto t1 = t0 + milliseconds(500);
    for (size_t i = 0; i < slow.size(); ++i) {
        const auto at = t1 + milliseconds(99 * i / (slow.size() - 1));
        decoder.push(&slow[i], 1, at);
        const bool last = i + 1 == slow.size();
        ASSERT_EQ(decoder.pop(frame, at), last) << "byte " << i;
    }
    EXPECT_EQ(linkproto::decodeRecord<LinkStatusRecord>(frame).Wir_length, 2u);
    EXPECT_EQ(decoder.errorCount(), 1u);
}

TEST(FrameDecoder, TruncatedFrameDoesNotCostTheFollowingFrame)
{
    FrameDecoder decoder;
    const auto whole = statusBytes(20);
    std::vector<uint8_t> input(whole.begin(), whole.begin() + 50);
    append(input, statusBytes(21));
    append(input, statusBytes(22));
    EXPECT_EQ(decodeWires(decoder, input), (std::vector<uint32_t>{21, 22}));
    EXPECT_EQ(decoder.errorCount(), 1u);
}

TEST(FrameDecoder, WaitsForTheRestOfAHeaderOrPayload)
{
    FrameDecoder decoder;
    const auto bytes = statusBytes(30);
    EXPECT_TRUE(decodeWires(decoder, {bytes.begin(), bytes.begin() + 5}).empty());
    EXPECT_TRUE(decodeWires(decoder, {bytes.begin() + 5, bytes.end() - 1}).empty());
    EXPECT_EQ(decodeWires(decoder, {bytes.back()}), std::vector<uint32_t>{30});
    EXPECT_EQ(decoder.errorCount(), 0u);
}

// Random bytes between intact frames, fed in random chunk sizes: every
// intact frame comes out in order and nothing else does.
TEST(FrameDecoder, SeededRandomInputNeverYieldsACorruptFrame)
{
    constexpr int kRounds = 20000;
    std::mt19937 random(1234567);
    FrameDecoder decoder;
    std::vector<uint8_t> stream;
    std::vector<uint32_t> sent;
    for (int i = 0; i < kRounds; ++i) {
        const size_t junk = std::uniform_int_distribution<size_t>(0, 40)(random);
        for (size_t j = 0; j < junk; ++j) {
            stream.push_back(static_cast<uint8_t>(random()));
        }
        if (i % 3 == 0) {
            // Bytes that look like the start of a frame.
            append(stream, {0xA5, 0x5A, linkproto::kVersion, 0x02, 0, 0, 108, 0});
        }
        const uint32_t wire = static_cast<uint32_t>(i) + 1;
        append(stream, statusBytes(wire, static_cast<uint16_t>(i)));
        sent.push_back(wire);
    }
    std::vector<uint32_t> received;
    for (size_t at = 0; at < stream.size();) {
        const size_t size =
            std::min(stream.size() - at, std::uniform_int_distribution<size_t>(1, 300)(random));
        const auto got =
            decodeWires(decoder, {stream.begin() + static_cast<std::ptrdiff_t>(at),
                                  stream.begin() + static_cast<std::ptrdiff_t>(at + size)});
        received.insert(received.end(), got.begin(), got.end());
        at += size;
    }
    EXPECT_EQ(received, sent);
    EXPECT_GT(decoder.errorCount(), 0u);
    EXPECT_LE(decoder.errorCount(), static_cast<uint64_t>(kRounds));
}
