#include "config/speed_list.h"

#include <charconv>

#include "config/speed_table.h"

namespace vkt53 {

SpeedListContent FillSpeedList(uint32_t speedMask, int storedSpeedIndex) {
  SpeedListContent list;
  for (int index = 0; index < kSpeedCount; ++index) {
    if ((speedMask & (1u << index)) == 0) continue;
    if (index == storedSpeedIndex) list.selectedItem = static_cast<int>(list.items.size());
    list.items.push_back(std::to_string(SpeedOfIndex(index)));
  }
  return list;
}

SpeedListContent FillAllSpeedsList(int storedSpeedIndex) {
  constexpr uint32_t kEverySpeed = (1u << kSpeedCount) - 1;
  return FillSpeedList(kEverySpeed, storedSpeedIndex);
}

int SpeedIndexOfItem(const std::string& itemText) {
  int32_t speed = 0;
  const char* end = itemText.data() + itemText.size();
  const auto [stop, error] = std::from_chars(itemText.data(), end, speed);
  if (error != std::errc() || stop != end) return -1;
  return IndexOfSpeed(speed);
}

}  // namespace vkt53
