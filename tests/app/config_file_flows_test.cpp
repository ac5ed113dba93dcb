#include "app/config_file_flows.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <utility>

#include "config/config_file.h"
#include "support/program_folder.h"
#include "tests/support/test_files.h"

using namespace vkt53;

namespace fs = std::filesystem;

namespace {

using Lines = std::pair<std::string, std::string>;

// Plays the user: answers each dialog and question from a script and records
// everything the flow showed. Anything asked beyond the script is a fault.
class ScriptedUi : public ConfigFileUi {
 public:
  std::deque<std::optional<std::string>> openChoices;
  std::deque<std::optional<std::string>> saveChoices;
  std::deque<bool> answers;

  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<Lines> questions;
  std::vector<Lines> errors;
  std::vector<Lines> notices;

  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Next(openChoices, "open dialog");
  }
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Next(saveChoices, "save dialog");
  }
  bool AskQuestion(const std::string& line1, const std::string& line2) override {
    questions.emplace_back(line1, line2);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << line1;
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& line1, const std::string& line2) override {
    errors.emplace_back(line1, line2);
  }
  void ShowNotice(const std::string& line1, const std::string& line2) override {
    notices.emplace_back(line1, line2);
  }

  void ExpectScriptPlayed() const {
    EXPECT_TRUE(openChoices.empty());
    EXPECT_TRUE(saveChoices.empty());
    EXPECT_TRUE(answers.empty());
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& choices,
                                         const char* what) {
    if (choices.empty()) {
      ADD_FAILURE() << "unexpected " << what;
      return std::nullopt;
    }
    auto choice = choices.front();
    choices.pop_front();
    return choice;
  }
};

const Lines kReplaceQuestion(const std::string& name) {
  return {"Файл " + name + " уже есть.", "Вы хотите заменить существующий файл?"};
}
const Lines kSaveQuestion = {"Сохранить параметры конфигурирования в файле?", ""};
const Lines kSavedNotice(const std::string& name) {
  return {"Параметры конфигурации", "сохранены в файле " + name};
}
const Lines kOpenError = {"Ошибка открытия файла", ""};

ConfigImage FilledImage(uint8_t value) {
  ConfigImage image;
  image.bytes.fill(value);
  return image;
}

std::vector<uint8_t> ConfigFileOf(uint8_t value) { return ConfigFileBytes(FilledImage(value)); }

class ConfigFileDialogs : public ::testing::Test {
 protected:
  TempFolder folder;
  const std::string configFolder = folder.File("CONFIG");
  ScriptedUi ui;
  std::string currentPath;

  void SetUp() override { fs::create_directory(configFolder); }
  std::string InConfig(const std::string& name) const {
    return configFolder + PathSeparator() + name;
  }
  std::size_t FilesInConfig() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(configFolder), fs::directory_iterator()));
  }
};

}  // namespace

// --- LoadConfigurationFile ---

TEST_F(ConfigFileDialogs, LoadAsksForAnExistingFileInTheConfigFolder) {
  ui.openChoices = {std::nullopt};
  ConfigImage image = FilledImage(7);
  EXPECT_FALSE(LoadConfigurationFile(ui, configFolder, currentPath, image));
  ASSERT_EQ(ui.openRequests.size(), 1u);
  const FileDialogRequest& request = ui.openRequests[0];
  EXPECT_EQ(request.title, "Выбор файла с параметрами конфигурации");
  EXPECT_EQ(request.initialFolder, configFolder);
  EXPECT_EQ(request.proposedPath, "");
  EXPECT_TRUE(request.fileMustExist);
  EXPECT_EQ(request.filters, SplitFileFilters(kMainWindowFileFilters));
  EXPECT_EQ(request.selectedFilter, 0);
  // Cancel: no message, nothing changed.
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(currentPath, "");
  EXPECT_EQ(image, FilledImage(7));
}

