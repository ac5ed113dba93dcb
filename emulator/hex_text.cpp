#include "emulator/hex_text.h"

#include <cstdio>

namespace emu {

std::string HexText(std::span<const uint8_t> bytes) {
  std::string text;
  char hex[4];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", b);
    text += hex;
  }
  return text;
}

}  // namespace emu
