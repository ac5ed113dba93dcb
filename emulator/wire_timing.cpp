#include "emulator/wire_timing.h"

#include <algorithm>

namespace emu {

namespace {
constexpr int64_t kBitsPerByte = 10;
constexpr size_t kGapBytes = 20;
constexpr std::chrono::nanoseconds kShortestGap = std::chrono::milliseconds(50);
}  // namespace

std::chrono::nanoseconds TransmitTime(size_t byteCount, int32_t bitRate) {
  if (bitRate <= 0) return std::chrono::nanoseconds(0);
  const int64_t bits = static_cast<int64_t>(byteCount) * kBitsPerByte;
  return std::chrono::nanoseconds(bits * 1'000'000'000 / bitRate);
}

std::chrono::nanoseconds FrameGap(int32_t bitRate) {
  return std::max(kShortestGap, TransmitTime(kGapBytes, bitRate));
}

}  // namespace emu
