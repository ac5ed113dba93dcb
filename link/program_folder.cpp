#include "program_folder.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <unistd.h>
#endif

namespace {

std::mutex gFolderMutex;
std::string gFolderOverride;

std::string FolderOfExecutable() {
#ifdef _WIN32
  char path[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full(path, n);
#else
  char path[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string full = n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string("./");
#endif
  const auto cut = full.find_last_of(PathSeparator());
  return cut == std::string::npos ? std::string(".") + PathSeparator() : full.substr(0, cut + 1);
}

}  // namespace

char PathSeparator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

std::string ProgramFolder() {
  std::lock_guard lock(gFolderMutex);
  if (!gFolderOverride.empty()) return gFolderOverride;
  return FolderOfExecutable();
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard lock(gFolderMutex);
  gFolderOverride = folder;
  if (!gFolderOverride.empty() && gFolderOverride.back() != PathSeparator()) {
    gFolderOverride += PathSeparator();
  }
}
