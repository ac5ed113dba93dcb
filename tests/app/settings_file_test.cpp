#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_files.h"

using namespace vkt53;

namespace fs = std::filesystem;

namespace {

const std::vector<uint8_t> kDefaultFile = {0x00, 0x00, 0x01, 0xB0, 0x04, 0x00, 0x00,
                                           0x00, 0x01, 0x64, 0x00, 0x00, 0x00, 0x02,
                                           0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};

std::vector<uint8_t> StoredSettings() {
  // lock 1, reserved 0x5A, COM3, 9600, 4 preambles, 3 attempts, 200 ms, 5 s, 10 ms
  return {0x01, 0x5A, 0x03, 0x80, 0x25, 0x00, 0x00, 0x04, 0x03, 0xC8, 0x00,
          0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};
}

class SettingsFile : public ::testing::Test {
 protected:
  TempFolder folder;
  const std::string path = SettingsFilePath(folder.path());
};

}  // namespace

TEST_F(SettingsFile, FirstStartUsesTheDefaultsAndWritesThemAs21Bytes) {
  const LinkSettings settings = LoadSettings(path);
  EXPECT_EQ(settings.portNumber, 1);
  EXPECT_EQ(settings.exchangeSpeed, 1200);
  EXPECT_EQ(settings.attemptCount, 1);
  ASSERT_TRUE(SaveSettings(path, settings));
  EXPECT_EQ(ReadBytes(path), kDefaultFile);
}

TEST_F(SettingsFile, AShortFileGivesAllDefaultsNotAMix) {
  auto bytes = StoredSettings();
  bytes.pop_back();
  WriteBytes(path, bytes);
  EXPECT_EQ(LoadSettings(path), LinkSettings{});
  WriteBytes(path, {});
  EXPECT_EQ(LoadSettings(path), LinkSettings{});
}

TEST_F(SettingsFile, ALongerFileGivesItsFirst21BytesAndIsSavedBackAs21) {
  auto bytes = StoredSettings();
  bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  WriteBytes(path, bytes);
  const LinkSettings settings = LoadSettings(path);
  EXPECT_EQ(settings.exchangeSpeed, 9600);
  ASSERT_TRUE(SaveSettings(path, settings));
  EXPECT_EQ(ReadBytes(path), StoredSettings());
}

TEST_F(SettingsFile, ValuesOutsideTheDialogRangesAreLoadedUnchanged) {
  auto bytes = kDefaultFile;
  bytes[2] = 9;                      // COM9
  bytes[3] = 0xE8, bytes[4] = 0x03;  // 1000 bit/s, not a table speed
  bytes[8] = 0;                      // no attempts: the exchange decides what that means
  WriteBytes(path, bytes);
  const LinkSettings s = LoadSettings(path);
  EXPECT_EQ(s.portNumber, 9);
  EXPECT_EQ(s.exchangeSpeed, 1000);
  EXPECT_EQ(s.attemptCount, 0);
}

TEST_F(SettingsFile, TheWriteLockSurvivesASave) {
  auto bytes = kDefaultFile;
  bytes[0] = 0x80;
  WriteBytes(path, bytes);
  ASSERT_TRUE(SaveSettings(path, LoadSettings(path)));
  EXPECT_EQ(ReadBytes(path), bytes);
  EXPECT_EQ(LoadSettings(path).tableWriteLock, 0x80);
}

TEST_F(SettingsFile, AMissingIniFolderMeansDefaultsAndASilentFailedSave) {
  const std::string lost = SettingsFilePath(folder.File("INI"));
  EXPECT_EQ(LoadSettings(lost), LinkSettings{});
  EXPECT_FALSE(SaveSettings(lost, LinkSettings{}));
  EXPECT_FALSE(fs::exists(lost));
}

#ifndef _WIN32
TEST_F(SettingsFile, ASaveCutShortKeepsTheOldFile) {
  WriteBytes(path, StoredSettings());
  bool saved = true;
  {
    FileSizeLimit limit(10);
    saved = SaveSettings(path, LinkSettings{});
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadBytes(path), StoredSettings());
}
#endif
