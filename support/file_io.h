// Whole-file reads and replacing writes for the small binary files the
// program keeps (configuration files, the settings file). Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vkt53 {

// The line end of the text files the program writes for people to open with
// the system's own editor.
#ifdef _WIN32
inline constexpr char kTextLineEnd[] = "\r\n";
#else
inline constexpr char kTextLineEnd[] = "\n";
#endif

// A UTF-8 path as the file system wants it (on Windows a narrow string would
// otherwise be taken in the ANSI code page), and back. Neither throws: a
// byte or a UTF-16 unit that starts no character becomes U+FFFD.
std::filesystem::path PathFromUtf8(const std::string& utf8Path);
std::string Utf8OfPath(const std::filesystem::path& path);

// True when anything (file or folder) exists under that name.
bool PathExists(const std::string& utf8Path);

// Up to maxBytes from the start of an existing regular file; nothing when the
// file does not exist, is not a regular file or cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadFilePrefix(const std::string& utf8Path,
                                                   std::size_t maxBytes);

enum class FileWriteResult {
  kWritten,
  kCannotCreate,  // the file could not be created at all
  kWriteFailed,   // created, but its bytes did not all reach the disk
};

// Makes the folder's entries (files created, renamed or removed in it)
// survive a power cut; a file system that cannot sync a folder counts as
// synced. On Windows the calls that change entries write through already.
bool SyncFolder(const std::filesystem::path& folder);

// Writes the bytes to a temporary file beside the target, syncs it to the
// disk and renames it over the target, then syncs the folder (on Windows the
// rename writes through), so that a write cut short (full disk, lost
// permission, a crash or power cut) leaves the old file or the whole new one.
// A failed sync is a failed write. The temporary file never outlives a failure.
FileWriteResult WriteFileReplacing(const std::string& utf8Path, const std::vector<uint8_t>& bytes);

}  // namespace vkt53
