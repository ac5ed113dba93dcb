// The commands of vkt53-cli on configuration files: show one as plain text,
// and the differences between two, or between the device and one.
#pragma once

#include <optional>
#include <string>

#include "app/cli/command_line.h"
#include "app/cli/command_outcome.h"
#include "app/cli/device_link.h"
#include "config/config_image.h"

namespace vkt53 {

// A configuration file for a command; none, with the file error in the
// outcome, when it cannot be read or is no configuration file.
std::optional<ConfigImage> LoadFile(const std::string& path, Outcome& outcome);

// "show FILE.cnf".
void Show(const CommandLine& line, Outcome& outcome);

// "diff BEFORE.cnf AFTER.cnf", or with a link "diff --port P AFTER.cnf":
// what writing the second would change.
void Diff(const CommandLine& line, DeviceLink* link, Outcome& outcome);

// vkt53-cli report: the report of the file, or, with a link, of the
// device's configuration as read now, as HTML.
void Report(const CommandLine& line, DeviceLink* link, Outcome& outcome);

}  // namespace vkt53
