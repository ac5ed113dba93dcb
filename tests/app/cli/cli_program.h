// The real vkt53-cli, run as a script runs it: a copy of the program in a
// folder of the test's own, so that the settings file and the port map it
// finds beside itself are the test's, and each run with its standard output
// and error captured and a bounded wait for its end.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace vkt53 {

#ifndef VKT53_CLI_PATH
#error "VKT53_CLI_PATH names the vkt53-cli program"
#endif

struct CliRun {
  int status = -1;  // the exit code; -1 when it did not end in time or was killed
  std::string out;
  std::string err;
  bool signalled = false;  // the SignalWhen's signal was sent
};

// A signal sent to the program while it runs, as soon as `when` holds
// (asked every few milliseconds until the program ends).
struct SignalWhen {
  int signal = 0;
  std::function<bool()> when;
};

class CliProgram {
 public:
  CliProgram();  // copies the program and creates its INI folder

  const std::string& folder() const { return folder_.path(); }
  std::string File(const std::string& name) const { return folder_.File(name); }

  // INI/comports and INI/vkt53.ini beside the program.
  void WritePortMap(const std::string& text) const;
  void WriteSettingsFile(const std::string& bytes) const;

  // Runs the program with args; fails the test (and kills it) when it has
  // not ended within the deadline.
  CliRun Run(const std::vector<std::string>& args,
             std::chrono::milliseconds deadline = std::chrono::seconds(60),
             const SignalWhen* signal = nullptr) const;

 private:
  TempFolder folder_;
  std::string program_;
};

}  // namespace vkt53
