#include "config/unit_row.h"

#include "config/speed_table.h"

namespace vkt53 {

namespace {

std::string PortText(uint8_t portCode) {
  switch (portCode) {
    case kPortA: return "         A";
    case kPortB: return "         B";
    case kPortC: return "         C";
    default: return "         ?";
  }
}

}  // namespace

std::array<std::string, kUnitRowColumns> UnitRowTexts(int address, const UnitEntry& entry) {
  const std::string addressText = "      " + std::to_string(address);
  if (entry.connected == 0) return {addressText, "         Нет", "", ""};
  return {addressText, "         Да", PortText(entry.portCode),
          "        " + std::to_string(SpeedOfIndex(entry.speedIndex))};
}

}  // namespace vkt53
