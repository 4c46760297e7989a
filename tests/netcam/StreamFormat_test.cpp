#include "StreamFormat.h"

#include <gtest/gtest.h>

using namespace netcam;

TEST(StreamFormat, HeaderRoundTripsWithExtradata)
{
    StreamHeader header;
    header.codecId = 27;
    header.pixelFormat = 0;
    header.width = 1920;
    header.height = 1080;
    header.frameRate = 25;
    header.extradata = {0, 0, 0, 1, 0x67, 0x42};
    const auto bytes = EncodeHeader(header);
    const auto back = DecodeHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->codecId, 27);
    EXPECT_EQ(back->width, 1920);
    EXPECT_EQ(back->height, 1080);
    EXPECT_EQ(back->frameRate, 25);
    EXPECT_EQ(back->extradata, header.extradata);
}

TEST(StreamFormat, CorruptHeadersAreRefused)
{
    StreamHeader header;
    header.extradata.assign(16, 7);
    auto bytes = EncodeHeader(header);
    EXPECT_FALSE(DecodeHeader(bytes.data(), bytes.size() - 1)); // extradata cut short
    EXPECT_FALSE(DecodeHeader(nullptr, 0));
    bytes[0] ^= 0xff;
    EXPECT_FALSE(DecodeHeader(bytes.data(), bytes.size()));
}

TEST(StreamFormat, PacketPrefixRoundTripsAndRejectsOversize)
{
    uint8_t buffer[kPacketPrefixSize];
    WritePacketPrefix({1234, -5, 1}, buffer);
    const auto prefix = ReadPacketPrefix(buffer, sizeof buffer);
    ASSERT_TRUE(prefix);
    EXPECT_EQ(prefix->payloadSize, 1234u);
    EXPECT_EQ(prefix->ptsUs, -5);
    EXPECT_EQ(prefix->key, 1u);
    EXPECT_FALSE(ReadPacketPrefix(buffer, sizeof buffer - 1));
    WritePacketPrefix({kMaxPayloadSize + 1, 0, 0}, buffer);
    EXPECT_FALSE(ReadPacketPrefix(buffer, sizeof buffer));
}
