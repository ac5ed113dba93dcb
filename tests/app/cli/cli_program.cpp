#include "tests/app/cli/cli_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace vkt53 {

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kSignalCheckMs = 10;  // how often SignalWhen's condition is asked

void WriteText(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

CliProgram::CliProgram() : program_(folder_.File("vkt53-cli")) {
  std::filesystem::copy_file(VKT53_CLI_PATH, program_);
  std::filesystem::create_directory(folder_.File("INI"));
}

void CliProgram::WritePortMap(const std::string& text) const {
  WriteText(folder_.File("INI/comports"), text);
}

void CliProgram::WriteSettingsFile(const std::string& bytes) const {
  WriteText(folder_.File("INI/vkt53.ini"), bytes);
}

CliRun CliProgram::Run(const std::vector<std::string>& args, std::chrono::milliseconds deadline,
                       const SignalWhen* signal) const {
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  std::vector<std::string> all = {program_};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (failed != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    throw std::runtime_error("cannot start " + program_);
  }

  CliRun run;
  const Clock::time_point end = Clock::now() + deadline;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* into[2] = {&run.out, &run.err};
  int open = 2;
  bool late = false;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) {
      late = true;
      break;
    }
    const bool watching = signal && !run.signalled;
    const int wait =
        static_cast<int>(watching ? std::min<long>(left.count(), kSignalCheckMs) : left.count());
    const int ready = poll(fds, 2, wait);
    if (watching && signal->when()) {
      kill(pid, signal->signal);
      run.signalled = true;
    }
    if (ready <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        into[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (const pollfd& p : fds) {
    if (p.fd >= 0) close(p.fd);
  }
  if (late) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (late) {
    ADD_FAILURE() << "vkt53-cli did not end within " << deadline.count()
                  << " ms; it said: " << run.err;
    return run;
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace vkt53
