// Whole pictures from the RTP packets of one H.264 or H.265 stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace netcam {

class RtpDepacketizer {
public:
    enum class Codec { H264, H265 };

    struct AccessUnit {
        std::vector<uint8_t> data; // Annex B: every NAL unit after a start code
        uint32_t timestamp = 0;    // RTP clock
        bool key = false;          // holds an IDR (H.264) or IRAP (H.265) picture
    };

    RtpDepacketizer(Codec codec, int payloadType) : m_codec(codec), m_payloadType(payloadType) {}

    // One RTP packet as it came. A picture is complete at the packet that
    // carries the marker bit, so it leaves at once instead of when the next
    // one begins; a lost marker is made up for by the next timestamp.
    void push(const uint8_t* packet, size_t size);
    // The oldest complete picture, if any.
    bool pop(AccessUnit& unit);

private:
    void payload(const uint8_t* data, size_t size);
    void h264(const uint8_t* data, size_t size);
    void h265(const uint8_t* data, size_t size);
    void fragment(uint8_t fu, const uint8_t* header, size_t headerSize, const uint8_t* data,
                  size_t size);
    void aggregate(const uint8_t* data, size_t size);
    void startNal(const uint8_t* header, size_t headerSize);
    void append(const uint8_t* data, size_t size);
    void finish();

    Codec m_codec;
    int m_payloadType;
    AccessUnit m_unit;
    bool m_open = false;     // m_unit has data of m_unit.timestamp
    bool m_fragment = false; // a fragmented NAL unit is being joined
    bool m_tooLarge = false;
    bool m_haveSequence = false;
    uint16_t m_nextSequence = 0;
    std::deque<AccessUnit> m_ready;
};

} // namespace netcam
