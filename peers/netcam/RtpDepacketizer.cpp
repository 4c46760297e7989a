#include "RtpDepacketizer.h"

#include "StreamFormat.h"

namespace netcam {
namespace {

constexpr uint8_t kStartCode[] = {0, 0, 0, 1};
constexpr size_t kRtpHeader = 12;

// H.264 packet types (RFC 6184) and H.265 ones (RFC 7798).
constexpr int kH264StapA = 24;
constexpr int kH264FuA = 28;
constexpr int kH264Idr = 5;
constexpr int kH265Ap = 48;
constexpr int kH265Fu = 49;
constexpr int kH265FirstIrap = 16;
constexpr int kH265LastIrap = 23;

uint16_t Be16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t Be32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

} // namespace

void RtpDepacketizer::push(const uint8_t* packet, size_t size)
{
    if (size < kRtpHeader || (packet[0] >> 6) != 2 || (packet[1] & 0x7f) != m_payloadType) {
        return;
    }
    const bool marker = (packet[1] & 0x80) != 0;
    const uint16_t sequence = Be16(packet + 2);
    const uint32_t timestamp = Be32(packet + 4);
    size_t start = kRtpHeader + 4 * static_cast<size_t>(packet[0] & 0x0f);
    if ((packet[0] & 0x10) != 0) { // header extension
        if (start + 4 > size) {
            return;
        }
        start += 4 + 4 * static_cast<size_t>(Be16(packet + start + 2));
    }
    size_t end = size;
    if ((packet[0] & 0x20) != 0) { // padding, counted in the last byte
        end = packet[size - 1] <= size ? size - packet[size - 1] : 0;
    }
    if (start >= end) {
        return;
    }
    // A lost packet takes the rest of a fragmented NAL unit with it.
    if (m_haveSequence && sequence != m_nextSequence) {
        m_fragment = false;
    }
    m_haveSequence = true;
    m_nextSequence = static_cast<uint16_t>(sequence + 1);
    if (m_open && timestamp != m_unit.timestamp) {
        finish();
    }
    if (!m_open) {
        m_unit.timestamp = timestamp;
        m_open = true;
    }
    payload(packet + start, end - start);
    if (marker) {
        finish();
    }
}

bool RtpDepacketizer::pop(AccessUnit& unit)
{
    if (m_ready.empty()) {
        return false;
    }
    unit = std::move(m_ready.front());
    m_ready.pop_front();
    return true;
}

void RtpDepacketizer::payload(const uint8_t* data, size_t size)
{
    if (m_codec == Codec::H264) {
        h264(data, size);
    } else {
        h265(data, size);
    }
}

void RtpDepacketizer::h264(const uint8_t* data, size_t size)
{
    const int type = data[0] & 0x1f;
    if (type >= 1 && type < kH264StapA) {
        startNal(data, size);
    } else if (type == kH264StapA) {
        aggregate(data + 1, size - 1);
    } else if (type == kH264FuA && size > 2) {
        const uint8_t header = static_cast<uint8_t>((data[0] & 0xe0) | (data[1] & 0x1f));
        fragment(data[1], &header, 1, data + 2, size - 2);
    }
    // STAP-B, MTAP and FU-B belong to interleaved mode, which is never asked for.
}

void RtpDepacketizer::h265(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return;
    }
    const int type = (data[0] >> 1) & 0x3f;
    if (type < kH265Ap) {
        startNal(data, size);
    } else if (type == kH265Ap) {
        aggregate(data + 2, size - 2);
    } else if (type == kH265Fu && size > 3) {
        const uint8_t header[] = {static_cast<uint8_t>((data[0] & 0x81) | (data[2] & 0x3f) << 1),
                                  data[1]};
        fragment(data[2], header, sizeof header, data + 3, size - 3);
    }
}

// One piece of a fragmented NAL unit: the first rebuilds the unit's header,
// the rest are joined only while nothing of it was lost.
void RtpDepacketizer::fragment(uint8_t fu, const uint8_t* header, size_t headerSize,
                               const uint8_t* data, size_t size)
{
    if ((fu & 0x80) != 0) {
        startNal(header, headerSize);
        m_fragment = true;
    }
    if (m_fragment) {
        append(data, size);
    }
    if ((fu & 0x40) != 0) {
        m_fragment = false;
    }
}

// Aggregation packets: NAL units, each after its 16-bit size.
void RtpDepacketizer::aggregate(const uint8_t* data, size_t size)
{
    size_t at = 0;
    while (at + 2 < size) {
        const size_t length = Be16(data + at);
        at += 2;
        if (length == 0 || at + length > size) {
            return;
        }
        startNal(data + at, length);
        at += length;
    }
}

void RtpDepacketizer::startNal(const uint8_t* header, size_t headerSize)
{
    m_fragment = false;
    append(kStartCode, sizeof kStartCode);
    append(header, headerSize);
    if (m_codec == Codec::H264) {
        m_unit.key = m_unit.key || (header[0] & 0x1f) == kH264Idr;
    } else {
        const int type = (header[0] >> 1) & 0x3f;
        m_unit.key = m_unit.key || (type >= kH265FirstIrap && type <= kH265LastIrap);
    }
}

void RtpDepacketizer::append(const uint8_t* data, size_t size)
{
    // A picture that never ends is bad data, not a reason to run out of memory.
    if (m_tooLarge || m_unit.data.size() + size > kMaxPayloadSize) {
        m_tooLarge = true;
        return;
    }
    m_unit.data.insert(m_unit.data.end(), data, data + size);
}

void RtpDepacketizer::finish()
{
    m_fragment = false;
    if (!m_unit.data.empty() && !m_tooLarge) {
        m_ready.push_back(std::move(m_unit));
    }
    m_unit = AccessUnit{};
    m_open = false;
    m_tooLarge = false;
}

} // namespace netcam
