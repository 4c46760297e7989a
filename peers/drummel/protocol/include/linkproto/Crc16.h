#pragma once

#include <cstddef>
#include <cstdint>

namespace linkproto {

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF, no reflection.
uint16_t crc16(const uint8_t* data, size_t size, uint16_t crc = 0xFFFF);

} // namespace linkproto
