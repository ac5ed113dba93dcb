// The configuration commands with the windows played by a RecordingShell:
// the online editor's read, edit and write of what changed against the
// emulator, and the configuration files' save offer.
#include "app/configuration_commands.h"
#include "config/modem_string.h"
#include "shell_bench.h"

using namespace vkt53;

namespace {

using Texts = std::vector<std::string>;

const Texts kWholeRead = {"Чтение из таблицы 3 (поля 0-7)", "Чтение из таблицы 5 (поле 0)",
                          "Чтение из таблицы 6 (поля 0-130)", "Чтение из таблицы 6 (поля 130-255)",
                          "Чтение из таблицы 1 (поля 0-2)"};

const std::string kUnit5AtPortAWith19200 = "table6.5 = 2F\n";  // port 1 << 5 | speed index 15

Texts Concat(Texts first, const Texts& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

const Lines kNothingChanged = {"Запись таблиц не выполняется.", "Нет измененных данных"};
const Lines kSaveQuestion = {"Сохранить параметры конфигурирования в файле?", ""};

}  // namespace

class OnlineConfiguration : public ShellBench {};

TEST_F(OnlineConfiguration, ReadsWholeUnderTheWaitWindowAndWritesNothingUnchanged) {
  StartDevice(kUnit5AtPortAWith19200 + "modem = ATDT5\n");
  ConnectServedDevice();
  shell.editOnline = [](ConfigImage&) { return true; };  // "Записать в устройство" at once
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.Requests(), kWholeRead) << "no write";
  EXPECT_EQ(shell.notices, std::vector<Lines>{kNothingChanged});
  ASSERT_EQ(shell.closedWaitBars.size(), 1u);
  EXPECT_EQ(shell.closedWaitBars[0].maximum, 5);
  EXPECT_EQ(shell.closedWaitBars[0].position, 5);
  EXPECT_GT(shell.status.eventTurns, 0);
  EXPECT_LT(EventAt(shell, "wait window: reading"), EventAt(shell, kWholeRead.front()));
  EXPECT_LT(EventAt(shell, "wait window closed"), EventAt(shell, "to front"));
  EXPECT_LT(EventAt(shell, "to front"), EventAt(shell, "online editor"));

  ASSERT_EQ(shell.onlineEditorImages.size(), 1u);
  const ConfigImage& shown = shell.onlineEditorImages[0];
  EXPECT_EQ(GetUnitEntry(shown, 5), (UnitEntry{1, kPortA, 15}));
  EXPECT_EQ(ModemTextOfImage(shown), "ATDT5");
  EXPECT_EQ(shell.onlineEditorFolder, state.configFolder);
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(OnlineConfiguration, WritesOnlyWhatTheEditorChanged) {
  StartDevice(kUnit5AtPortAWith19200);
  ConnectServedDevice();
  shell.editOnline = [](ConfigImage& image) {
    SetUnitEntry(image, 5, {1, kPortA, 7});
    return true;
  };
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.Requests(), Concat(kWholeRead, {"Запись в таблицу 6 (поле 5)"}));
  EXPECT_TRUE(shell.notices.empty());
  EXPECT_EQ(DeviceTable(6)[5], MakeUnitLinkByte(kPortA, 7));
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(OnlineConfiguration, ExitWritesNothingAndSaysNothing) {
  StartDevice();
  ConnectServedDevice();
  shell.editOnline = [](ConfigImage& image) {
    SetUnitEntry(image, 5, {1, kPortA, 7});
    return false;  // "Выход"
  };
  RunOnlineConfiguration(state, shell);
  EXPECT_EQ(shell.Requests(), kWholeRead);
  EXPECT_TRUE(shell.notices.empty());
  EXPECT_TRUE(shell.exchangeResults.empty());
}

TEST_F(OnlineConfiguration, AFailedReadOpensNoEditor) {
  StartDevice("", {"--fault-drop", "all"});
  ConnectServedDevice();
  state.context->firstByteWaitMs = 200;
  shell.editOnline = [](ConfigImage&) { return true; };
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.exchangeResults, (std::vector<Lines>{{"Параметры конфигурирования не прочитаны", ""}}));
  EXPECT_TRUE(shell.onlineEditorImages.empty());
  EXPECT_EQ(shell.closedWaitBars.size(), 1u) << "the wait window closed before the message";
  EXPECT_LT(EventAt(shell, "wait window closed"), EventAt(shell, "exchange result: Параметры конфигурирования не прочитаны"));
  EXPECT_EQ(EventAt(shell, "to front"), shell.events.size());
}

