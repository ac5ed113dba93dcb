#include "tests/support/test_frames.h"

#include <utility>

#include "link/crc16.h"

namespace vkt53 {

namespace {
constexpr size_t kDefaultAnswerPreambles = 3;
}

Bytes WithChecksum(Bytes frame) {
  const uint16_t crc = Crc16(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  return frame;
}

Bytes Sealed(Bytes frame) {
  frame[2] = static_cast<uint8_t>(frame.size() + 2);
  return WithChecksum(std::move(frame));
}

Bytes Answer(uint8_t address, uint8_t function, const Bytes& data) {
  return Sealed(Joined({0x33, address, 0, function}, data));
}

Bytes ReadRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count) {
  return Sealed({0xCC, address, 0, 0x1D, table, first, count, 0, 0, 0});
}

Bytes WriteRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count,
                   const Bytes& values) {
  return Sealed(Joined({0xCC, address, 0, 0x1D, 0, 0, 0, table, first, count}, values));
}

Bytes ReadAnswer(uint8_t address, uint8_t table, uint8_t first, uint8_t count,
                 const Bytes& values) {
  return Joined(Preambles(kDefaultAnswerPreambles),
                Sealed(Joined({0x33, address, 0, 0x9D, table, first, count}, values)));
}

Bytes WriteAnswer(uint8_t address, uint8_t table, uint8_t first, uint8_t count) {
  return Joined(Preambles(kDefaultAnswerPreambles),
                Sealed({0x33, address, 0, 0x9D, 0, 0, 0, table, first, count}));
}

Bytes ErrorAnswer(uint8_t address, uint8_t function, uint8_t error) {
  return Joined(Preambles(kDefaultAnswerPreambles), Sealed({0x33, address, 0, function, error}));
}

Bytes WithBadChecksum(Bytes frame) {
  frame.back() ^= 0x01;
  return frame;
}

Bytes Preambles(size_t count) { return Bytes(count, 0xFF); }

Bytes Joined(const Bytes& a, const Bytes& b) {
  Bytes joined = a;
  joined.insert(joined.end(), b.begin(), b.end());
  return joined;
}

Bytes DefaultIdentification() { return {0, 8, 1, 3, 25, 3, 17, 9, 5, 0, 1, 1, 0, 0, 1, 2, 0}; }

}  // namespace vkt53