TEST_F(ConfigFileDialogs, LoadReadsTheChosenFileAndRemembersItsPath) {
  WriteBytes(InConfig("x.cnf"), ConfigFileOf(0x33));
  ui.openChoices = {InConfig("x.cnf")};
  ConfigImage image;
  EXPECT_TRUE(LoadConfigurationFile(ui, configFolder, currentPath, image));
  EXPECT_EQ(image, FilledImage(0x33));
  EXPECT_EQ(currentPath, InConfig("x.cnf"));
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(ConfigFileDialogs, LoadRefusesFilesThatAreNotConfigurations) {
  WriteBytes(InConfig("bad.cnf"), {'M', 'Z', 0, 0});
  WriteBytes(InConfig("short.cnf"), {'M', 'C'});
  ui.openChoices = {InConfig("bad.cnf"), InConfig("short.cnf")};
  ConfigImage image = FilledImage(7);
  EXPECT_FALSE(LoadConfigurationFile(ui, configFolder, currentPath, image));
  EXPECT_EQ(currentPath, InConfig("bad.cnf"));
  EXPECT_FALSE(LoadConfigurationFile(ui, configFolder, currentPath, image));
  EXPECT_EQ(image, FilledImage(7));
  EXPECT_EQ(ui.errors,
            (std::vector<Lines>{{"Файл bad.cnf не является файлом конфигурации", ""},
                                {"Файл short.cnf не является файлом конфигурации", ""}}));
}

TEST_F(ConfigFileDialogs, LoadOfAFileThatCannotBeOpenedSaysSo) {
  ui.openChoices = {InConfig("gone.cnf")};
  ConfigImage image = FilledImage(7);
  EXPECT_FALSE(LoadConfigurationFile(ui, configFolder, currentPath, image));
  EXPECT_EQ(ui.errors, (std::vector<Lines>{kOpenError}));
  EXPECT_EQ(image, FilledImage(7));
}

// --- SaveConfigurationFile ---

TEST_F(ConfigFileDialogs, SaveAnsweredNoWritesNothingAndShowsNoDialog) {
  ui.answers = {false};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(1));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kSaveQuestion}));
  EXPECT_TRUE(ui.saveRequests.empty());
  EXPECT_EQ(FilesInConfig(), 0u);
}

TEST_F(ConfigFileDialogs, SaveCancelledInTheDialogWritesNothing) {
  ui.answers = {true};
  ui.saveChoices = {std::nullopt};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(1));
  ASSERT_EQ(ui.saveRequests.size(), 1u);
  const FileDialogRequest& request = ui.saveRequests[0];
  EXPECT_EQ(request.title, "Выбор файла для записи параметров конфигурации");
  EXPECT_EQ(request.initialFolder, configFolder);
  EXPECT_EQ(request.proposedPath, "");
  EXPECT_FALSE(request.fileMustExist);
  EXPECT_EQ(request.filters.size(), 6u);
  EXPECT_EQ(request.selectedFilter, 0);
  EXPECT_TRUE(ui.notices.empty());
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(FilesInConfig(), 0u);
}

TEST_F(ConfigFileDialogs, SaveUnderANewNameWithoutExtensionAddsCnf) {
  ui.answers = {true};
  ui.saveChoices = {InConfig("abc")};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(2));
  EXPECT_EQ(ReadBytes(InConfig("abc.cnf")), ConfigFileOf(2));
  EXPECT_FALSE(fs::exists(InConfig("abc")));
  EXPECT_EQ(currentPath, InConfig("abc.cnf"));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("abc.cnf")}));
  ui.ExpectScriptPlayed();
}

TEST_F(ConfigFileDialogs, SaveKeepsAnyExtensionAsTyped) {
  for (const std::string name : {"abc.txt", "abc."}) {
    ScriptedUi user;
    user.answers = {true};
    user.saveChoices = {InConfig(name)};
    SaveConfigurationFile(user, configFolder, currentPath, FilledImage(3));
    EXPECT_EQ(ReadBytes(InConfig(name)), ConfigFileOf(3)) << name;
    EXPECT_EQ(currentPath, InConfig(name));
    EXPECT_EQ(user.notices, (std::vector<Lines>{kSavedNotice(name)}));
  }
  EXPECT_EQ(FilesInConfig(), 2u);
}

