// Numbers in byte records, low byte first: the settings file, the device's
// tables and frames.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt53 {

inline uint32_t GetUint32Le(const uint8_t* bytes) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  return value;
}

inline void PutUint32Le(uint8_t* bytes, uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutUint16Le(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value & 0xFF);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace vkt53
