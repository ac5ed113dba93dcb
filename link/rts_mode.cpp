#include "link/rts_mode.h"

namespace vkt53 {

const char* RtsModeWord(RtsMode mode) {
  switch (mode) {
    case RtsMode::Inverted: return "inverted";
    case RtsMode::Off: return "off";
    case RtsMode::Normal: break;
  }
  return "normal";
}

std::optional<RtsMode> RtsModeOfWord(std::string_view word) {
  for (RtsMode mode : {RtsMode::Normal, RtsMode::Inverted, RtsMode::Off}) {
    if (word == RtsModeWord(mode)) return mode;
  }
  return std::nullopt;
}

}  // namespace vkt53
