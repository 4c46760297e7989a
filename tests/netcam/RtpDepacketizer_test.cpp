#include "RtpDepacketizer.h"
#include "RtspDescription.h"

#include <gtest/gtest.h>

using namespace netcam;

namespace {

std::vector<uint8_t> Rtp(uint16_t sequence, uint32_t timestamp, bool marker,
                         const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> packet(12 + payload.size());
    packet[0] = 0x80;
    packet[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | 96);
    packet[2] = static_cast<uint8_t>(sequence >> 8);
    packet[3] = static_cast<uint8_t>(sequence);
    packet[6] = static_cast<uint8_t>(timestamp >> 8);
    packet[7] = static_cast<uint8_t>(timestamp);
    std::copy(payload.begin(), payload.end(), packet.begin() + 12);
    return packet;
}

void Push(RtpDepacketizer& depacketizer, const std::vector<uint8_t>& packet)
{
    depacketizer.push(packet.data(), packet.size());
}

} // namespace

TEST(RtpDepacketizer, PictureLeavesAtItsMarkerWithFragmentsAndAggregatesJoined)
{
    RtpDepacketizer h264(RtpDepacketizer::Codec::H264, 96);
    RtpDepacketizer::AccessUnit unit;
    // SPS and PPS aggregated, then an IDR slice in three fragments.
    Push(h264, Rtp(1, 3000, false, {24, 0, 2, 0x67, 0xaa, 0, 1, 0x68}));
    Push(h264, Rtp(2, 3000, false, {0x7c, 0x85, 1, 2}));
    Push(h264, Rtp(3, 3000, false, {0x7c, 0x05, 3}));
    EXPECT_FALSE(h264.pop(unit));
    Push(h264, Rtp(4, 3000, true, {0x7c, 0x45, 4}));
    ASSERT_TRUE(h264.pop(unit));
    EXPECT_EQ(unit.data, (std::vector<uint8_t>{0,    0, 0, 1, 0x67, 0xaa, 0, 0, 0, 1,
                                               0x68, 0, 0, 0, 1,    0x65, 1, 2, 3, 4}));
    EXPECT_TRUE(unit.key);
    EXPECT_EQ(unit.timestamp, 3000u);

    // A lost marker: the next timestamp ends the picture; a lost fragment
    // drops the rest of its NAL unit but keeps what is whole.
    Push(h264, Rtp(5, 6000, false, {0x41, 9}));
    Push(h264, Rtp(6, 6000, false, {0x5c, 0x81, 7}));
    Push(h264, Rtp(8, 6000, false, {0x5c, 0x41, 8}));
    Push(h264, Rtp(9, 9000, true, {0x41, 10}));
    ASSERT_TRUE(h264.pop(unit));
    EXPECT_EQ(unit.data, (std::vector<uint8_t>{0, 0, 0, 1, 0x41, 9, 0, 0, 0, 1, 0x41, 7}));
    EXPECT_FALSE(unit.key);
    ASSERT_TRUE(h264.pop(unit));
    EXPECT_EQ(unit.timestamp, 9000u);
}

TEST(RtpDepacketizer, H265FragmentsRebuildTheirTwoByteHeader)
{
    RtpDepacketizer h265(RtpDepacketizer::Codec::H265, 96);
    Push(h265, Rtp(1, 0, false, {49 << 1, 1, 0x80 | 19, 1}));
    Push(h265, Rtp(2, 0, true, {49 << 1, 1, 0x40 | 19, 2}));
    RtpDepacketizer::AccessUnit unit;
    ASSERT_TRUE(h265.pop(unit));
    EXPECT_EQ(unit.data, (std::vector<uint8_t>{0, 0, 0, 1, 19 << 1, 1, 1, 2}));
    EXPECT_TRUE(unit.key);
}

TEST(RtspDescription, VideoTrackWithParameterSetsAndControls)
{
    const auto sdp = ParseSessionDescription(
        "v=0\r\na=control:*\r\nm=audio 0 RTP/AVP 0\r\na=control:stream=1\r\n"
        "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n"
        "a=fmtp:96 packetization-mode=1; sprop-parameter-sets=Z0IA,aM4=\r\n"
        "a=control:stream=0\r\n");
    ASSERT_TRUE(sdp.video);
    EXPECT_EQ(sdp.video->payloadType, 96);
    EXPECT_EQ(sdp.video->parameterSets,
              (std::vector<uint8_t>{0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 0, 1, 0x68, 0xce}));
    EXPECT_EQ(ResolveControl("rtsp://h/a/", sdp.video->control), "rtsp://h/a/stream=0");
    EXPECT_EQ(ResolveControl("rtsp://h/a", sdp.control), "rtsp://h/a");
    EXPECT_FALSE(ParseSessionDescription("m=video 0 RTP/AVP 26\r\n").video); // MJPEG
    EXPECT_FALSE(ParseSessionDescription("m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n"
                                         "a=fmtp:96 packetization-mode=2\r\n")
                     .video);

    const auto url = ParseRtspUrl("rtsp://ad%40m:p%3Aw@[::1]:8554/Streaming/Channels/101");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->user, "ad@m");
    EXPECT_EQ(url->password, "p:w");
    EXPECT_EQ(url->host, "::1");
    EXPECT_EQ(url->port, 8554);
    EXPECT_EQ(url->request, "rtsp://[::1]:8554/Streaming/Channels/101");
}
