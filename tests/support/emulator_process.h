// Runs the real vkt53-emu for a test or a benchmark, the way the tool meets
// it: a process with a terminal behind a symbolic link. The process is killed
// and reaped when the object goes, whatever the test's outcome.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace vkt53 {

#ifndef VKT53_EMU_PATH
#error "VKT53_EMU_PATH names the emulator program"
#endif

class EmulatorProcess {
 public:
  // Starts the emulator with `args` and "--link <folder>/tty" and waits for
  // the first line of its output, the terminal's path. Throws if it does not
  // come. The folder is the caller's, so that a state file kept there
  // outlives the process (a restart finds it).
  EmulatorProcess(const TempFolder& folder, const std::vector<std::string>& args,
                  const std::string& program = VKT53_EMU_PATH);
  // The same in a folder of its own.
  EmulatorProcess(const std::string& program, const std::vector<std::string>& args);
  ~EmulatorProcess();
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  const std::string& terminalPath() const { return terminalPath_; }
  const std::string& linkPath() const { return linkPath_; }
  const std::string& folder() const { return folder_; }

  // Sends `signal`, then waits up to `deadline` for the exit; returns the
  // exit status, or -1 if it did not exit normally in time.
  int Stop(int signal = SIGTERM, std::chrono::milliseconds deadline = std::chrono::seconds(5));

  // What it wrote to standard error so far.
  std::string ErrorOutput() const;

 private:
  void Start(const std::vector<std::string>& args, const std::string& program);
  void ReadTerminalPath(std::chrono::milliseconds deadline);

  std::unique_ptr<TempFolder> ownFolder_;
  std::string folder_;
  pid_t pid_ = -1;
  int output_ = -1;
  std::string linkPath_;
  std::string errorPath_;
  std::string terminalPath_;
};

// Runs the emulator with `args` to its end (for options that end it at once);
// returns the exit status and what it wrote to standard output and error.
struct FinishedRun {
  int status = -1;
  std::string output;
  std::string errors;
};
FinishedRun RunEmulatorToEnd(const std::vector<std::string>& args,
                             std::chrono::milliseconds deadline = std::chrono::seconds(5));

}  // namespace vkt53
