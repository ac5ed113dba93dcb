// CRC-16 with the MODBUS parameters: reflected polynomial 0xA001, initial
// value 0xFFFF, no final inversion. Sent low byte first; a frame that carries
// its own checksum gives 0 over all its bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt53 {

uint16_t Crc16(const uint8_t* bytes, size_t count);

}  // namespace vkt53
