#include "emulator/frames.h"

#include "emulator/wire_format.h"
#include "link/crc16.h"

using vkt53::Crc16;

namespace emu {

bool ChecksumHolds(std::span<const uint8_t> frame) {
  return frame.size() >= kChecksumSize && Crc16(frame.data(), frame.size()) == 0;
}

void SealFrame(std::vector<uint8_t>& frame) {
  frame[kLengthByte] = static_cast<uint8_t>(frame.size() + kChecksumSize);
  const uint16_t crc = Crc16(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
}

std::vector<uint8_t> AnswerFrame(uint8_t address, uint8_t requestFunction,
                                 std::span<const uint8_t> data) {
  std::vector<uint8_t> frame;
  frame.reserve(kFrameOverhead + data.size());
  frame.push_back(kAnswerStart);
  frame.push_back(address);
  frame.push_back(0);  // length, set when sealed
  frame.push_back(static_cast<uint8_t>(requestFunction | kAnswerFlag));
  frame.insert(frame.end(), data.begin(), data.end());
  SealFrame(frame);
  return frame;
}

std::vector<uint8_t> ErrorFrame(uint8_t address, uint8_t requestFunction, uint8_t errorCode,
                                uint8_t reason) {
  std::vector<uint8_t> frame = {kAnswerStart, address, 0,
                                static_cast<uint8_t>(requestFunction & ~kAnswerFlag), errorCode};
  if (errorCode == kValveSwitchRefused) frame.push_back(reason);
  SealFrame(frame);
  return frame;
}

}  // namespace emu
