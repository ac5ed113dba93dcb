#include "config/config_record.h"

#include "support/byte_order.h"

namespace vkt53 {

static_assert(kSpeedMaskSize == 4, "a speed mask is one 32-bit number");

std::span<uint8_t, kIdentificationSize> ConfigRecord::Identification() {
  return std::span<uint8_t, kIdentificationSize>(bytes.data() + kIdentificationOffset,
                                                 kIdentificationSize);
}
std::span<const uint8_t, kIdentificationSize> ConfigRecord::Identification() const {
  return std::span<const uint8_t, kIdentificationSize>(bytes.data() + kIdentificationOffset,
                                                       kIdentificationSize);
}

std::span<uint8_t, kLinkParametersSize> ConfigRecord::LinkParameters() {
  return std::span<uint8_t, kLinkParametersSize>(bytes.data() + kLinkParametersOffset,
                                                 kLinkParametersSize);
}
std::span<const uint8_t, kLinkParametersSize> ConfigRecord::LinkParameters() const {
  return std::span<const uint8_t, kLinkParametersSize>(bytes.data() + kLinkParametersOffset,
                                                       kLinkParametersSize);
}

std::span<uint8_t, kModemFieldSize> ConfigRecord::ModemField() {
  return std::span<uint8_t, kModemFieldSize>(bytes.data() + kModemFieldOffset, kModemFieldSize);
}
std::span<const uint8_t, kModemFieldSize> ConfigRecord::ModemField() const {
  return std::span<const uint8_t, kModemFieldSize>(bytes.data() + kModemFieldOffset,
                                                   kModemFieldSize);
}

std::span<uint8_t, kUnitAddressCount> ConfigRecord::UnitLinkBytes() {
  return std::span<uint8_t, kUnitAddressCount>(bytes.data() + kUnitLinkBytesOffset,
                                               kUnitAddressCount);
}
std::span<const uint8_t, kUnitAddressCount> ConfigRecord::UnitLinkBytes() const {
  return std::span<const uint8_t, kUnitAddressCount>(bytes.data() + kUnitLinkBytesOffset,
                                                     kUnitAddressCount);
}

uint32_t ConfigRecord::MasterSpeedMask() const {
  return GetUint32Le(bytes.data() + kMasterSpeedMaskOffset);
}
void ConfigRecord::SetMasterSpeedMask(uint32_t mask) {
  PutUint32Le(bytes.data() + kMasterSpeedMaskOffset, mask);
}
uint32_t ConfigRecord::UnitSpeedMask() const {
  return GetUint32Le(bytes.data() + kUnitSpeedMaskOffset);
}
void ConfigRecord::SetUnitSpeedMask(uint32_t mask) {
  PutUint32Le(bytes.data() + kUnitSpeedMaskOffset, mask);
}

void ConfigRecord::SetAllSpeedsAvailable() {
  SetMasterSpeedMask(kAllSpeedsMask);
  SetUnitSpeedMask(kAllSpeedsMask);
}

uint8_t MakeUnitLinkByte(uint8_t portCode, uint8_t speedIndex) {
  return static_cast<uint8_t>(((portCode & kUnitPortCodeMask) << kUnitPortCodeShift) |
                              (speedIndex & kUnitSpeedIndexMask));
}

uint8_t PortCodeOfUnitLinkByte(uint8_t linkByte) {
  return static_cast<uint8_t>((linkByte >> kUnitPortCodeShift) & kUnitPortCodeMask);
}

uint8_t SpeedIndexOfUnitLinkByte(uint8_t linkByte) {
  return static_cast<uint8_t>(linkByte & kUnitSpeedIndexMask);
}

}  // namespace vkt53
