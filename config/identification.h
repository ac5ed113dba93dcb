// The device identification record, fields 0..16 of table 0 and the first
// bytes of the configuration record: what each byte holds, and which
// devices the program serves. The start-up sequence decides on it and the
// identification window shows it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/config_record.h"

namespace vkt53 {

inline constexpr std::size_t kCorruptedTableByte = 0;  // 0 when no table is corrupted
inline constexpr std::size_t kTypeCodeByte = 1;
inline constexpr std::size_t kHardwareVersionByte = 2;
inline constexpr std::size_t kSoftwareVersionByte = 3;
inline constexpr std::size_t kBuildYearByte = 4;  // two digits
inline constexpr std::size_t kBuildMonthByte = 5;
inline constexpr std::size_t kBuildDayByte = 6;
inline constexpr std::size_t kBuildHourByte = 7;
inline constexpr std::size_t kBuildMinuteByte = 8;
inline constexpr std::size_t kBuildSecondByte = 9;
inline constexpr std::size_t kByteOrderByte = 10;   // 0: the lower address holds the high byte
inline constexpr std::size_t kMultiSpeedByte = 11;  // 0: one speed only
inline constexpr std::size_t kProtocolVersionByte = 14;  // then 15 and 16
static_assert(kProtocolVersionByte + 3 == kIdentificationSize);

// The served model, vkt53-sx.
inline constexpr uint8_t kServedTypeCode = 8;
inline constexpr char kServedModelName[] = "vkt53-sx";

// The software versions the program serves: 3 lets the configuration be
// read and written, 4 only read.
inline constexpr uint8_t kReadWriteSoftwareVersion = 3;
inline constexpr uint8_t kReadOnlySoftwareVersion = 4;

constexpr bool SoftwareVersionServed(uint8_t version) {
  return version == kReadWriteSoftwareVersion || version == kReadOnlySoftwareVersion;
}

}  // namespace vkt53
