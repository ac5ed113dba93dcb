#include "config/configuration_backup.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/identification.h"
#include "support/program_folder.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

namespace fs = std::filesystem;

constexpr char kBackupFolderName[] = "backup";
constexpr char kBackupExtension[] = ".cnf";
// "20261208-191502_": the date, '-', the time, '_'.
constexpr std::size_t kDateDigits = 8;
constexpr std::size_t kTimeDigits = 6;
constexpr std::size_t kStampLength = kDateDigits + 1 + kTimeDigits + 1;
constexpr int kLastSameSecondSuffix = 99;

// The number with leading zeros to at least `width` digits.
std::string Padded(int number, std::size_t width) {
  const std::string digits = std::to_string(number);
  return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

bool IsDigits(const std::string& text, std::size_t from, std::size_t count) {
  if (text.size() < from + count) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                     text.begin() + static_cast<std::ptrdiff_t>(from + count),
                     [](char c) { return c >= '0' && c <= '9'; });
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

// The folder and any missing folder above it. A new folder is an entry in
// its parent, synced like a renamed file, so that a power cut does not take
// the backup written into it.
bool EnsureFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path path = PathFromUtf8(folder);
  if (fs::is_directory(path, ec)) return true;
  std::vector<fs::path> missing;
  for (fs::path p = path; p.has_relative_path() && !fs::exists(p, ec); p = p.parent_path())
    missing.push_back(p);
  fs::create_directories(path, ec);
  if (!fs::is_directory(path, ec)) return false;
  return std::ranges::all_of(missing, [](const fs::path& made) {
    return SyncFolder(made.has_parent_path() ? made.parent_path() : fs::path("."));
  });
}

// The name, or the name with "_2", "_3", ... when a backup of the same
// second is already there.
std::string FreePath(const std::string& folder, const std::string& fileName) {
  const std::string stem = fileName.substr(0, fileName.size() - (sizeof kBackupExtension - 1));
  std::string path = folder + PathSeparator() + fileName;
  for (int n = 2; PathExists(path) && n <= kLastSameSecondSuffix; ++n) {
    path = folder + PathSeparator() + stem + "_" + std::to_string(n) + kBackupExtension;
  }
  return path;
}

struct OlderBackup {
  fs::path path;
  fs::file_time_type modified;
};

// A file the program wrote as a backup: named like one, and exactly a
// configuration file (the marker and its size), whatever else it is called.
bool IsBackupFile(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec) || !IsBackupFileName(Utf8OfPath(entry.path().filename())))
    return false;
  if (entry.file_size(ec) != kConfigFileSize || ec) return false;
  const auto marker = ReadFilePrefix(Utf8OfPath(entry.path()), kConfigFileMarker.size());
  return marker && std::ranges::equal(*marker, kConfigFileMarker);
}

// Removes the oldest backups by modification time (a name may carry a wrong
// clock's date) beyond the newest kBackupsKept. The one just written counts
// among them and is never removed, however wrong the clock: the write about
// to go ahead names it.
void PruneBackups(const std::string& backupFolder, const std::string& justWritten) {
  std::error_code ec;
  const fs::path written = PathFromUtf8(justWritten).filename();
  std::vector<OlderBackup> older;
  for (fs::directory_iterator it(PathFromUtf8(backupFolder), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename() == written || !IsBackupFile(*it)) continue;
    std::error_code fileError;
    const fs::file_time_type modified = it->last_write_time(fileError);
    if (!fileError) older.push_back({it->path(), modified});
  }
  const std::size_t othersKept = kBackupsKept - 1;
  if (older.size() <= othersKept) return;
  std::ranges::sort(older, [](const OlderBackup& a, const OlderBackup& b) {
    return a.modified != b.modified ? a.modified < b.modified : a.path < b.path;
  });
  older.resize(older.size() - othersKept);  // the oldest
  for (const OlderBackup& file : older) fs::remove(file.path, ec);
}

}  // namespace

BackupTime BackupTimeNow() { return LocalTime(std::time(nullptr)); }

BackupTime LocalTime(std::time_t moment) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &moment);
#else
  localtime_r(&moment, &local);
#endif
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string DateTimeText(const BackupTime& t) {
  return Format("%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                t.second);
}

std::string BackupFolderPath(const std::string& configFolder) {
  return configFolder + PathSeparator() + kBackupFolderName;
}

std::string BackupFileName(const BackupTime& t,
                           std::span<const uint8_t, kIdentificationSize> identification) {
  const uint8_t type = identification[kTypeCodeByte];
  const std::string model =
      type == kServedTypeCode ? kServedModelName : "type" + std::to_string(type);
  return Padded(t.year, 4) + Padded(t.month, 2) + Padded(t.day, 2) + "-" + Padded(t.hour, 2) +
         Padded(t.minute, 2) + Padded(t.second, 2) + "_" + model + "_hw" +
         std::to_string(identification[kHardwareVersionByte]) + "_sw" +
         std::to_string(identification[kSoftwareVersionByte]) + "_b" +
         Padded(identification[kBuildYearByte], 2) + Padded(identification[kBuildMonthByte], 2) +
         Padded(identification[kBuildDayByte], 2) + kBackupExtension;
}

bool IsBackupFileName(const std::string& name) {
  const std::size_t extension = sizeof kBackupExtension - 1;
  if (name.size() <= kStampLength + extension) return false;
  if (!IsDigits(name, 0, kDateDigits) || name[kDateDigits] != '-' ||
      !IsDigits(name, kDateDigits + 1, kTimeDigits) || name[kStampLength - 1] != '_') {
    return false;
  }
  if (name.compare(name.size() - extension, extension, kBackupExtension) != 0) return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(kStampLength),
                     name.end() - static_cast<std::ptrdiff_t>(extension), IsNameCharacter);
}

BackupResult SaveConfigurationBackup(const std::string& configFolder, const ConfigRecord& asRead,
                                     const BackupTime& time) {
  const std::string folder = BackupFolderPath(configFolder);
  BackupResult result;
  if (!EnsureFolder(folder)) {
    result.status = BackupResult::Status::kFolderUnavailable;
    result.path = folder;
    return result;
  }
  result.path = FreePath(folder, BackupFileName(time, asRead.Identification()));

  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(asRead, image);
  switch (WriteConfigFile(result.path, image)) {
    case FileWriteResult::kWritten: break;
    case FileWriteResult::kCannotCreate:
      result.status = BackupResult::Status::kCannotCreate;
      return result;
    case FileWriteResult::kWriteFailed:
      result.status = BackupResult::Status::kWriteFailed;
      return result;
  }
  PruneBackups(folder, result.path);
  return result;
}

BackupFailureText BackupFailureMessage(const BackupResult& result) {
  const std::string line1 =
      "Резервная копия конфигурации не сохранена, запись в устройство не выполняется.";
  switch (result.status) {
    case BackupResult::Status::kFolderUnavailable:
      return {line1, "Нельзя создать папку " + result.path};
    case BackupResult::Status::kCannotCreate: return {line1, "Нельзя создать файл " + result.path};
    case BackupResult::Status::kWriteFailed:
      return {line1, "Файл " + result.path + " не записан: нет места на диске?"};
    case BackupResult::Status::kWritten: break;
  }
  return {"", ""};
}

}  // namespace vkt53
