// What a command of vkt53-cli leaves for the person or the script, and how
// it is printed: the result on standard output and failures and notices on
// standard error as Russian text, or with --json one JSON object on standard
// output; and the exit code.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/json_value.h"

namespace vkt53 {

inline constexpr int kExitDone = 0;
inline constexpr int kExitLinkFailure = 1;  // the port, the line or the device failed
inline constexpr int kExitUsage = 2;        // the command line is wrong
inline constexpr int kExitRefused = 3;      // another model or software version
inline constexpr int kExitFileError = 4;    // a configuration file cannot be read or written

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
  bool progressLine = false;  // err is a terminal: show the operation in progress there
};

struct Outcome {
  int exit = kExitDone;
  std::vector<std::string> lines;     // the result, on standard output
  std::vector<std::string> messages;  // failures and notices, on standard error
  JsonValue data = JsonValue::Object();

  Outcome& Fail(int code, std::vector<std::string> text) {
    exit = code;
    messages.insert(messages.end(), text.begin(), text.end());
    return *this;
  }
};

// The outcome as text, or with --json as one JSON object that carries the
// messages and the exit code too.
void PrintOutcome(const CommandLine& line, const Outcome& outcome, const CliStreams& streams);

// A command line that cannot be used: the text and where the help is, or
// with --json one JSON object.
void PrintUsageError(const std::string& text, CliCommand command, bool json,
                     const CliStreams& streams);

}  // namespace vkt53
