#include "config/config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/settings_file.h"
#include "support/file_io.h"
#include "tests/support/test_files.h"

#ifndef _WIN32
#include "tests/config/sync_recorder.h"
#endif

using namespace vkt53;

namespace fs = std::filesystem;

namespace {

ConfigImage NumberedImage() {
  ConfigImage image;
  for (std::size_t i = 0; i < image.bytes.size(); ++i)
    image.bytes[i] = static_cast<uint8_t>(i * 13 + 1);
  return image;
}

std::vector<uint8_t> FileBytesOf(const ConfigImage& image) {
  std::vector<uint8_t> bytes(image.bytes.size() + 2);
  bytes[0] = 'M';
  bytes[1] = 'C';
  std::copy(image.bytes.begin(), image.bytes.end(), bytes.begin() + 2);
  return bytes;
}

ConfigImage FilledImage(uint8_t value) {
  ConfigImage image;
  image.bytes.fill(value);
  return image;
}

}  // namespace

TEST(ConfigFileFormat, WrittenFileIsMarkerThenImage) {
  TempFolder folder;
  const std::string path = folder.File("a.cnf");
  ASSERT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kWritten);
  const auto bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 1211u);
  EXPECT_EQ(bytes, FileBytesOf(NumberedImage()));
}

TEST(ConfigFileFormat, ReadsBackWhatWasWrittenReservedBytesIncluded) {
  TempFolder folder;
  const std::string path = folder.File("a.cnf");
  WriteBytes(path, FileBytesOf(NumberedImage()));
  ConfigImage image;
  ASSERT_EQ(ReadConfigFile(path, image), ConfigFileReadResult::kRead);
  EXPECT_EQ(image, NumberedImage());
}

TEST(ConfigFileFormat, BytesAfterThe1211thAreIgnored) {
  TempFolder folder;
  const std::string path = folder.File("long.cnf");
  auto bytes = FileBytesOf(NumberedImage());
  bytes.insert(bytes.end(), 500, 0xEE);
  WriteBytes(path, bytes);
  ConfigImage image;
  ASSERT_EQ(ReadConfigFile(path, image), ConfigFileReadResult::kRead);
  EXPECT_EQ(image, NumberedImage());
}

TEST(ConfigFileFormat, FilesThatAreNotConfigurationsLeaveTheImageAlone) {
  TempFolder folder;
  auto shortByOne = FileBytesOf(NumberedImage());
  shortByOne.pop_back();
  auto wrongMarker = FileBytesOf(NumberedImage());
  wrongMarker[1] = 'c';
  const std::vector<std::vector<uint8_t>> cases = {
      {'M', 'C'},   // the marker without an image
      shortByOne,   // an image one byte short
      wrongMarker,  // marker compared case-sensitively
      {'M'},       {},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string path = folder.File("case" + std::to_string(i));
    WriteBytes(path, cases[i]);
    ConfigImage image = FilledImage(0x5A);
    EXPECT_EQ(ReadConfigFile(path, image), ConfigFileReadResult::kNotConfigFile) << "case " << i;
    EXPECT_EQ(image, FilledImage(0x5A)) << "case " << i;
  }
}

TEST(ConfigFileFormat, MissingFileOrFolderCannotBeOpened) {
  TempFolder folder;
  ConfigImage image = FilledImage(1);
  EXPECT_EQ(ReadConfigFile(folder.File("none.cnf"), image), ConfigFileReadResult::kCannotOpen);
  EXPECT_EQ(ReadConfigFile(folder.path(), image), ConfigFileReadResult::kCannotOpen);
  EXPECT_EQ(image, FilledImage(1));
}

TEST(ConfigFileFormat, NonAsciiPathsWork) {
  TempFolder folder;
  const std::string path = folder.File("Конфигурация №1.cnf");
  ASSERT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kWritten);
  ConfigImage image;
  EXPECT_EQ(ReadConfigFile(path, image), ConfigFileReadResult::kRead);
  EXPECT_EQ(image, NumberedImage());
}

TEST(ReplacingWrite, ReplacesAnOldFileAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.File("x.cnf");
  WriteBytes(path, std::vector<uint8_t>(3000, 0x11));
  ASSERT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kWritten);
  EXPECT_EQ(ReadBytes(path), FileBytesOf(NumberedImage()));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(ReplacingWrite, TargetFolderThatIsAFileCannotBeCreated) {
  TempFolder folder;
  const std::string notAFolder = folder.File("plain");
  WriteBytes(notAFolder, {1, 2, 3});
  const std::string path = notAFolder + "/x.cnf";
  EXPECT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kCannotCreate);
  EXPECT_EQ(ReadBytes(notAFolder), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ReplacingWrite, TargetThatIsAFolderIsLeftWhole) {
  TempFolder folder;
  const std::string target = folder.File("x.cnf");
  fs::create_directory(target);
  WriteBytes(target + "/inside", {9});
  EXPECT_NE(WriteConfigFile(target, NumberedImage()), FileWriteResult::kWritten);
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(ReadBytes(target + "/inside"), (std::vector<uint8_t>{9}));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

#ifndef _WIN32
TEST(ReplacingWrite, WriteCutShortKeepsTheOldFileWhole) {
  TempFolder folder;
  const std::string path = folder.File("x.cnf");
  const auto oldBytes = FileBytesOf(FilledImage(0x42));
  WriteBytes(path, oldBytes);
  FileWriteResult result;
  {
    FileSizeLimit limit(100);
    result = WriteConfigFile(path, NumberedImage());
  }
  EXPECT_EQ(result, FileWriteResult::kWriteFailed);
  EXPECT_EQ(ReadBytes(path), oldBytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(ReplacingWrite, TheWholeNewFileIsSyncedBeforeTheRenameAndTheFolderAfter) {
  TempFolder folder;
  const std::string path = folder.File("x.cnf");
  WriteBytes(path, FileBytesOf(FilledImage(0x42)));
  {
    SyncRecorder recorder(folder.path());
    ASSERT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kWritten);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"sync x.cnf.tmp0 (1211 bytes)",
                                                         "rename x.cnf.tmp0 x.cnf", "sync ."}));
  }
  EXPECT_EQ(ReadBytes(path), FileBytesOf(NumberedImage()));

  // The settings file is saved the same way.
  SyncRecorder recorder(folder.path());
  ASSERT_TRUE(SaveSettings(SettingsFilePath(folder.path()), LinkSettings{}));
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"sync vkt53.ini.tmp0 (21 bytes)",
                                                       "rename vkt53.ini.tmp0 vkt53.ini", "sync ."}));
}

TEST(ReplacingWrite, AFailedSyncIsAFailedWriteAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.File("x.cnf");
  const auto oldBytes = FileBytesOf(FilledImage(0x42));
  WriteBytes(path, oldBytes);
  {
    SyncRecorder recorder(folder.path());
    recorder.failSyncOf = "x.cnf.tmp0";
    EXPECT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kWriteFailed);
    EXPECT_EQ(recorder.events.size(), 1u) << "no rename of bytes that may not be on the disk";
  }
  EXPECT_EQ(ReadBytes(path), oldBytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

  // The rename is done but may not survive a power cut: not reported as saved.
  SyncRecorder recorder(folder.path());
  recorder.failSyncOf = ".";
  EXPECT_EQ(WriteConfigFile(path, NumberedImage()), FileWriteResult::kWriteFailed);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}
#endif
