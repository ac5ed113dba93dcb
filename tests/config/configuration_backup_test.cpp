// Backups of the device's configuration in CONFIG/backup: their names, that
// they are ordinary configuration files, the newest 50 kept, and the failures
// that must stop a write.
#include "config/configuration_backup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "config/config_file.h"
#include "config/config_image.h"
#include "config/identification.h"
#include "support/temp_folder.h"

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

TEST(BackupFiles, TheNewestFiftyAreKeptOtherFilesLeftAlone) {
  TempFolder config;
  const std::string folder = BackupFolderPath(config.path());
  fs::create_directory(folder);
  // 55 older backups, one a minute on 1 December, and two files of the engineer's.
  std::vector<std::string> old;
  for (int i = 0; i < 55; ++i) {
    old.push_back(
        BackupFileName({2026, 12, 1, 10 + i / 60, i % 60, 0}, DeviceRecord().Identification()));
    std::ofstream(folder + "/" + old.back()) << "MC";
  }
  std::ofstream(folder + "/mine.cnf") << "MC";
  std::ofstream(folder + "/readme.txt") << "x";

  ASSERT_EQ(SaveConfigurationBackup(config.path(), DeviceRecord(), kTime).status,
            BackupResult::Status::kWritten);
  const std::set<std::string> left = FilesIn(folder);
  EXPECT_EQ(left.size(), 52u) << "50 backups and the two other files";
  EXPECT_TRUE(left.count(kName)) << "the new one is kept";
  EXPECT_TRUE(left.count("mine.cnf") && left.count("readme.txt"));
  for (int i = 0; i < 55; ++i) EXPECT_EQ(left.count(old[i]), i < 6 ? 0u : 1u) << old[i];
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
