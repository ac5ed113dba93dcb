#include "emulator/device_state.h"

#include <algorithm>
#include <iterator>

#include "config/speed_table.h"

using vkt53::kSpeedCount;
using vkt53::SpeedOfIndex;

namespace emu {

namespace {

constexpr int kFallbackSpeedIndex = 2;  // 1200 bit/s
constexpr uint32_t kAllSpeeds = (1u << kSpeedCount) - 1;

// Build 25.03.17 09:05:00, little-endian, multi-speed, protocol 1.2.0.
constexpr std::array<uint8_t, kIdentificationSize> kDefaultIdentification = {
    0, 8, 1, 3, 25, 3, 17, 9, 5, 0, 1, 1, 0, 0, 1, 2, 0};

// 1200 bit/s, 3 answer preambles, 5 request preambles, low priority.
constexpr std::array<uint8_t, kLinkParameterCount> kDefaultLinkParameters = {2, 3, 5, 1, 0, 0, 0};

int LowestFlaggedTable(const DeviceState& state) {
  for (int table = 1; table < kTableCount; ++table) {
    if (state.restoreFlags[table] != 0) return table;
  }
  return 0;
}

}  // namespace

TableLayout LayoutOfTable(int table) {
  switch (table) {
    case 0:
      return {true, false, kIdentificationSize, 1};
    case 1:
      return {true, false, kSpeedMaskCount, 4};
    case 3:
      return {true, true, kLinkParameterCount, 1};
    case 5:
      return {true, true, 1, kModemCommandSize};
    case 6:
      return {true, true, kUnitCount, 1};
    case 7:
      return {true, false, kTableCount, 1};
    default:
      return {};
  }
}

std::span<uint8_t> TableBytes(DeviceState& state, int table) {
  switch (table) {
    case 0:
      return state.identification;
    case 1:
      return state.speedAvailability;
    case 3:
      return state.linkParameters;
    case 5:
      return state.modemCommand;
    case 6:
      return state.unitLinks;
    case 7:
      return state.restoreFlags;
    default:
      return {};
  }
}

std::span<const uint8_t> TableBytes(const DeviceState& state, int table) {
  return TableBytes(const_cast<DeviceState&>(state), table);
}

DeviceState DefaultDeviceState() {
  DeviceState state;
  state.identification = kDefaultIdentification;
  state.linkParameters = kDefaultLinkParameters;
  SetSpeedMask(state, 0, kAllSpeeds);
  SetSpeedMask(state, 1, kAllSpeeds);
  const uint8_t modem[] = {'A', 'T', 'Z', '\r'};
  std::copy(std::begin(modem), std::end(modem), state.modemCommand.begin());
  return state;
}

uint32_t SpeedMask(const DeviceState& state, size_t which) {
  uint32_t mask = 0;
  for (size_t i = 0; i < 4; ++i)
    mask |= uint32_t{state.speedAvailability[4 * which + i]} << (8 * i);
  return mask;
}

void SetSpeedMask(DeviceState& state, size_t which, uint32_t mask) {
  for (size_t i = 0; i < 4; ++i) {
    state.speedAvailability[4 * which + i] = static_cast<uint8_t>(mask >> (8 * i));
  }
}

int32_t MasterBitRate(const DeviceState& state) {
  const int32_t speed = SpeedOfIndex(state.linkParameters[kMasterSpeedIndexField]);
  return speed != 0 ? speed : SpeedOfIndex(kFallbackSpeedIndex);
}

void MarkTableCorrupted(DeviceState& state, int table) {
  if (table <= 0 || table >= kTableCount) {
    state.restoreFlags.fill(0);
    state.identification[kCorruptedTableByte] = 0;
    return;
  }
  state.restoreFlags[table] = 1;
  state.identification[kCorruptedTableByte] = static_cast<uint8_t>(table);
}

void NoteTableWritten(DeviceState& state, int table) {
  if (table < 0 || table >= kTableCount) return;
  state.restoreFlags[table] = 0;
  const uint8_t named = state.identification[kCorruptedTableByte];
  if (named > 0 && named < kTableCount && state.restoreFlags[named] != 0) return;
  state.identification[kCorruptedTableByte] = static_cast<uint8_t>(LowestFlaggedTable(state));
}

}  // namespace emu
