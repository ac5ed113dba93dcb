#include "tests/support/emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace vkt53 {

namespace {

using Clock = std::chrono::steady_clock;

struct Spawned {
  pid_t pid = -1;
  int output = -1;  // read end of its standard output
};

Spawned Spawn(const std::string& program, const std::vector<std::string>& args,
              const std::string& errorPath) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  Spawned spawned;
  const int failed =
      posix_spawn(&spawned.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (failed != 0) {
    close(pipeFds[0]);
    throw std::runtime_error("cannot start " + program);
  }
  spawned.output = pipeFds[0];
  return spawned;
}

// Reads from fd until `done` says so, end of file, or the deadline.
template <typename Done>
std::string ReadUntil(int fd, Clock::time_point end, Done done) {
  std::string text;
  while (!done(text)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// Waits for the process to end: a pidfd becomes readable when it does.
int WaitForExit(pid_t pid, std::chrono::milliseconds deadline) {
  const int processFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (processFd < 0) return -1;
  pollfd p{processFd, POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(deadline.count()));
  close(processFd);
  int status = 0;
  if (ready <= 0 || waitpid(pid, &status, WNOHANG) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

EmulatorProcess::EmulatorProcess(const TempFolder& folder, const std::vector<std::string>& args,
                                 const std::string& program)
    : folder_(folder.path()) {
  Start(args, program);
}

EmulatorProcess::EmulatorProcess(const std::string& program, const std::vector<std::string>& args)
    : ownFolder_(std::make_unique<TempFolder>()), folder_(ownFolder_->path()) {
  Start(args, program);
}

void EmulatorProcess::Start(const std::vector<std::string>& args, const std::string& program) {
  linkPath_ = folder_ + "/tty";
  errorPath_ = folder_ + "/emulator-errors.txt";
  std::vector<std::string> all = args;
  all.insert(all.end(), {"--link", linkPath_});
  const Spawned spawned = Spawn(program, all, errorPath_);
  pid_ = spawned.pid;
  output_ = spawned.output;
  ReadTerminalPath(std::chrono::seconds(10));
}

EmulatorProcess::~EmulatorProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

void EmulatorProcess::ReadTerminalPath(std::chrono::milliseconds deadline) {
  const std::string text = ReadUntil(output_, Clock::now() + deadline, [](const std::string& t) {
    return t.find('\n') != std::string::npos;
  });
  const auto newline = text.find('\n');
  if (newline == std::string::npos) {
    throw std::runtime_error("the emulator printed no terminal path; it said: " + ErrorOutput());
  }
  terminalPath_ = text.substr(0, newline);
}

int EmulatorProcess::Stop(int signal, std::chrono::milliseconds deadline) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  const int status = WaitForExit(pid_, deadline);
  if (status >= 0) pid_ = -1;
  return status;
}

std::string EmulatorProcess::ErrorOutput() const { return ReadWholeFile(errorPath_); }

FinishedRun RunEmulatorToEnd(const std::vector<std::string>& args,
                             std::chrono::milliseconds deadline) {
  TempFolder folder;
  const std::string errorPath = folder.File("errors.txt");
  const Spawned spawned = Spawn(VKT53_EMU_PATH, args, errorPath);
  const auto end = Clock::now() + deadline;
  FinishedRun run;
  run.output = ReadUntil(spawned.output, end, [](const std::string&) { return false; });
  close(spawned.output);
  run.status = WaitForExit(spawned.pid, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::max(end - Clock::now(), Clock::duration::zero())));
  if (run.status < 0) {
    kill(spawned.pid, SIGKILL);
    waitpid(spawned.pid, nullptr, 0);
  }
  run.errors = ReadWholeFile(errorPath);
  return run;
}

}  // namespace vkt53
