#include "config/config_image.h"

#include <algorithm>

namespace vkt53 {

namespace {

constexpr uint8_t kDefaultMasterSpeedIndex = 2;  // 1200 bit/s
constexpr uint8_t kDefaultAnswerPreambles = 3;
constexpr uint8_t kDefaultRequestPreambles = 5;
constexpr uint8_t kDefaultPriority = 1;  // " Низкий"

bool IsConnectedPortCode(uint8_t portCode) { return portCode >= kPortA && portCode <= kPortC; }

}  // namespace

UnitEntry GetUnitEntry(const ConfigImage& image, int address) {
  const std::size_t at = UnitEntryOffset(address);
  return UnitEntry{image.bytes[at + ConfigImage::kConnectedFlagByte],
                   image.bytes[at + ConfigImage::kPortCodeByte],
                   image.bytes[at + ConfigImage::kSpeedIndexByte]};
}

void SetUnitEntry(ConfigImage& image, int address, const UnitEntry& entry) {
  const std::size_t at = UnitEntryOffset(address);
  image.bytes[at + ConfigImage::kConnectedFlagByte] = entry.connected;
  image.bytes[at + ConfigImage::kPortCodeByte] = entry.portCode;
  image.bytes[at + ConfigImage::kSpeedIndexByte] = entry.speedIndex;
}

void NewConfigurationImage(ConfigImage& image) {
  image.bytes.fill(0);
  image.bytes[kMasterSpeedIndexField] = kDefaultMasterSpeedIndex;
  image.bytes[kAnswerPreambleCountField] = kDefaultAnswerPreambles;
  image.bytes[kRequestPreambleCountField] = kDefaultRequestPreambles;
  image.bytes[kPriorityField] = kDefaultPriority;
}

void ImageFromRecord(const ConfigRecord& record, ConfigImage& image) {
  std::ranges::copy(record.LinkParameters(),
                    image.bytes.begin() + ConfigImage::kLinkParametersOffset);
  std::ranges::copy(record.ModemField(), image.bytes.begin() + ConfigImage::kModemFieldOffset);
  const auto linkBytes = record.UnitLinkBytes();
  for (int address = 0; address < static_cast<int>(kUnitAddressCount); ++address) {
    const uint8_t linkByte = linkBytes[static_cast<std::size_t>(address)];
    const uint8_t portCode = PortCodeOfUnitLinkByte(linkByte);
    // Port codes 4..7 name no port: shown as not connected, the code kept.
    const uint8_t connected = IsConnectedPortCode(portCode) ? 1 : 0;
    SetUnitEntry(image, address,
                 UnitEntry{connected, portCode, SpeedIndexOfUnitLinkByte(linkByte)});
  }
}

void RecordFromImage(const ConfigImage& image, ConfigRecord& record) {
  const auto imageAt = [&image](std::size_t offset) { return image.bytes.begin() + offset; };
  std::copy(imageAt(ConfigImage::kLinkParametersOffset),
            imageAt(ConfigImage::kLinkParametersOffset + kLinkParametersSize),
            record.LinkParameters().begin());
  std::copy(imageAt(ConfigImage::kModemFieldOffset),
            imageAt(ConfigImage::kModemFieldOffset + kModemFieldSize), record.ModemField().begin());
  auto linkBytes = record.UnitLinkBytes();
  for (int address = 0; address < static_cast<int>(kUnitAddressCount); ++address) {
    const UnitEntry entry = GetUnitEntry(image, address);
    const uint8_t portCode = entry.connected != 0 ? entry.portCode : 0;
    linkBytes[static_cast<std::size_t>(address)] = MakeUnitLinkByte(portCode, entry.speedIndex);
  }
}

}  // namespace vkt53
