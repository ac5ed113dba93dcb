// The commands of vkt53-cli: the jobs of the program's windows for scripts
// and for many devices, on the program's own core. Each command writes what
// a person reads (Russian) or, with --json, one JSON object to `out`,
// failures and notices to `err`, and returns the exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/command_outcome.h"

namespace vkt53 {

// The whole program: parses args (without the program's name) and runs the
// command. The link settings' defaults come from the settings file in the
// INI folder beside the program, which is never written.
int RunCli(const std::vector<std::string>& args, const CliStreams& streams);

// One parsed command, with the link settings the settings file holds.
int RunCommand(const CommandLine& line, const CliStreams& streams);

// Runs `command` (the command of `line`) so that the program never ends
// abnormally: an exception that escapes it is reported like the command's
// own failures, a file-system error as the file error it is (exit 4),
// anything else as a failure (exit 1).
int RunCaught(const CommandLine& line, const CliStreams& streams,
              const std::function<int()>& command);

}  // namespace vkt53
