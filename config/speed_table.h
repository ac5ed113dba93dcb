// The exchange speed table: the 22 bit rates every speed list offers and
// the device stores as a speed index (a position in this table).
#pragma once

#include <array>
#include <cstdint>

namespace vkt53 {

inline constexpr int kSpeedCount = 22;

inline constexpr std::array<int32_t, kSpeedCount> kExchangeSpeeds = {
    300,  600,   1200,  2400,  3200,  3600,  4800,  5760,   6400,   7200,   7680,
    9600, 11520, 12800, 14400, 19200, 23040, 28800, 38400, 57600, 115200, 230400};

// Position of speed in the table by a linear search from position 0; -1 if absent.
int IndexOfSpeed(int32_t speed);

// Speed at a position 0..21; 0 for any other index.
int32_t SpeedOfIndex(int index);

}  // namespace vkt53
