#include "support/hex_text.h"

#include <cstdio>

namespace vkt53 {

std::string HexText(std::span<const uint8_t> bytes) {
  std::string text;
  char hex[4];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", b);
    text += hex;
  }
  return text;
}

}  // namespace vkt53
