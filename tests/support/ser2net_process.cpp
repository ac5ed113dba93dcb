#include "tests/support/ser2net_process.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace vkt53 {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kListenDeadline = std::chrono::seconds(5);
constexpr auto kListenPoll = std::chrono::milliseconds(10);

// Debian installs it in /usr/sbin, which an ordinary user's PATH lacks.
std::string Ser2netProgram() {
  for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
    if (access(path, X_OK) == 0) return path;
  }
  throw std::runtime_error("ser2net is not installed (scripts/setup.sh installs it)");
}

// Whether /proc/net/tcp lists 127.0.0.1:port listening.
bool Listening(uint16_t port) {
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (local == wanted && state == "0A") return true;  // TCP_LISTEN
  }
  return false;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

uint16_t FreeTcpPort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (s >= 0) close(s);
    throw std::runtime_error("no free TCP port on 127.0.0.1");
  }
  close(s);
  return ntohs(address.sin_port);
}

Ser2netProcess::Ser2netProcess(const std::string& terminalPath, const std::string& line)
    : rfc2217Port_(FreeTcpPort()), rawPort_(FreeTcpPort()) {
  const std::string connector = "  connector: serialdev," + terminalPath + "," + line + ",local\n";
  std::ofstream(folder_.File("ser2net.yaml"))
      << "connection: &rfc2217\n"
      << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217Port_ << "\n"
      << connector << "connection: &raw\n"
      << "  accepter: tcp,127.0.0.1," << rawPort_ << "\n"
      << connector;
  Start();
}

Ser2netProcess::~Ser2netProcess() { Kill(); }

std::string Ser2netProcess::Rfc2217Url() const {
  return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_);
}

std::string Ser2netProcess::RawTcpUrl() const {
  return "tcp://127.0.0.1:" + std::to_string(rawPort_);
}

// In the foreground (-n), without UUCP lock files (-u: /var/lock is root's),
// its pid file in the test's folder.
void Ser2netProcess::Start() {
  const std::string program = Ser2netProgram();
  std::vector<std::string> args = {
      program, "-n", "-u", "-c", folder_.File("ser2net.yaml"), "-P", folder_.File("ser2net.pid")};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, folder_.File("output.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + program);
  }
  const auto end = Clock::now() + kListenDeadline;
  while (!(Listening(rfc2217Port_) && Listening(rawPort_))) {
    if (Clock::now() > end) {
      Kill();
      throw std::runtime_error("ser2net does not listen; it said: " + Output());
    }
    std::this_thread::sleep_for(kListenPoll);
  }
}

void Ser2netProcess::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void Ser2netProcess::Restart() {
  Kill();
  Start();
}

std::string Ser2netProcess::Output() const { return ReadWholeFile(folder_.File("output.txt")); }

}  // namespace vkt53
