#include "emulator_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::string MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vkt53-emu-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  return pattern;
}

// Reads the first line the emulator prints, waiting at most `limit`.
std::string ReadFirstLine(int fd, std::chrono::milliseconds limit) {
  std::string line;
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c;
    if (read(fd, &c, 1) != 1) break;
    if (c == '\n') return line;
    line += c;
  }
  throw std::runtime_error("the emulator did not print its terminal path");
}

}  // namespace

EmulatorProcess::EmulatorProcess(const std::string& program,
                                 const std::vector<std::string>& options) {
  folder_ = MakeFolder();
  link_ = folder_ + "/ttyEMU";
  std::vector<std::string> args = {program, "--link", link_};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  stdoutFd_ = out[0];
  if (rc != 0) throw std::runtime_error("cannot start " + program);
  terminal_ = ReadFirstLine(stdoutFd_, std::chrono::seconds(10));
}

EmulatorProcess::~EmulatorProcess() {
  Stop();
  if (stdoutFd_ >= 0) close(stdoutFd_);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

int EmulatorProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
