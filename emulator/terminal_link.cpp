#include "emulator/terminal_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <tuple>
#include <vector>

namespace emu {

namespace {

constexpr std::string_view kTerminalFolder = "/dev/pts/";

std::string LinkTarget(const std::string& link) {
  std::vector<char> target(4096);
  const ssize_t n = readlink(link.c_str(), target.data(), target.size() - 1);
  return n > 0 ? std::string(target.data(), static_cast<size_t>(n)) : std::string();
}

bool Later(const timespec& a, const timespec& b) {
  return std::tie(a.tv_sec, a.tv_nsec) > std::tie(b.tv_sec, b.tv_nsec);
}

// A link to a pseudo-terminal that is gone, as an emulator that did not end
// cleanly leaves it. Terminal numbers are used again: one made after the link
// (a terminal's change time is when it was made) is not the one it named.
bool LinkToGoneTerminal(const std::string& link, const std::string& target) {
  if (!target.starts_with(kTerminalFolder) ||
      target.find('/', kTerminalFolder.size()) != std::string::npos) {
    return false;
  }
  struct stat terminal {};
  if (stat(target.c_str(), &terminal) != 0) return errno == ENOENT;
  struct stat made {};
  return S_ISCHR(terminal.st_mode) && lstat(link.c_str(), &made) == 0 &&
         Later(terminal.st_ctim, made.st_ctim);
}

// Why `link` may not be made to point at `target`; empty when it may.
std::string Obstacle(const std::string& link, const std::string& target) {
  struct stat existing {};
  if (lstat(link.c_str(), &existing) != 0) return {};
  if (!S_ISLNK(existing.st_mode)) return link + " exists and is not a symbolic link";
  const std::string current = LinkTarget(link);
  if (current == target || LinkToGoneTerminal(link, current)) return {};
  return link + " is a symbolic link to " + current + ", not to a terminal that is gone";
}

}  // namespace

bool CreateTerminalLink(const std::string& link, const std::string& target, std::string* error) {
  if (std::string obstacle = Obstacle(link, target); !obstacle.empty()) {
    *error = obstacle + ": left alone";
    return false;
  }
  // Made under a temporary name and renamed, so the name never points nowhere.
  const std::string temporary = link + ".tmp" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0 ||
      std::rename(temporary.c_str(), link.c_str()) != 0) {
    *error = link + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void RemoveTerminalLink(const std::string& link, const std::string& target) {
  if (LinkTarget(link) == target) unlink(link.c_str());
}

}  // namespace emu
