// Bytes as upper-case hex pairs separated by blanks: "CC 00 0C". The one
// form in which the monitor, the terminal tool, the check after a write and
// the emulator show raw bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vkt53 {

std::string HexText(std::span<const uint8_t> bytes);

}  // namespace vkt53
