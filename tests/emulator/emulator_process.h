// Runs the real vkt53-emu for a test, the way the tool meets it: a process
// with a terminal behind a symbolic link. The process is killed and reaped
// when the object goes, whatever the test's outcome.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

// A fresh folder under /tmp, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class EmulatorProcess {
 public:
  // Starts vkt53-emu with `args` and "--link <folder>/tty", and waits for the
  // first line of its output, the terminal's path. Throws if it does not come.
  EmulatorProcess(const TempFolder& folder, const std::vector<std::string>& args);
  ~EmulatorProcess();
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  const std::string& terminalPath() const { return terminalPath_; }
  const std::string& linkPath() const { return linkPath_; }

  // Sends `signal`, then waits up to `deadline` for the exit; returns the
  // exit status, or -1 if it did not exit normally in time.
  int Stop(int signal = SIGTERM, std::chrono::milliseconds deadline = std::chrono::seconds(5));

  // What it wrote to standard error so far.
  std::string ErrorOutput() const;

 private:
  void ReadTerminalPath(std::chrono::milliseconds deadline);

  pid_t pid_ = -1;
  int output_ = -1;
  std::string linkPath_;
  std::string errorPath_;
  std::string terminalPath_;
};

// Runs vkt53-emu with `args` to its end (for options that end it at once);
// returns the exit status and what it wrote to standard output and error.
struct FinishedRun {
  int status = -1;
  std::string output;
  std::string errors;
};
FinishedRun RunEmulatorToEnd(const std::vector<std::string>& args,
                             std::chrono::milliseconds deadline = std::chrono::seconds(5));
