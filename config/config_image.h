// The configuration image: the editing form of tables 3, 5 and 6 that both
// editors change in place and that a configuration file stores byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "config/config_record.h"

namespace vkt53 {

inline constexpr std::size_t kUnitEntrySize = 3;

struct ConfigImage {
  static constexpr std::size_t kLinkParametersOffset = 0;
  static constexpr std::size_t kReservedAfterLinkOffset =
      kLinkParametersOffset + kLinkParametersSize;
  static constexpr std::size_t kReservedAfterLinkSize = 18;
  static constexpr std::size_t kUnitEntriesOffset =
      kReservedAfterLinkOffset + kReservedAfterLinkSize;
  static constexpr std::size_t kUnitEntriesSize = kUnitAddressCount * kUnitEntrySize;
  static constexpr std::size_t kReservedAfterUnitsOffset = kUnitEntriesOffset + kUnitEntriesSize;
  static constexpr std::size_t kReservedAfterUnitsSize = 255;
  static constexpr std::size_t kModemFieldOffset =
      kReservedAfterUnitsOffset + kReservedAfterUnitsSize;
  static constexpr std::size_t kReservedAtEndOffset = kModemFieldOffset + kModemFieldSize;
  static constexpr std::size_t kReservedAtEndSize = 100;
  static constexpr std::size_t kSize = kReservedAtEndOffset + kReservedAtEndSize;

  // Within a unit entry.
  static constexpr std::size_t kConnectedFlagByte = 0;
  static constexpr std::size_t kPortCodeByte = 1;
  static constexpr std::size_t kSpeedIndexByte = 2;

  std::array<uint8_t, kSize> bytes{};

  bool operator==(const ConfigImage&) const = default;
};

static_assert(ConfigImage::kReservedAfterLinkOffset == 7);
static_assert(ConfigImage::kUnitEntriesOffset == 25);
static_assert(ConfigImage::kReservedAfterUnitsOffset == 790);
static_assert(ConfigImage::kModemFieldOffset == 1045);
static_assert(ConfigImage::kReservedAtEndOffset == 1109);
static_assert(ConfigImage::kSize == 1209);
static_assert(sizeof(ConfigImage) == 1209, "the image is stored in files byte for byte");

// Port codes of a unit entry; 0 and 4..7 mean not connected.
inline constexpr uint8_t kPortA = 1;
inline constexpr uint8_t kPortB = 2;
inline constexpr uint8_t kPortC = 3;

// The three bytes of one computing unit's entry. The unit dialog edits a copy
// and stores it back only when accepted.
struct UnitEntry {
  uint8_t connected = 0;   // 1 = connected, 0 = not
  uint8_t portCode = 0;    // kept while not connected, preselected on reconnecting
  uint8_t speedIndex = 0;  // kept while not connected

  bool operator==(const UnitEntry&) const = default;
};

// Offset of the entry of a unit address 0..254 within the image.
constexpr std::size_t UnitEntryOffset(int address) {
  return ConfigImage::kUnitEntriesOffset + kUnitEntrySize * static_cast<std::size_t>(address);
}

static_assert(UnitEntryOffset(0) == 25 && UnitEntryOffset(254) == 787);
static_assert(UnitEntryOffset(254) + kUnitEntrySize == ConfigImage::kReservedAfterUnitsOffset);

// Address 0..254; the entry of address 0 is carried but has no row.
UnitEntry GetUnitEntry(const ConfigImage& image, int address);
void SetUnitEntry(ConfigImage& image, int address, const UnitEntry& entry);

// The defaults of a new configuration: master speed 1200 bit/s, 3 answer and
// 5 request preambles, low priority, everything else zero.
void NewConfigurationImage(ConfigImage& image);

// Record → image: link parameters, modem field and unit entries. Everything
// else in the image (reserved bytes among it) stays as the caller left it.
void ImageFromRecord(const ConfigRecord& record, ConfigImage& image);

// Image → record: tables 3, 5 and 6. The identification and the speed masks
// of the record stay as they are.
void RecordFromImage(const ConfigImage& image, ConfigRecord& record);

}  // namespace vkt53
