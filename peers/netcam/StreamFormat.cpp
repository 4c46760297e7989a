#include "StreamFormat.h"

#include <algorithm>
#include <cstring>

namespace netcam {
namespace {

constexpr uint32_t kHeaderMagic = 0x3148434e; // "NCH1"
constexpr uint32_t kPacketMagic = 0x3150434e; // "NCP1"
constexpr size_t kHeaderFixedSize = 28;
constexpr uint32_t kMaxExtradata = 1u << 20;

template <typename T> void Put(uint8_t* out, T value)
{
    std::memcpy(out, &value, sizeof value);
}

template <typename T> T Get(const uint8_t* in)
{
    T value;
    std::memcpy(&value, in, sizeof value);
    return value;
}

} // namespace

std::vector<uint8_t> EncodeHeader(const StreamHeader& header)
{
    std::vector<uint8_t> out(kHeaderFixedSize + header.extradata.size());
    Put(&out[0], kHeaderMagic);
    Put(&out[4], header.codecId);
    Put(&out[8], header.pixelFormat);
    Put(&out[12], header.width);
    Put(&out[16], header.height);
    Put(&out[20], header.frameRate);
    Put(&out[24], static_cast<uint32_t>(header.extradata.size()));
    std::copy(header.extradata.begin(), header.extradata.end(), out.begin() + kHeaderFixedSize);
    return out;
}

std::optional<StreamHeader> DecodeHeader(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < kHeaderFixedSize || Get<uint32_t>(data) != kHeaderMagic) {
        return std::nullopt;
    }
    StreamHeader header;
    header.codecId = Get<int32_t>(data + 4);
    header.pixelFormat = Get<int32_t>(data + 8);
    header.width = Get<int32_t>(data + 12);
    header.height = Get<int32_t>(data + 16);
    header.frameRate = Get<int32_t>(data + 20);
    const auto extraSize = Get<uint32_t>(data + 24);
    if (extraSize > kMaxExtradata || size - kHeaderFixedSize < extraSize || header.width < 0 ||
        header.height < 0) {
        return std::nullopt;
    }
    header.extradata.assign(data + kHeaderFixedSize, data + kHeaderFixedSize + extraSize);
    return header;
}

void WritePacketPrefix(const PacketPrefix& prefix, uint8_t* out)
{
    Put(out, kPacketMagic);
    Put(out + 4, prefix.payloadSize);
    Put(out + 8, prefix.ptsUs);
    Put(out + 16, prefix.key);
}

std::optional<PacketPrefix> ReadPacketPrefix(const uint8_t* data, size_t size)
{
    if (size < kPacketPrefixSize || Get<uint32_t>(data) != kPacketMagic) {
        return std::nullopt;
    }
    PacketPrefix prefix{Get<uint32_t>(data + 4), Get<int64_t>(data + 8), Get<uint32_t>(data + 16)};
    if (prefix.payloadSize > kMaxPayloadSize) {
        return std::nullopt;
    }
    return prefix;
}

} // namespace netcam
