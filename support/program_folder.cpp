#include "support/program_folder.h"

#ifdef _WIN32
#include "support/windows_api.h"

#include "support/wide_text.h"

#include <cstdlib>
#else
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
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

// The user's folder that holds the program's own folder: %LOCALAPPDATA% or
// $HOME (the password database's home when HOME is not set); empty when
// there is none.
std::string UserDataHome() {
#ifdef _WIN32
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  return local && *local ? Utf8FromWide(local) : std::string();
#else
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  const passwd* user = getpwuid(getuid());
  return user && user->pw_dir ? user->pw_dir : std::string();
#endif
}

unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// A program under /usr was installed there (the .deb, make install): that
// tree belongs to the system and is left as installed, by root too, who
// could write it.
bool InstalledUnderUsr(const std::string& folder) {
#ifdef _WIN32
  (void)folder;
  return false;
#else
  return folder.rfind("/usr/", 0) == 0;
#endif
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != PathSeparator()) folder += PathSeparator();
  return folder;
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

void SetProgramFolder(const std::string& folder) { gFolderOverride = WithSeparator(folder); }

std::string WorkingFolder() {
  const std::string program = ProgramFolder();
  if (!InstalledUnderUsr(program) && CanCreateFilesIn(program)) return program;
  const std::string home = UserDataHome();
  return home.empty() ? program : WithSeparator(WithSeparator(home) + "vkt53");
}

bool CanCreateFilesIn(const std::string& folder) {
  // Named by the process, so that two copies of the program starting at once
  // do not take each other's probe for a folder they cannot write.
  const std::string probe =
      WithSeparator(folder) + ".vkt53-write-probe-" + std::to_string(ProcessId());
#ifdef _WIN32
  // Deleted by the system when closed, so that nothing is left behind.
  const HANDLE file =
      CreateFileW(WideFromUtf8(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
#else
  // Opened without O_EXCL: a probe left by a process cut short is taken over and removed.
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
#endif
}

}  // namespace vkt53
