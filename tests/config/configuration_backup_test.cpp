// Backups of the device's configuration in CONFIG/backup: their names, that
// they are ordinary configuration files kept durably, the newest 50 by age
// kept (the one just written always, other files never removed), and the
// failures that must stop a write.
#include "config/configuration_backup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>
#include <vector>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/identification.h"
#include "tests/support/temp_folder.h"
#include "tests/config/sync_recorder.h"

using namespace vkt53;

namespace {

namespace fs = std::filesystem;

constexpr BackupTime kTime{2026, 12, 8, 19, 15, 2};
const std::string kName = "20261208-191502_vkt53-sx_hw1_sw3_b250317.cnf";

ConfigRecord DeviceRecord() {
  ConfigRecord record;
  auto id = record.Identification();
  id[kTypeCodeByte] = kServedTypeCode;
  id[kHardwareVersionByte] = 1;
  id[kSoftwareVersionByte] = 3;
  id[kBuildYearByte] = 25;
  id[kBuildMonthByte] = 3;
  id[kBuildDayByte] = 17;
  record.LinkParameters()[kAnswerPreambleCountField] = 7;
  record.UnitLinkBytes()[5] = MakeUnitLinkByte(kPortA, 15);
  record.ModemField()[0] = 'A';
  return record;
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A backup as an earlier write left it, last modified at `modified`.
std::string PutOldBackup(const std::string& folder, const BackupTime& named,
                         fs::file_time_type modified) {
  const std::string name = BackupFileName(named, DeviceRecord().Identification());
  ConfigImage image;
  NewConfigurationImage(image);
  WriteBytes(folder + "/" + name, ConfigFileBytes(image));
  fs::last_write_time(folder + "/" + name, modified);
  return name;
}

}  // namespace

TEST(BackupNames, DateTimeAndDeviceInFileNameSafeCharacters) {
  ConfigRecord record = DeviceRecord();
  EXPECT_EQ(BackupFileName(kTime, record.Identification()), kName);
  record.Identification()[kTypeCodeByte] = 200;
  record.Identification()[kSoftwareVersionByte] = 255;
  EXPECT_EQ(BackupFileName({2027, 1, 2, 3, 4, 5}, record.Identification()),
            "20270102-030405_type200_hw1_sw255_b250317.cnf");

  EXPECT_TRUE(IsBackupFileName(kName));
  EXPECT_TRUE(IsBackupFileName("20261208-191502_vkt53-sx_hw1_sw3_b250317_2.cnf"));
  for (const char* other :
       {"new.cnf", "20261208-191502_.cnf", "2026120-191502_x.cnf", "20261208_191502_x.cnf",
        "20261208-191502_x.txt", "20261208-191502_ä.cnf", "20261208-191502_x y.cnf"}) {
    EXPECT_FALSE(IsBackupFileName(other)) << other;
  }
}

TEST(BackupFiles, AnOrdinaryConfigurationFileInTheBackupFolderTheSameSecondNotOverwritten) {
  TempFolder config;
  const ConfigRecord record = DeviceRecord();
  const BackupResult first = SaveConfigurationBackup(config.path(), record, kTime);
  ASSERT_EQ(first.status, BackupResult::Status::kWritten);
  EXPECT_EQ(first.path, config.File("backup/" + kName));

  ConfigImage expected;
  NewConfigurationImage(expected);
  ImageFromRecord(record, expected);
  ConfigImage file;
  ASSERT_EQ(ReadConfigFile(first.path, file), ConfigFileReadResult::kRead);
  EXPECT_EQ(file, expected);

  const BackupResult second = SaveConfigurationBackup(config.path(), record, kTime);
  ASSERT_EQ(second.status, BackupResult::Status::kWritten);
  EXPECT_EQ(fs::path(second.path).filename(), "20261208-191502_vkt53-sx_hw1_sw3_b250317_2.cnf");
  EXPECT_EQ(FilesIn(BackupFolderPath(config.path())).size(), 2u);
}

TEST(BackupFiles, ANewBackupFolderIsOnTheDiskBeforeTheBackupGoesIntoIt) {
  TempFolder config;
  SyncRecorder recorder(config.path());
  ASSERT_EQ(SaveConfigurationBackup(config.path(), DeviceRecord(), kTime).status,
            BackupResult::Status::kWritten);
  const std::string file = "backup/" + kName;
  EXPECT_EQ(recorder.events,
            (std::vector<std::string>{"sync .", "sync " + file + ".tmp0 (1211 bytes)",
                                      "rename " + file + ".tmp0 " + file, "sync backup"}));
}

TEST(BackupFiles, TheNewestFiftyAreKeptOtherFilesLeftAlone) {
  TempFolder config;
  const std::string folder = BackupFolderPath(config.path());
  fs::create_directory(folder);
  // 55 older backups, one a minute on 1 December, and files of the engineer's,
  // some named like backups and older than all of them.
  const fs::file_time_type firstOld = fs::file_time_type::clock::now() - std::chrono::hours(24);
  std::vector<std::string> old;
  for (int i = 0; i < 55; ++i) {
    old.push_back(PutOldBackup(folder, {2026, 12, 1, 10 + i / 60, i % 60, 0},
                               firstOld + std::chrono::minutes(i)));
  }
  const std::vector<uint8_t> notes = {'m', 'y', ' ', 'n', 'o', 't', 'e', 's', '\n'};
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> others = {
      {"mine.cnf", {'M', 'C'}},
      {"readme.txt", {'x'}},
      {"19990101-000000_my_own_file.cnf", notes},
      {"19990101-000001_marker_alone.cnf", {'M', 'C'}},
      {"19990101-000002_no_marker.cnf", std::vector<uint8_t>(kConfigFileSize, 0)},
  };
  for (const auto& [name, bytes] : others) {
    WriteBytes(folder + "/" + name, bytes);
    fs::last_write_time(folder + "/" + name, firstOld - std::chrono::hours(1));
  }

  ASSERT_EQ(SaveConfigurationBackup(config.path(), DeviceRecord(), kTime).status,
            BackupResult::Status::kWritten);
  const std::set<std::string> left = FilesIn(folder);
  EXPECT_EQ(left.size(), 50u + others.size()) << "50 backups and the other files";
  EXPECT_TRUE(left.count(kName)) << "the new one is kept";
  for (const auto& [name, bytes] : others) EXPECT_TRUE(left.count(name)) << name;
  for (int i = 0; i < 55; ++i) EXPECT_EQ(left.count(old[i]), i < 6 ? 0u : 1u) << old[i];
}

TEST(BackupFiles, ABackupWrittenByAClockBehindIsKeptTheOthersGoByTheirAge) {
  TempFolder config;
  const std::string folder = BackupFolderPath(config.path());
  fs::create_directory(folder);
  // 50 backups of a clock that was right (or ahead): dated later than the new
  // one and modified later than now. Their ages run against their names.
  const fs::file_time_type later = fs::file_time_type::clock::now() + std::chrono::hours(24);
  std::vector<std::string> old;
  for (int i = 0; i < 50; ++i) {
    old.push_back(
        PutOldBackup(folder, {2026, 12, 1, 10, i, 0}, later + std::chrono::minutes(50 - i)));
  }

  const BackupResult backup =
      SaveConfigurationBackup(config.path(), DeviceRecord(), {2024, 1, 1, 0, 0, 0});
  ASSERT_EQ(backup.status, BackupResult::Status::kWritten);
  EXPECT_TRUE(fs::exists(backup.path)) << "the backup the write will name is there";
  const std::set<std::string> left = FilesIn(folder);
  EXPECT_EQ(left.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(left.count(old[i]), i == 49 ? 0u : 1u) << old[i];
}

TEST(BackupFiles, AFolderThatCannotBeMadeOrWrittenIsAFailureWithAMessage) {
  TempFolder config;
  std::ofstream(config.File("backup")) << "a file where the folder should be";
  const BackupResult blocked = SaveConfigurationBackup(config.path(), DeviceRecord(), kTime);
  EXPECT_EQ(blocked.status, BackupResult::Status::kFolderUnavailable);
  const BackupFailureText text = BackupFailureMessage(blocked);
  EXPECT_EQ(text.line1,
            "Резервная копия конфигурации не сохранена, запись в устройство не выполняется.");
  EXPECT_EQ(text.line2, "Нельзя создать папку " + config.File("backup"));

  // The other failures: the file cannot be created, or the disk filled up under it.
  const BackupResult noFile{BackupResult::Status::kCannotCreate, "/b/x.cnf"};
  EXPECT_EQ(BackupFailureMessage(noFile).line2, "Нельзя создать файл /b/x.cnf");
  const BackupResult full{BackupResult::Status::kWriteFailed, "/b/x.cnf"};
  EXPECT_EQ(BackupFailureMessage(full).line1, text.line1);
  EXPECT_EQ(BackupFailureMessage(full).line2, "Файл /b/x.cnf не записан: нет места на диске?");
}
