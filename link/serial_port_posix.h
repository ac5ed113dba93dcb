// Linux only: how serial_port_posix.cpp writes data bits, parity and stop
// bits into the termios c_cflag word (CSIZE, PARENB, PARODD, CMSPAR, CSTOPB
// as <asm/termbits.h> defines them). Kept apart from the port so that tests
// can check the encoding: a pseudo-terminal of a recent kernel forces CS8 and
// clears PARENB whatever is set, so there it cannot be seen.
#pragma once

#include <cstdint>

#include "link/serial_port.h"

namespace vkt53 {

// Replaces the format bits of cflag. False, leaving cflag alone, for what the
// line cannot carry, refused as Windows' serial driver refuses it: data bits
// other than 5..8, 1.5 stop bits with 6..8 data bits, 2 stop bits with 5
// (the UART has one stop-bit switch, giving 1.5 with 5 data bits, else 2).
bool EncodeLineFormat(const LineSettings& settings, uint32_t& cflag);

// Fills dataBits, parity and stopBits from cflag.
void DecodeLineFormat(uint32_t cflag, LineSettings& settings);

}  // namespace vkt53
