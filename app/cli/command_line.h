// The terminal program's command line: the command, its files and its
// options, checked for what can be checked without a device or a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/rts_mode.h"

namespace vkt53 {

enum class CliCommand { None, Ports, Identify, Read, Write, Restore, Show, Diff, Report };

struct CommandLine {
  CliCommand command = CliCommand::None;
  bool help = false;
  bool json = false;

  // The link: a COM name or a device path; the settings file's port without it.
  std::optional<std::string> port;
  std::optional<int32_t> speed;  // one of the exchange speed table
  bool search = false;           // identify: find the speed first
  // Link settings given as typed; checked against the connection dialog's
  // ranges when the link is set up, in the dialog's order.
  std::optional<std::string> attempts;
  std::optional<std::string> firstByteWait;       // --wait, seconds
  std::optional<std::string> followingBytesWait;  // --byte-wait, ms
  std::optional<std::string> preambles;
  std::optional<std::string> rtsPause;  // ms
  std::optional<RtsMode> rts;           // over the port's line of INI/comports

  std::optional<std::string> output;       // read -o, report -o
  std::vector<std::string> files;          // the command's configuration files, in order
  bool dryRun = false;                     // write
  std::optional<std::vector<int>> tables;  // restore --tables
  std::optional<std::string> log;          // the exchange monitor's lines appended to this file
};

struct ParsedCommandLine {
  CommandLine line;
  std::string error;  // empty when the line is usable
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The command's name as typed ("identify"), "" for None.
const char* CommandName(CliCommand command);

// The help of the program (None) or of one command, in Russian.
std::string HelpText(CliCommand command);

}  // namespace vkt53
