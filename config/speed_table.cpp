#include "config/speed_table.h"

namespace vkt53 {

int IndexOfSpeed(int32_t speed) {
  for (int i = 0; i < kSpeedCount; ++i) {
    if (kExchangeSpeeds[i] == speed) return i;
  }
  return -1;
}

int32_t SpeedOfIndex(int index) {
  if (index < 0 || index >= kSpeedCount) return 0;
  return kExchangeSpeeds[index];
}

}  // namespace vkt53
