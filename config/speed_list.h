// What a speed list control shows: the speeds offered, as decimal text of
// their bit/s in table order, and which of them to select.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vkt53 {

struct SpeedListContent {
  std::vector<std::string> items;
  std::optional<int> selectedItem;  // position in items; none when the stored speed is not offered

  bool operator==(const SpeedListContent&) const = default;
};

// The speeds whose mask bits 0..21 are set, and the item of the stored speed
// index. The editors select it at once; the unit dialog keeps it as the speed
// to select when the unit is connected.
SpeedListContent FillSpeedList(uint32_t speedMask, int storedSpeedIndex);

// All 22 speeds, the item at the stored speed index selected (none above 21);
// the file editor's list, which has no device mask to go by.
SpeedListContent FillAllSpeedsList(int storedSpeedIndex);

// Speed index of a list item's text (IndexOfSpeed of its decimal value);
// -1 when the text is not a speed of the table.
int SpeedIndexOfItem(const std::string& itemText);

}  // namespace vkt53
