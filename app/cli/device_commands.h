// The commands of vkt53-cli that work on the device: identify it, read its
// configuration into a file, write what a file changes, and restore tables
// from a file, each as the program's windows do it.
#pragma once

#include "app/cli/command_line.h"
#include "app/cli/command_outcome.h"
#include "app/cli/device_link.h"
#include "app/cli/terminal_ui.h"

namespace vkt53 {

// "identify" (--search: find the speed first). A refused device is shown too.
void Identify(const CommandLine& line, DeviceLink& link, Outcome& outcome);

// "read -o FILE.cnf".
void Read(const CommandLine& line, DeviceLink& link, Outcome& outcome);

// "write FILE.cnf": only what differs (--dry-run: the requests, none sent).
void Write(const CommandLine& line, DeviceLink& link, TerminalUi& ui, Outcome& outcome);

// "restore FILE.cnf": the tables the device asks for, or those given.
void Restore(const CommandLine& line, DeviceLink& link, TerminalUi& ui, Outcome& outcome);

}  // namespace vkt53