TEST_F(ConfigFileDialogs, SaveToTheOpenedFileAgainReplacesItWithoutAsking) {
  WriteBytes(InConfig("x.cnf"), ConfigFileOf(0x10));
  currentPath = InConfig("x.cnf");
  ui.answers = {true};
  ui.saveChoices = {InConfig("x.cnf")};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(ui.saveRequests.at(0).proposedPath, InConfig("x.cnf"));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kSaveQuestion}));
  EXPECT_EQ(ReadBytes(InConfig("x.cnf")), ConfigFileOf(0x20));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("x.cnf")}));
}

TEST_F(ConfigFileDialogs, SaveOverAnotherFileAsksAndNoProposesTheRejectedName) {
  WriteBytes(InConfig("x.cnf"), ConfigFileOf(0x10));
  WriteBytes(InConfig("y.cnf"), ConfigFileOf(0x11));
  currentPath = InConfig("x.cnf");
  ui.answers = {true, false};
  ui.saveChoices = {InConfig("y.cnf"), std::nullopt};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kSaveQuestion, kReplaceQuestion("y.cnf")}));
  ASSERT_EQ(ui.saveRequests.size(), 2u);
  EXPECT_EQ(ui.saveRequests[1].proposedPath, InConfig("y.cnf"));
  EXPECT_EQ(ReadBytes(InConfig("y.cnf")), ConfigFileOf(0x11));
  EXPECT_EQ(ReadBytes(InConfig("x.cnf")), ConfigFileOf(0x10));
  EXPECT_TRUE(ui.notices.empty());
  ui.ExpectScriptPlayed();
}

// "Нет", the refused name proposed and chosen again, the question again,
// "Нет", cancel: the file is never replaced unasked.
TEST_F(ConfigFileDialogs, SaveAsksAgainForARefusedFileHoweverItIsChosen) {
  WriteBytes(InConfig("x.cnf"), ConfigFileOf(0x10));
  WriteBytes(InConfig("y.cnf"), ConfigFileOf(0x11));
  currentPath = InConfig("x.cnf");
  ui.answers = {true, false, false};
  ui.saveChoices = {InConfig("y.cnf"), InConfig("y.cnf"), std::nullopt};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(ui.questions,
            (std::vector<Lines>{kSaveQuestion, kReplaceQuestion("y.cnf"), kReplaceQuestion("y.cnf")}));
  ASSERT_EQ(ui.saveRequests.size(), 3u);
  EXPECT_EQ(ui.saveRequests[1].proposedPath, InConfig("y.cnf"));
  EXPECT_EQ(ui.saveRequests[2].proposedPath, InConfig("y.cnf"));
  EXPECT_EQ(ReadBytes(InConfig("y.cnf")), ConfigFileOf(0x11));
  EXPECT_EQ(ReadBytes(InConfig("x.cnf")), ConfigFileOf(0x10));
  EXPECT_TRUE(ui.notices.empty());
  ui.ExpectScriptPlayed();

  // The edited file itself, once refused (chosen without its extension),
  // is asked about too.
  ScriptedUi user;
  user.answers = {true, false, false};
  user.saveChoices = {InConfig("x"), InConfig("x.cnf"), std::nullopt};
  currentPath = InConfig("x.cnf");
  SaveConfigurationFile(user, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(user.questions,
            (std::vector<Lines>{kSaveQuestion, kReplaceQuestion("x.cnf"), kReplaceQuestion("x.cnf")}));
  EXPECT_EQ(ReadBytes(InConfig("x.cnf")), ConfigFileOf(0x10));
  user.ExpectScriptPlayed();
}

TEST_F(ConfigFileDialogs, SaveAfterARefusalAsksEvenForTheEditedFile) {
  WriteBytes(InConfig("x.cnf"), ConfigFileOf(0x10));
  WriteBytes(InConfig("y.cnf"), ConfigFileOf(0x11));
  currentPath = InConfig("x.cnf");
  ui.answers = {true, false, true};
  ui.saveChoices = {InConfig("y.cnf"), InConfig("x.cnf")};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(ui.questions,
            (std::vector<Lines>{kSaveQuestion, kReplaceQuestion("y.cnf"), kReplaceQuestion("x.cnf")}));
  EXPECT_EQ(ReadBytes(InConfig("x.cnf")), ConfigFileOf(0x20));
  EXPECT_EQ(ReadBytes(InConfig("y.cnf")), ConfigFileOf(0x11));
  EXPECT_EQ(currentPath, InConfig("x.cnf"));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("x.cnf")}));
  ui.ExpectScriptPlayed();
}