TEST_F(OnlineConfiguration, AFailedWriteIsNotCalledUnchanged) {
  // The five reads are answered, every request after them refused with device error 3.
  StartDevice("", {"--fault-skip", "5", "--fault-error", "3"});
  ConnectServedDevice();
  shell.editOnline = [](ConfigImage& image) {
    StoreModemText(image, "ATH");
    return true;
  };
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.Requests(), Concat(kWholeRead, {"Запись в таблицу 5 (поле 0)"}));
  ASSERT_EQ(shell.status.questions.size(), 1u);
  EXPECT_EQ(shell.status.questions[0].line1, "Не выполнена запись в таблицу 5.");
  EXPECT_TRUE(shell.notices.empty()) << "the service has reported the failure; nothing more";
}

class ConfigurationFiles : public ShellBench {
 protected:
  // Runs the command with the editor answering `outcome`, after `edit`.
  void Run(bool newConfiguration, FileEditorOutcome outcome, std::function<void(ConfigImage&)> edit = {}) {
    shell.editFile = [outcome, edit](ConfigImage& image) {
      if (edit) edit(image);
      return outcome;
    };
    RunConfigurationFileCommand(state, shell, newConfiguration);
  }
  ConfigImage Defaults() {
    ConfigImage image;
    NewConfigurationImage(image);
    return image;
  }
};

TEST_F(ConfigurationFiles, ANewConfigurationIsOfferedForSavingEvenUnchanged) {
  const std::string saved = folder.File("saved.cnf");
  shell.files.answers = {true};
  shell.files.saveChoices = {saved};
  Run(true, {true, false});

  ASSERT_EQ(shell.fileEditorCalls.size(), 1u);
  EXPECT_FALSE(shell.fileEditorCalls[0].deviceMode);
  EXPECT_EQ(shell.fileEditorCalls[0].image, Defaults());
  EXPECT_EQ(shell.files.openDialogs, 0);
  EXPECT_EQ(shell.files.questions, std::vector<Lines>{kSaveQuestion});
  ConfigImage file;
  ASSERT_EQ(ReadConfigFile(saved, file), ConfigFileReadResult::kRead);
  EXPECT_EQ(file, Defaults());
  EXPECT_EQ(state.configFilePath, saved);
  EXPECT_EQ(shell.operations, 0) << "no device is needed";
}

TEST_F(ConfigurationFiles, AnOpenedFileIsOfferedForSavingOnlyWhenChanged) {
  ConfigImage original = Defaults();
  SetUnitEntry(original, 40, {1, kPortC, 9});
  const std::string path = WriteFile("opened.cnf", original);

  shell.files.openChoices = {path};
  Run(false, {true, false});
  ASSERT_EQ(shell.fileEditorCalls.size(), 1u);
  EXPECT_EQ(shell.fileEditorCalls[0].image, original) << "the file as stored";
  EXPECT_TRUE(shell.files.questions.empty()) << "accepted unchanged";

  shell.files.openChoices = {path};
  shell.files.answers = {true};
  shell.files.saveChoices = {path};  // the file being edited: replaced without asking
  Run(false, {true, true}, [](ConfigImage& image) { SetUnitEntry(image, 40, {0, kPortC, 9}); });
  EXPECT_EQ(shell.files.questions, std::vector<Lines>{kSaveQuestion});
  ConfigImage file;
  ASSERT_EQ(ReadConfigFile(path, file), ConfigFileReadResult::kRead);
  EXPECT_EQ(GetUnitEntry(file, 40), (UnitEntry{0, kPortC, 9}));
}

TEST_F(ConfigurationFiles, NothingIsOfferedWithoutAcceptanceOrAFile) {
  Run(true, {false, false}, [](ConfigImage& image) { SetUnitEntry(image, 3, {1, kPortA, 2}); });
  EXPECT_TRUE(shell.files.questions.empty()) << "\"Выход\" discards even a new configuration";

  Run(false, {true, true});  // the open dialog cancelled
  EXPECT_EQ(shell.files.openDialogs, 1);
  EXPECT_EQ(shell.fileEditorCalls.size(), 1u) << "no editor without a file";
  EXPECT_TRUE(shell.files.questions.empty());
}
