// Backups of the device's configuration: before the online editor's changes
// are written, the configuration as read from the device is kept as an
// ordinary configuration file in CONFIG/backup, named by the time and the
// device, so that a write can be undone. The newest 50 are kept.
#pragma once

#include <cstddef>
#include <ctime>
#include <span>
#include <string>

#include "config/config_record.h"
#include "support/file_io.h"

namespace vkt53 {

inline constexpr std::size_t kBackupsKept = 50;

// A local date and time, as the backup's name shows it (and the
// configuration report).
struct BackupTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The clock's local time now.
BackupTime BackupTimeNow();
// The local time of a moment of the clock.
BackupTime LocalTime(std::time_t moment);
// "12.03.2026 10:15:02", as the report and the traffic log show a moment.
std::string DateTimeText(const BackupTime& time);

// "%s/backup" (with the platform's separator) inside the CONFIG folder.
std::string BackupFolderPath(const std::string& configFolder);

// "20261208-191502_vkt53-sx_hw1_sw3_b250317.cnf": date and time, the model
// (or "type<N>" for another type code), hardware and software versions and
// the build date of the identification. Only letters, digits, '-' and '_'
// before the extension, so the name is valid on every file system, and names
// sort by time.
std::string BackupFileName(const BackupTime& time,
                           std::span<const uint8_t, kIdentificationSize> identification);

// True for a file name of the form BackupFileName makes (a suffix such as
// "_2" before ".cnf" included).
bool IsBackupFileName(const std::string& fileName);

struct BackupResult {
  enum class Status {
    kWritten,
    kFolderUnavailable,  // CONFIG/backup is missing and cannot be created
    kCannotCreate,       // the file cannot be created (folder not writable)
    kWriteFailed,        // its bytes did not all reach the disk (disk full)
  };
  Status status = Status::kWritten;
  std::string path;  // the file written, or the one that could not be
};

// Saves the record's tables 3, 5 and 6 as a configuration file in the backup
// folder (the same writer as every configuration file: an old file is never
// left half replaced) and then removes the oldest backups, by modification
// time, beyond the newest kBackupsKept; the one just written is always kept.
// Only configuration files named like backups are removed, never another
// file of the folder. A name already taken in the same second gets "_2",
// "_3", ... before the extension. Pruning that fails leaves the files; the
// backup itself counts.
BackupResult SaveConfigurationBackup(const std::string& configFolder, const ConfigRecord& asRead,
                                     const BackupTime& time);

// The message for a backup that was not saved, as two lines (Russian).
struct BackupFailureText {
  std::string line1;
  std::string line2;
};
BackupFailureText BackupFailureMessage(const BackupResult& result);

}  // namespace vkt53
