// The symbolic link through which clients find the emulator's terminal.
#pragma once

#include <string>

namespace emu {

// Makes `link` point at `target`, replacing a symbolic link already there
// to a pseudo-terminal that is gone (left by an emulator that did not end
// cleanly). Anything else at `link` is left alone and reported.
bool CreateTerminalLink(const std::string& link, const std::string& target, std::string* error);

// Removes `link` if it still points at `target`: another emulator may have
// taken the name over since.
void RemoveTerminalLink(const std::string& link, const std::string& target);

}  // namespace emu
