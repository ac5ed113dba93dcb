#include "config/working_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/program_folder.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/test_files.h"

using namespace vkt53;

namespace fs = std::filesystem;

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
  return folder + PathSeparator() + name;
}

}  // namespace

TEST(ConfigFileNames, CnfIsAddedOnlyToANameWithoutExtension) {
  EXPECT_EQ(WithConfigFileExtension(Joined("CONFIG", "abc")), Joined("CONFIG", "abc.cnf"));
  EXPECT_EQ(WithConfigFileExtension(Joined("CONFIG", "abc.txt")), Joined("CONFIG", "abc.txt"));
  EXPECT_EQ(WithConfigFileExtension(Joined("CONFIG", "abc.")), Joined("CONFIG", "abc."));
  EXPECT_EQ(WithConfigFileExtension("abc"), "abc.cnf");
}

TEST(ConfigFileNames, ADotInAFolderNameIsNoExtension) {
  const std::string folder = Joined("my.configs", "v1.2");
  EXPECT_FALSE(HasExtension(Joined(folder, "abc")));
  EXPECT_EQ(WithConfigFileExtension(Joined(folder, "abc")), Joined(folder, "abc.cnf"));
  EXPECT_TRUE(HasExtension(Joined(folder, "abc.cnf")));
}

TEST(ConfigFileNames, MessagesShowTheNameWithoutItsFolder) {
  EXPECT_EQ(FileNameOfPath(Joined(Joined("a.b", "CONFIG"), "x.cnf")), "x.cnf");
  EXPECT_EQ(FileNameOfPath("x.cnf"), "x.cnf");
  EXPECT_EQ(FileNameOfPath("/srv/Конфиг №1.cnf"), "Конфиг №1.cnf");
}

TEST(WorkingFolders, FirstStartCreatesBothAndLaterStartsKeepTheirContents) {
  TempFolder folder;
  const std::string program = folder.path() + PathSeparator();
  EXPECT_TRUE(CreateWorkingFolders(program));
  EXPECT_TRUE(fs::is_directory(program + "CONFIG"));
  EXPECT_TRUE(fs::is_directory(program + "INI"));
  WriteBytes(Joined(program + "CONFIG", "x.cnf"), {1, 2});
  EXPECT_TRUE(CreateWorkingFolders(program));
  EXPECT_EQ(ReadBytes(Joined(program + "CONFIG", "x.cnf")), (std::vector<uint8_t>{1, 2}));
}

TEST(WorkingFolders, AFileInTheWayIsReportedNotReplaced) {
  TempFolder folder;
  const std::string program = folder.path() + PathSeparator();
  WriteBytes(program + "INI", {7});
  EXPECT_FALSE(CreateWorkingFolders(program));
  EXPECT_TRUE(fs::is_directory(program + "CONFIG"));
  EXPECT_EQ(ReadBytes(program + "INI"), (std::vector<uint8_t>{7}));
}

TEST(WorkingFolders, AProgramFolderThatCanBeWrittenKeepsThemBesideTheProgram) {
  InstalledProgramFixture installed;  // its HOME, to see that nothing goes there
  TempFolder program;
  SetProgramFolder(program.path());
  EXPECT_EQ(WorkingFolder(), program.path() + PathSeparator());
  EXPECT_TRUE(fs::is_empty(program.path())) << "the probe file is left behind";
  EXPECT_FALSE(fs::exists(installed.UserFolder()));
}

TEST(WorkingFolders, AProgramFolderThatCannotBeWrittenSendsThemToTheUsersOwnFolder) {
  InstalledProgramFixture installed;
  const std::string folder = WorkingFolder();
  EXPECT_EQ(folder, installed.UserFolder() + PathSeparator());
  EXPECT_TRUE(CreateWorkingFolders(folder));
  EXPECT_TRUE(fs::is_directory(installed.UserFolder() + "/INI"));
  EXPECT_TRUE(fs::is_directory(installed.UserFolder() + "/CONFIG"));
  EXPECT_EQ(WorkingFolderLine(folder), "Папка настроек и конфигураций: " + installed.UserFolder());
}

TEST(WorkingFolders, AProgramInstalledUnderUsrUsesTheUsersOwnFolderForRootToo) {
  InstalledProgramFixture installed;
  SetProgramFolder("/usr/bin");  // writable for root, who runs the tests
  EXPECT_EQ(WorkingFolder(), installed.UserFolder() + PathSeparator());
}
