#include "support/file_io.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include "support/wide_text.h"
#include "support/windows_api.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vkt53 {

namespace fs = std::filesystem;

namespace {

// A name beside the target that nothing uses yet; the rename makes it the
// target, so it must live in the same folder (same file system).
fs::path UnusedTemporaryPathBeside(const fs::path& target) {
  std::error_code ec;
  for (int n = 0;; ++n) {
    fs::path candidate = target;
    candidate += ".tmp" + std::to_string(n);
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
}

// Writing through a link must change the file it points to, not replace the
// link by a plain file.
fs::path ResolvedTarget(const fs::path& target) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
  fs::path resolved = fs::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

// Replacing by rename would get past a read-only old file; a file the user
// may not write stays refused, as an in-place write would refuse it.
bool ExistingFileWritable(const fs::path& target) {
  std::error_code ec;
  if (!fs::exists(target, ec)) return true;
  std::ofstream probe(target, std::ios::binary | std::ios::app);
  return probe.is_open();
}

#ifdef _WIN32

// A new file, created exclusively, closed when it goes. There are no access
// rights to carry over (a read-only target is refused before), and the
// write-through rename makes the folder entry durable.
class NewFile {
 public:
  NewFile(const fs::path& path, const fs::path& /*replacing*/)
      : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~NewFile() { Close(); }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

  bool Write(const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
        return false;
      }
      done += written;
    }
    return true;
  }

  bool Sync() { return FlushFileBuffers(handle_) != 0; }

  bool Close() {
    if (!IsOpen()) return true;
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

bool RenameDurably(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

// A new file, created exclusively with the access rights of the file it is
// to replace (the user gave them), closed when it goes.
class NewFile {
 public:
  NewFile(const fs::path& path, const fs::path& replacing)
      : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)) {
    struct stat old {};
    if (fd_ >= 0 && stat(replacing.c_str(), &old) == 0) fchmod(fd_, old.st_mode & 0777);
  }
  ~NewFile() { Close(); }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  bool Write(const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;  // a full disk, or the file size limit
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  bool Sync() { return fsync(fd_) == 0; }

  bool Close() {
    if (fd_ < 0) return true;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

// The rename lives in the folder's entries: until the folder is synced a
// power cut can bring back the old name.
bool RenameDurably(const fs::path& from, const fs::path& to) {
  if (rename(from.c_str(), to.c_str()) != 0) return false;
  return SyncFolder(to.has_parent_path() ? to.parent_path() : fs::path("."));
}

#endif

// The bytes reach the disk before the rename makes them the target, so that
// after a power cut the target is either the old file or the whole new one.
FileWriteResult WriteDurably(const fs::path& temporary, const fs::path& target,
                             const std::vector<uint8_t>& bytes) {
  NewFile file(temporary, target);
  if (!file.IsOpen()) return FileWriteResult::kCannotCreate;
  if (file.Write(bytes) && file.Sync() && file.Close() && RenameDurably(temporary, target)) {
    return FileWriteResult::kWritten;
  }
  return FileWriteResult::kWriteFailed;
}

}  // namespace

#ifdef _WIN32

bool SyncFolder(const fs::path& /*folder*/) { return true; }

#else

bool SyncFolder(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // A file system that cannot sync a folder says EINVAL; nothing more to do.
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  close(fd);
  return synced;
}

#endif

// The library's own conversions (u8string(), a path from char8_t) throw on
// a sequence they cannot convert; the system's replace it.
#ifdef _WIN32

fs::path PathFromUtf8(const std::string& utf8Path) { return fs::path(WideFromUtf8(utf8Path)); }

std::string Utf8OfPath(const fs::path& path) { return Utf8FromWide(path.native()); }

#else

fs::path PathFromUtf8(const std::string& utf8Path) { return fs::path(utf8Path); }

std::string Utf8OfPath(const fs::path& path) { return path.native(); }

#endif

bool PathExists(const std::string& utf8Path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(PathFromUtf8(utf8Path), ec));
}

std::optional<std::vector<uint8_t>> ReadFilePrefix(const std::string& utf8Path,
                                                   std::size_t maxBytes) {
  const fs::path path = PathFromUtf8(utf8Path);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return std::nullopt;
  std::vector<uint8_t> bytes(maxBytes);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(maxBytes));
  if (in.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

FileWriteResult WriteFileReplacing(const std::string& utf8Path, const std::vector<uint8_t>& bytes) {
  const fs::path target = ResolvedTarget(PathFromUtf8(utf8Path));
  std::error_code ec;
  if (fs::is_directory(target, ec) || !ExistingFileWritable(target)) {
    return FileWriteResult::kCannotCreate;
  }

  const fs::path temporary = UnusedTemporaryPathBeside(target);
  const FileWriteResult result = WriteDurably(temporary, target, bytes);
  // Gone already when only the folder sync failed; never created (so not
  // ours to remove) when the result is kCannotCreate.
  if (result == FileWriteResult::kWriteFailed) fs::remove(temporary, ec);
  return result;
}

}  // namespace vkt53
