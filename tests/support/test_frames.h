// Frames as the tests write them out, byte by byte, with the checksum the
// tests compute themselves: the requests the tool must send and the answers
// a device gives, for the tests of both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vkt53 {

using Bytes = std::vector<uint8_t>;

// The frame with its CRC-16 appended, low byte first.
Bytes WithChecksum(Bytes frame);

// The frame with its length byte (byte 2) filled in and its CRC-16 appended.
Bytes Sealed(Bytes frame);

// 0x33, address, L, function, data, CRC: an answer without preambles.
Bytes Answer(uint8_t address, uint8_t function, const Bytes& data);

// 0xCC, address, 12, 0x1D, table, first, count, 0, 0, 0, CRC.
Bytes ReadRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count);

// 0xCC, address, L, 0x1D, 0, 0, 0, table, first, count, values, CRC.
Bytes WriteRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count,
                   const Bytes& values);

// What a default device sends for a read: 3 preambles, then
// 0x33, address, L, 0x9D, table, first, count, values, CRC.
Bytes ReadAnswer(uint8_t address, uint8_t table, uint8_t first, uint8_t count, const Bytes& values);

// 3 preambles, then 0x33, address, 16, 0x9D, 0, 0, 0, table, first, count, CRC.
Bytes WriteAnswer(uint8_t address, uint8_t table, uint8_t first, uint8_t count);

// 3 preambles, then 0x33, address, 7, function, error, CRC.
Bytes ErrorAnswer(uint8_t address, uint8_t function, uint8_t error);

Bytes WithBadChecksum(Bytes frame);
Bytes Preambles(size_t count);
Bytes Joined(const Bytes& a, const Bytes& b);

// The default identification record, table 0 fields 0..16.
Bytes DefaultIdentification();

}  // namespace vkt53
