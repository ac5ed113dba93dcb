// The configuration record: the device's tables 0, 1, 3, 5 and 6 in the
// device's own field layout, as last read. The device is the authority on
// this layout, so the record is kept as raw bytes with named offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vkt53 {

// Table 3 fields, which are also bytes 0..6 of the configuration image.
inline constexpr std::size_t kMasterSpeedIndexField = 0;
inline constexpr std::size_t kAnswerPreambleCountField = 1;
inline constexpr std::size_t kRequestPreambleCountField = 2;
inline constexpr std::size_t kPriorityField = 3;
inline constexpr std::size_t kWaitUnitPreamblesField = 4;
inline constexpr std::size_t kRetryDelayIndexField = 5;
inline constexpr std::size_t kUnitAnswerWaitField = 6;

inline constexpr std::size_t kIdentificationSize = 17;  // table 0, fields 0..16
inline constexpr std::size_t kSpeedMaskSize = 4;        // table 1, one field each
inline constexpr std::size_t kLinkParametersSize = 7;   // table 3, fields 0..6
inline constexpr std::size_t kModemFieldSize = 64;      // table 5, field 0
inline constexpr std::size_t kUnitAddressCount = 255;   // table 6, fields 0..254

// A speed availability mask allows speed index i when bit i is set; every
// speed of the table allowed:
inline constexpr uint32_t kAllSpeedsMask = 0xFFFFFFFFu;

// A unit link byte: port code in bits 7..5, speed index in bits 4..0.
inline constexpr int kUnitPortCodeShift = 5;
inline constexpr uint8_t kUnitPortCodeMask = 0x07;  // after the shift
inline constexpr uint8_t kUnitSpeedIndexMask = 0x1F;

struct ConfigRecord {
  static constexpr std::size_t kIdentificationOffset = 0;
  static constexpr std::size_t kMasterSpeedMaskOffset = kIdentificationOffset + kIdentificationSize;
  static constexpr std::size_t kUnitSpeedMaskOffset = kMasterSpeedMaskOffset + kSpeedMaskSize;
  static constexpr std::size_t kLinkParametersOffset = kUnitSpeedMaskOffset + kSpeedMaskSize;
  static constexpr std::size_t kModemFieldOffset = kLinkParametersOffset + kLinkParametersSize;
  static constexpr std::size_t kUnitLinkBytesOffset = kModemFieldOffset + kModemFieldSize;
  static constexpr std::size_t kSize = kUnitLinkBytesOffset + kUnitAddressCount;

  std::array<uint8_t, kSize> bytes{};

  std::span<uint8_t, kIdentificationSize> Identification();
  std::span<const uint8_t, kIdentificationSize> Identification() const;
  std::span<uint8_t, kLinkParametersSize> LinkParameters();  // table 3
  std::span<const uint8_t, kLinkParametersSize> LinkParameters() const;
  std::span<uint8_t, kModemFieldSize> ModemField();  // table 5
  std::span<const uint8_t, kModemFieldSize> ModemField() const;
  std::span<uint8_t, kUnitAddressCount> UnitLinkBytes();  // table 6, indexed by address
  std::span<const uint8_t, kUnitAddressCount> UnitLinkBytes() const;

  // Table 1: the speeds the master link and the computing-unit links may use.
  uint32_t MasterSpeedMask() const;
  void SetMasterSpeedMask(uint32_t mask);
  uint32_t UnitSpeedMask() const;
  void SetUnitSpeedMask(uint32_t mask);

  // Without a device every speed is offered: both masks all ones.
  void SetAllSpeedsAvailable();

  bool operator==(const ConfigRecord&) const = default;
};

static_assert(ConfigRecord::kMasterSpeedMaskOffset == 17);
static_assert(ConfigRecord::kUnitSpeedMaskOffset == 21);
static_assert(ConfigRecord::kLinkParametersOffset == 25);
static_assert(ConfigRecord::kModemFieldOffset == 32);
static_assert(ConfigRecord::kUnitLinkBytesOffset == 96);
static_assert(ConfigRecord::kSize == 351);
static_assert(sizeof(ConfigRecord) == 351, "the record is a byte image of the device tables");

// Port code (kept to 3 bits) and speed index (kept to 5 bits) as one unit
// link byte, so that neither value can spill into the other's bits.
uint8_t MakeUnitLinkByte(uint8_t portCode, uint8_t speedIndex);
uint8_t PortCodeOfUnitLinkByte(uint8_t linkByte);
uint8_t SpeedIndexOfUnitLinkByte(uint8_t linkByte);

}  // namespace vkt53