TEST_F(ConfigFileDialogs, SaveOverAnotherFileAnsweredYesReplacesIt) {
  WriteBytes(InConfig("y.cnf"), ConfigFileOf(0x11));
  ui.answers = {true, true};
  ui.saveChoices = {InConfig("y.cnf")};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(ReadBytes(InConfig("y.cnf")), ConfigFileOf(0x20));
  EXPECT_EQ(currentPath, InConfig("y.cnf"));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("y.cnf")}));
}

TEST_F(ConfigFileDialogs, SaveAsksBeforeReplacingTheNameWithCnfAdded) {
  WriteBytes(InConfig("abc.cnf"), ConfigFileOf(0x11));
  ui.answers = {true, false};
  ui.saveChoices = {InConfig("abc"), std::nullopt};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kSaveQuestion, kReplaceQuestion("abc.cnf")}));
  EXPECT_EQ(ui.saveRequests.at(1).proposedPath, InConfig("abc.cnf"));
  EXPECT_EQ(ReadBytes(InConfig("abc.cnf")), ConfigFileOf(0x11));
  EXPECT_EQ(FilesInConfig(), 1u);
}

TEST_F(ConfigFileDialogs, SaveIntoAFolderThatIsAFileReportsTheOpenError) {
  WriteBytes(folder.File("plain"), {1});
  const std::string path = folder.File("plain") + PathSeparator() + "x.cnf";
  ui.answers = {true};
  ui.saveChoices = {path};
  SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(1));
  EXPECT_EQ(ui.errors, (std::vector<Lines>{kOpenError}));
  EXPECT_TRUE(ui.notices.empty());
}

#ifndef _WIN32
TEST_F(ConfigFileDialogs, SaveCutShortKeepsTheOldFileAndReportsTheWriteError) {
  WriteBytes(InConfig("x.cnf"), ConfigFileOf(0x10));
  currentPath = InConfig("x.cnf");
  ui.answers = {true};
  ui.saveChoices = {InConfig("x.cnf")};
  {
    FileSizeLimit limit(100);
    SaveConfigurationFile(ui, configFolder, currentPath, FilledImage(0x20));
  }
  EXPECT_EQ(ui.errors, (std::vector<Lines>{{"Ошибка записи в файл x.cnf", ""}}));
  EXPECT_TRUE(ui.notices.empty());
  EXPECT_EQ(ReadBytes(InConfig("x.cnf")), ConfigFileOf(0x10));
  EXPECT_EQ(FilesInConfig(), 1u);
}
#endif

// --- SaveImageToFile ---

TEST_F(ConfigFileDialogs, SaveImageProposesNewCnfWithoutAPreliminaryQuestion) {
  ui.saveChoices = {InConfig("new.cnf")};
  SaveImageToFile(ui, configFolder, FilledImage(4));
  ASSERT_EQ(ui.saveRequests.size(), 1u);
  const FileDialogRequest& request = ui.saveRequests[0];
  EXPECT_EQ(request.title, "Выбор файла для записи параметров конфигурации");
  EXPECT_EQ(request.proposedPath, InConfig("new.cnf"));
  EXPECT_EQ(request.initialFolder, configFolder);
  EXPECT_EQ(request.filters, SplitFileFilters(kOnlineEditorFileFilters));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(ReadBytes(InConfig("new.cnf")), ConfigFileOf(4));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("new.cnf")}));
}

