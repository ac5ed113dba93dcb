// Bytes as upper-case hex pairs separated by blanks: "CC 00 0C".
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace emu {

std::string HexText(std::span<const uint8_t> bytes);

}  // namespace emu
