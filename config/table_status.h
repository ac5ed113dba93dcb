// The table status block handed to the table status window: for each table
// 0..7 whether it is offered (writable), whether the device asks for it to be
// restored (table 7), and whether the user chose to write it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "config/config_tables.h"

namespace vkt53 {

inline constexpr std::size_t kOfferedOffset = 0;
inline constexpr std::size_t kRestoreRequiredOffset = 8;
inline constexpr std::size_t kWriteSelectionOffset = 16;

using TableStatusBlock = std::array<uint8_t, 3 * kTableCount>;

// Table 7, fields 0..7: non-zero where the device asks for table k to be
// restored.
inline constexpr int kRestoreFlagsTable = 7;
using RestoreFlags = std::array<uint8_t, kTableCount>;

// Offered = the writable tables of the list, restore flags = the eight
// values of table 7 as just read, selection cleared.
inline TableStatusBlock MakeTableStatusBlock(const ConfigTableList& tables,
                                             std::span<const uint8_t, kTableCount> restoreFlags) {
  TableStatusBlock block{};
  for (int t = 0; t < kTableCount; ++t) {
    block[kOfferedOffset + t] = tables[t].writable ? 1 : 0;
    block[kRestoreRequiredOffset + t] = restoreFlags[t];
  }
  return block;
}

}  // namespace vkt53
