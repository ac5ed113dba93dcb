#include "emulator/terminal_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace emu {

namespace {

std::string LinkTarget(const std::string& link) {
  std::vector<char> target(4096);
  const ssize_t n = readlink(link.c_str(), target.data(), target.size() - 1);
  return n > 0 ? std::string(target.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace

bool CreateTerminalLink(const std::string& link, const std::string& target, std::string* error) {
  struct stat existing {};
  if (lstat(link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    *error = link + " exists and is not a symbolic link";
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
