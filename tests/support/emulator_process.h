// A running vkt53-emu on its own pseudo-terminal, for tests and benchmarks
// that need a device. Stopped (SIGTERM, then waited for) when destroyed.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class EmulatorProcess {
 public:
  // Starts the emulator with the given options plus --link in a fresh folder.
  EmulatorProcess(const std::string& program, const std::vector<std::string>& options);
  ~EmulatorProcess();
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  const std::string& terminalPath() const { return terminal_; }  // the first line it prints
  const std::string& linkPath() const { return link_; }
  const std::string& folder() const { return folder_; }         // a private folder for state files

  // Sends SIGTERM and waits (bounded); returns the exit status, -1 if it had to be killed.
  int Stop();

 private:
  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  std::string folder_;
  std::string link_;
  std::string terminal_;
};
