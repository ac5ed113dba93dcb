// Time on the serial line: 10 bits a byte (start, 8 data, stop).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace emu {

using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds TransmitTime(size_t byteCount, int32_t bitRate);

// Silence inside a frame after which the frame is given up:
// 20 byte times, but never less than 50 ms.
std::chrono::nanoseconds FrameGap(int32_t bitRate);

}  // namespace emu
