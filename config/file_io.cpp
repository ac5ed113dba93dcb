#include "file_io.h"

#include <fstream>
#include <system_error>

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

bool WriteAllBytes(const fs::path& path, const std::vector<uint8_t>& bytes, bool& created) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  created = out.is_open();
  if (!created) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

// Replacing by rename would get past a read-only old file; a file the user
// may not write stays refused, as an in-place write would refuse it.
bool ExistingFileWritable(const fs::path& target) {
  std::error_code ec;
  if (!fs::exists(target, ec)) return true;
  std::ofstream probe(target, std::ios::binary | std::ios::app);
  return probe.is_open();
}

// The new file keeps the access rights the user gave the old one.
void CopyPermissions(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  const auto status = fs::status(from, ec);
  if (!ec && fs::exists(status)) fs::permissions(to, status.permissions(), ec);
}

}  // namespace

fs::path PathFromUtf8(const std::string& utf8Path) {
  return fs::path(std::u8string(utf8Path.begin(), utf8Path.end()));
}

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
  bool created = false;
  const bool written = WriteAllBytes(temporary, bytes, created);
  if (!created) return FileWriteResult::kCannotCreate;
  if (written) {
    CopyPermissions(target, temporary);
    fs::rename(temporary, target, ec);
    if (!ec) return FileWriteResult::kWritten;
  }
  fs::remove(temporary, ec);
  return FileWriteResult::kWriteFailed;
}
