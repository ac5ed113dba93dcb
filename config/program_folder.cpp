#include "config/program_folder.h"

#ifdef _WIN32
#include "config/windows_api.h"

#include "config/wide_text.h"
#else
#include <limits.h>
#include <unistd.h>
#endif

namespace vkt53 {

namespace {

std::string gFolderOverride;

std::string FolderOfExecutable() {
#ifdef _WIN32
  // Wide, then UTF-8 like every path of the program: the ANSI call would give
  // a folder such as "C:\vkt53 Тест\" in the machine's code page, or as "?".
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string(".") + PathSeparator();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // cut short: a longer path than MAX_PATH
  }
  const std::string full = Utf8FromWide(path);
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
  if (!gFolderOverride.empty()) return gFolderOverride;
  return FolderOfExecutable();
}

void SetProgramFolder(const std::string& folder) {
  gFolderOverride = folder;
  if (!gFolderOverride.empty() && gFolderOverride.back() != PathSeparator()) {
    gFolderOverride += PathSeparator();
  }
}

}  // namespace vkt53
