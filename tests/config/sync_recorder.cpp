#include "tests/config/sync_recorder.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

using namespace vkt53;

namespace fs = std::filesystem;

namespace {

SyncRecorder* recorder = nullptr;

template <typename Function>
Function* NextDefinition(const char* name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

std::string PathOfDescriptor(int fd) {
  std::error_code ec;
  return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

std::string SyncEvent(int fd, const std::string& name) {
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    return "sync " + name + " (" + std::to_string(st.st_size) + " bytes)";
  }
  return "sync " + name;
}

}  // namespace

SyncRecorder::SyncRecorder(const std::string& folder)
    : folder_(fs::weakly_canonical(folder).string()) {
  recorder = this;
}

SyncRecorder::~SyncRecorder() { recorder = nullptr; }

std::string SyncRecorder::Relative(const std::string& path) const {
  std::error_code ec;
  return fs::weakly_canonical(path, ec).lexically_relative(folder_).string();
}

extern "C" int fsync(int fd) {
  static const auto next = NextDefinition<int(int)>("fsync");
  if (recorder != nullptr) {
    const std::string name = recorder->Relative(PathOfDescriptor(fd));
    recorder->events.push_back(SyncEvent(fd, name));
    if (!recorder->failSyncOf.empty() && name == recorder->failSyncOf) {
      errno = EIO;
      return -1;
    }
  }
  return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto next = NextDefinition<int(const char*, const char*)>("rename");
  if (recorder != nullptr) {
    recorder->events.push_back("rename " + recorder->Relative(from) + " " + recorder->Relative(to));
  }
  return next(from, to);
}
