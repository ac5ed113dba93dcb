// The device's state as a plain text file, so that a configuration written
// by the tool survives a restart and a person can read and edit it.
//
// One "key = value" a line; a line whose first non-blank character is '#' is
// a comment. Keys, applied in file order (a later line wins):
//   address = N                    device address 0..254
//   type = N, hardware = N, software = N
//                                  identification bytes 1, 2 and 3
//   master_speed_index = N         table 3 field 0 (the master speed)
//   master_speed_mask = 0xHHHHHHHH table 1 field 0
//   unit_speed_mask = 0xHHHHHHHH   table 1 field 1
//   modem = TEXT                   table 5: TEXT, a carriage return, zeros
//   tableT = HH HH ...             bytes of table T (0, 1, 3, 5, 6, 7) from byte 0
//   tableT.N = HH HH ...           bytes of table T from byte N on
// Numbers are decimal or 0x-prefixed hexadecimal; table bytes are always
// hexadecimal, with or without 0x. A UTF-8 byte-order mark at the start of
// the text is skipped. The file the emulator writes uses the table lines only.
#pragma once

#include <string>

#include "emulator/device_state.h"

namespace emu {

// Applies the lines of `text` to `state`. On a bad line returns false with
// the line number and the reason in `error`; lines before it stay applied.
bool ApplyStateText(const std::string& text, DeviceState& state, std::string* error);

std::string StateText(const DeviceState& state);

bool LoadStateFile(const std::string& path, DeviceState& state, std::string* error);

// Whether SaveStateFile can write `path`, found by making and removing a
// file where it would make its own. False with the reason in `error`.
bool CheckStatePath(const std::string& path, std::string* error);

// Writes a temporary file beside `path` and renames it over `path`, so that
// a reader never sees half a state.
bool SaveStateFile(const std::string& path, const DeviceState& state, std::string* error);

}  // namespace emu