TEST_F(ConfigFileDialogs, SaveImageAsksEvenForTheProposedName) {
  WriteBytes(InConfig("new.cnf"), ConfigFileOf(0x11));
  ui.saveChoices = {InConfig("new.cnf")};
  ui.answers = {true};
  SaveImageToFile(ui, configFolder, FilledImage(5));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kReplaceQuestion("new.cnf")}));
  EXPECT_EQ(ReadBytes(InConfig("new.cnf")), ConfigFileOf(5));
}

TEST_F(ConfigFileDialogs, SaveImageNoShowsTheDialogAgainWithTheRejectedName) {
  WriteBytes(InConfig("old.cnf"), ConfigFileOf(0x11));
  ui.saveChoices = {InConfig("old.cnf"), InConfig("other")};
  ui.answers = {false};
  SaveImageToFile(ui, configFolder, FilledImage(6));
  ASSERT_EQ(ui.saveRequests.size(), 2u);
  EXPECT_EQ(ui.saveRequests[1].proposedPath, InConfig("old.cnf"));
  EXPECT_EQ(ReadBytes(InConfig("old.cnf")), ConfigFileOf(0x11));
  EXPECT_EQ(ReadBytes(InConfig("other.cnf")), ConfigFileOf(6));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("other.cnf")}));
  ui.ExpectScriptPlayed();
}

TEST_F(ConfigFileDialogs, SaveImageAsksAgainForARefusedFileChosenAgain) {
  WriteBytes(InConfig("old.cnf"), ConfigFileOf(0x11));
  ui.saveChoices = {InConfig("old.cnf"), InConfig("old.cnf"), std::nullopt};
  ui.answers = {false, false};
  SaveImageToFile(ui, configFolder, FilledImage(6));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kReplaceQuestion("old.cnf"), kReplaceQuestion("old.cnf")}));
  ASSERT_EQ(ui.saveRequests.size(), 3u);
  EXPECT_EQ(ui.saveRequests[2].proposedPath, InConfig("old.cnf"));
  EXPECT_EQ(ReadBytes(InConfig("old.cnf")), ConfigFileOf(0x11));
  EXPECT_TRUE(ui.notices.empty());
  ui.ExpectScriptPlayed();
}

TEST_F(ConfigFileDialogs, SaveImageAsksBeforeReplacingTheNameWithCnfAdded) {
  WriteBytes(InConfig("abc.cnf"), ConfigFileOf(0x11));
  ui.saveChoices = {InConfig("abc")};
  ui.answers = {true};
  SaveImageToFile(ui, configFolder, FilledImage(7));
  EXPECT_EQ(ui.questions, (std::vector<Lines>{kReplaceQuestion("abc.cnf")}));
  EXPECT_EQ(ReadBytes(InConfig("abc.cnf")), ConfigFileOf(7));
  EXPECT_EQ(ui.notices, (std::vector<Lines>{kSavedNotice("abc.cnf")}));
}

TEST(FileFilters, SplitIntoDescriptionAndPattern) {
  EXPECT_EQ(SplitFileFilters(kOnlineEditorFileFilters),
            (std::vector<FileFilter>{{"Data Files (*.cnf)", "*.cnf"}, {"DataFiles(*.*)", "*.*"}}));
  const auto six = SplitFileFilters(kMainWindowFileFilters);
  ASSERT_EQ(six.size(), 6u);
  EXPECT_EQ(six[1], (FileFilter{"DataFiles(*.ala)", "*.ala"}));
  EXPECT_EQ(six[5], (FileFilter{"DataFiles(*.*)", "*.*"}));
}
