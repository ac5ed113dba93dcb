// The pseudo-terminal that stands in for the device's serial port.
//
// The emulator keeps its own descriptor of the terminal side (the "slave")
// open for its whole life: the terminal and its settings then outlive every
// client, and the controlling side never sees hang-ups when a client closes
// the port and opens it again.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a raw terminal (8 data bits, no echo, no line editing, no output
  // processing) at `bitRate`. False with a reason in `error` on failure.
  bool Open(int32_t bitRate, std::string* error);

  const std::string& path() const { return path_; }
  int controlFd() const { return control_; }  // where the device reads and writes
  int watchFd() const { return watch_; }      // readable when a descriptor of the terminal closed

  // The bit rate the client has set on the terminal.
  int32_t ClientBitRate() const;

  // Handles what watchFd() reported. Once no process but the emulator has
  // the terminal open, the client has gone: releases its exclusive mode (it
  // would outlive the client, since the emulator's own descriptor keeps the
  // terminal open, and shut the client out when it opens the port again),
  // drops answers nobody will read and returns true. Another program that
  // opens and closes the terminal while the client holds it ends nothing.
  bool HandleClientClose();

 private:
  int control_ = -1;
  int keeper_ = -1;
  int watch_ = -1;
  std::string path_;
};

}  // namespace emu
