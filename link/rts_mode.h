// How the line's direction is switched around each request. An RS-485
// converter driven by RTS enables its transmitter on RTS raised (normal) or,
// on some converters, on RTS dropped (inverted); converters and device
// servers that switch direction by themselves want RTS left alone (off).
// The mode is named per port, in the port's line of INI/comports
// ("COM3=/dev/ttyUSB0 rts=inverted"), and `vkt53-cli --rts` overrides it.
#pragma once

#include <optional>
#include <string_view>

namespace vkt53 {

enum class RtsMode { Normal, Inverted, Off };

// "normal", "inverted", "off": the word of INI/comports and --rts.
const char* RtsModeWord(RtsMode mode);
std::optional<RtsMode> RtsModeOfWord(std::string_view word);

}  // namespace vkt53
