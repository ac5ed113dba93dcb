// Building the device's answer frames and checking frames' checksums.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace emu {

// True when the CRC run over the whole frame, checksum included, gives 0.
bool ChecksumHolds(std::span<const uint8_t> frame);

// Sets byte 2 to the frame's length and appends the checksum of bytes 0..L-3.
void SealFrame(std::vector<uint8_t>& frame);

// 0x33, address, L, function | 0x80, data, CRC.
std::vector<uint8_t> AnswerFrame(uint8_t address, uint8_t requestFunction,
                                 std::span<const uint8_t> data);

// 0x33, address, L, function without bit 7, error code, [reason for 24], CRC.
std::vector<uint8_t> ErrorFrame(uint8_t address, uint8_t requestFunction, uint8_t errorCode,
                                uint8_t reason);

}  // namespace emu
