// The stream header (data type 1) and the packet framing (data type 2)
// that pass from the network side to the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace netcam {

struct StreamHeader {
    int32_t codecId = 0;      // AVCodecID
    int32_t pixelFormat = -1; // AVPixelFormat, for raw video
    int32_t width = 0;
    int32_t height = 0;
    int32_t frameRate = 0;
    std::vector<uint8_t> extradata;
};

std::vector<uint8_t> EncodeHeader(const StreamHeader& header);
std::optional<StreamHeader> DecodeHeader(const uint8_t* data, size_t size);

struct PacketPrefix {
    uint32_t payloadSize = 0;
    int64_t ptsUs = 0;
    uint32_t key = 0;
};

constexpr size_t kPacketPrefixSize = 20;
// Payloads larger than this are treated as corrupt framing.
constexpr uint32_t kMaxPayloadSize = 64u << 20;

// Writes the prefix into the first kPacketPrefixSize bytes of out.
void WritePacketPrefix(const PacketPrefix& prefix, uint8_t* out);
// Empty when the bytes do not start with a valid prefix.
std::optional<PacketPrefix> ReadPacketPrefix(const uint8_t* data, size_t size);

} // namespace netcam
