// The text of a computing unit's row in the editors' unit grid.
#pragma once

#include <array>
#include <string>

#include "config/config_image.h"

namespace vkt53 {

inline constexpr int kUnitRowColumns = 4;
inline constexpr int kFirstUnitAddress = 1;  // address 0 is carried in the image but has no row
inline constexpr int kLastUnitAddress = 254;

// Address, "Да"/"Нет", port letter and speed in bit/s, padded as the grid
// shows them; a unit that is not connected shows neither port nor speed.
std::array<std::string, kUnitRowColumns> UnitRowTexts(int address, const UnitEntry& entry);

}  // namespace vkt53
