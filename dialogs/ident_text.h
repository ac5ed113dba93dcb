// The device identification record in readable form: the nine value texts
// of the identification window, computed without a window so that they can
// be checked on their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "config/config_record.h"

namespace vkt53 {

inline constexpr std::size_t kIdentificationRowCount = 9;

// Row order of the identification window.
enum IdentificationRow : std::size_t {
  kTypeCodeRow,
  kHardwareVersionRow,
  kSoftwareVersionRow,
  kBuildDateRow,
  kByteOrderRow,
  kCorruptedTableRow,
  kMultiSpeedRow,
  kAddressChangeRow,
  kProtocolVersionRow,
};

// The row's caption (UTF-8); the long ones break into lines with '\n' where
// the device's documentation breaks them.
const char* IdentificationRowCaption(std::size_t row);

using IdentificationTexts = std::array<std::string, kIdentificationRowCount>;

// The value texts (UTF-8), one per row, for the 17 bytes of table 0.
IdentificationTexts IdentificationRows(std::span<const uint8_t, kIdentificationSize> record);

// True when the record names a corrupted table; its value is then shown in red.
bool ReportsCorruptedTable(std::span<const uint8_t, kIdentificationSize> record);

}  // namespace vkt53
