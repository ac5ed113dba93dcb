// The configuration tables 0..7 of the device: which may be written, and
// their names as the user sees them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vkt53 {

inline constexpr int kTableCount = 8;

// The tables the program reads and writes.
inline constexpr int kIdentificationTable = 0;
inline constexpr int kSpeedAvailabilityTable = 1;  // the master and the unit speed masks
inline constexpr int kLinkParametersTable = 3;
inline constexpr int kModemCommandTable = 5;       // one field: the modem command string
inline constexpr int kUnitLinkTable = 6;           // one field per unit address

struct ConfigTableEntry {
  uint8_t number = 0;
  bool writable = false;  // tables 3, 5 and 6
};

using ConfigTableList = std::array<ConfigTableEntry, kTableCount>;

ConfigTableList MakeConfigTableList();

// Name of table 0..7 (UTF-8); empty for tables without a name or outside 0..7.
const std::string& TableName(int table);

}  // namespace vkt53
