// What the device remembers: its address and its configuration tables 0..7.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace emu {

// Table 0, the identification record, byte by byte.
inline constexpr size_t kCorruptedTableByte = 0;  // 0 when no table is corrupted
inline constexpr size_t kTypeCodeByte = 1;
inline constexpr size_t kHardwareVersionByte = 2;
inline constexpr size_t kSoftwareVersionByte = 3;
inline constexpr size_t kBuildDateByte = 4;  // year (2 digits), month, day, hour, minute, second
inline constexpr size_t kByteOrderByte = 10;
inline constexpr size_t kMultiSpeedByte = 11;
inline constexpr size_t kProtocolVersionByte = 14;  // three numbers
inline constexpr size_t kIdentificationSize = 17;

// Table 3, the link parameters.
inline constexpr size_t kMasterSpeedIndexField = 0;
inline constexpr size_t kAnswerPreamblesField = 1;
inline constexpr size_t kLinkParameterCount = 7;

inline constexpr size_t kSpeedMaskCount = 2;  // table 1: master link, computing units
inline constexpr size_t kModemCommandSize = 64;
inline constexpr size_t kUnitCount = 255;
inline constexpr int kTableCount = 8;

struct DeviceState {
  uint8_t address = 0;
  std::array<uint8_t, kIdentificationSize> identification{};     // table 0
  std::array<uint8_t, 4 * kSpeedMaskCount> speedAvailability{};  // table 1, little-endian masks
  std::array<uint8_t, kLinkParameterCount> linkParameters{};     // table 3
  std::array<uint8_t, kModemCommandSize> modemCommand{};         // table 5
  std::array<uint8_t, kUnitCount> unitLinks{};                   // table 6
  std::array<uint8_t, kTableCount> restoreFlags{};               // table 7
};

struct TableLayout {
  bool present = false;
  bool writable = false;
  size_t fieldCount = 0;
  size_t fieldSize = 0;  // bytes
};

// Tables 2, 4 and 8..255 are not present.
TableLayout LayoutOfTable(int table);

// The bytes of a present table in its field layout; empty for any other.
std::span<uint8_t> TableBytes(DeviceState& state, int table);
std::span<const uint8_t> TableBytes(const DeviceState& state, int table);

DeviceState DefaultDeviceState();

uint32_t SpeedMask(const DeviceState& state, size_t which);
void SetSpeedMask(DeviceState& state, size_t which, uint32_t mask);

// The bit rate the device listens at: table 3 field 0 as a speed index; an
// index outside the speed table falls back to 1200 bit/s.
int32_t MasterBitRate(const DeviceState& state);

// Reports table as corrupted: its restore flag and identification byte 0.
// Table 0 clears every flag instead (byte 0 = 0 means "none corrupted").
void MarkTableCorrupted(DeviceState& state, int table);

// A table was written: its restore flag goes; byte 0 keeps naming a table
// still flagged, else the lowest flagged one, else 0.
void NoteTableWritten(DeviceState& state, int table);

}  // namespace emu
