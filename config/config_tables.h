// The configuration tables 0..7 of the device: which may be written, and
// their names as the user sees them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kTableCount = 8;

struct ConfigTableEntry {
  uint8_t number = 0;
  bool writable = false;  // tables 3, 5 and 6
};

using ConfigTableList = std::array<ConfigTableEntry, kTableCount>;

ConfigTableList MakeConfigTableList();

// Name of table 0..7 (UTF-8); empty for tables without a name or outside 0..7.
const std::string& TableName(int table);
