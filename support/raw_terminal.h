// Linux terminals as the program, the emulator and the tests use them: a
// raw 8-bit line, and new pseudo-terminals.
#pragma once

#include <string>

namespace vkt53 {

// Raw 8-bit line: no input or output processing, no echo, no signals, no
// flow control (RTS is the transmit enable and must stay under the
// exchange's hand), receiver on, modem status lines ignored. VMIN 1 and
// VTIME 0 so that poll() reports the first byte that comes (with a larger
// VMIN it would wait for that many). Data bits, parity and bit rate stay.
bool MakeRawTerminal(int fd);

// Opens a new pseudo-terminal: returns its controlling side, opened
// read-write with `flags` added (O_NOCTTY and O_CLOEXEC always), and sets
// terminalPath to its terminal side. -1 on failure, with errno set.
int OpenPseudoTerminal(int flags, std::string& terminalPath);

}  // namespace vkt53
