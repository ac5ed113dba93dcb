#include "config/configuration_backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/identification.h"
#include "config/program_folder.h"

namespace vkt53 {

namespace {

namespace fs = std::filesystem;

constexpr char kBackupFolderName[] = "backup";
constexpr char kBackupExtension[] = ".cnf";
constexpr char kServedModelName[] = "vkt53-sx";
// "20261208-191502_": the date, '-', the time, '_'.
constexpr std::size_t kDateDigits = 8;
constexpr std::size_t kTimeDigits = 6;
constexpr std::size_t kStampLength = kDateDigits + 1 + kTimeDigits + 1;
constexpr int kLastSameSecondSuffix = 99;

template <typename... Args>
std::string Print(const char* pattern, Args... args) {
  char text[128];
  const int n = std::snprintf(text, sizeof text, pattern, args...);
  return n > 0 ? std::string(text,
                             std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1))
               : std::string();
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
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

bool EnsureFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path path = PathFromUtf8(folder);
  if (fs::is_directory(path, ec)) return true;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
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

}  // namespace

BackupTime BackupTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string BackupFolderPath(const std::string& configFolder) {
  return configFolder + PathSeparator() + kBackupFolderName;
}

std::string BackupFileName(const BackupTime& t,
                           std::span<const uint8_t, kIdentificationSize> identification) {
  const uint8_t type = identification[kTypeCodeByte];
  const std::string model =
      type == kServedTypeCode ? kServedModelName : Print("type%u", unsigned{type});
  return Print("%04d%02d%02d-%02d%02d%02d_", t.year, t.month, t.day, t.hour, t.minute, t.second) +
         model +
         Print("_hw%u_sw%u_b%02u%02u%02u", unsigned{identification[kHardwareVersionByte]},
               unsigned{identification[kSoftwareVersionByte]},
               unsigned{identification[kBuildYearByte]}, unsigned{identification[kBuildMonthByte]},
               unsigned{identification[kBuildDayByte]}) +
         kBackupExtension;
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
  PruneBackups(folder);
  return result;
}

void PruneBackups(const std::string& backupFolder, std::size_t kept) {
  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(PathFromUtf8(backupFolder), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string name = Utf8Of(it->path().filename());
    if (IsBackupFileName(name)) names.push_back(std::move(name));
  }
  if (names.size() <= kept) return;
  std::sort(names.begin(), names.end());
  names.resize(names.size() - kept);  // the oldest
  for (const std::string& name : names) {
    fs::remove(PathFromUtf8(backupFolder + PathSeparator() + name), ec);
  }
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
