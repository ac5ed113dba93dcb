// The configuration commands with the windows played by a RecordingShell:
// the online editor's read, edit and write of what changed against the
// emulator, and the configuration files' save offer.
#include "app/configuration_commands.h"

#include <filesystem>
#include <fstream>

#include "app/write_check.h"
#include "config/configuration_backup.h"
#include "config/modem_string.h"
#include "tests/shell/shell_bench.h"

using namespace vkt53;

namespace {

using Texts = std::vector<std::string>;

const Texts kWholeRead = {"Чтение из таблицы 3 (поля 0-7)", "Чтение из таблицы 5 (поле 0)",
                          "Чтение из таблицы 6 (поля 0-130)", "Чтение из таблицы 6 (поля 130-255)",
                          "Чтение из таблицы 1 (поля 0-2)"};

const Texts kUnitTableReadBack = {"Чтение из таблицы 6 (поля 0-130)",
                                  "Чтение из таблицы 6 (поля 130-255)"};

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
  state.link.context.firstByteWaitMs = 200;
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
  EXPECT_TRUE(shell.files.questions.empty()) << "nothing was written, so no backup is offered";
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

// "Записать в устройство" with its backup and its check: the configuration as
// read is saved in CONFIG/backup before anything is sent, the written tables
// are read back, and a difference offers the backup.
class CheckedWrite : public ShellBench {
 protected:
  std::string BackupFolder() const { return BackupFolderPath(state.configFolder); }
  std::vector<std::string> Backups() const {
    std::vector<std::string> names;
    if (!std::filesystem::is_directory(BackupFolder())) return names;
    for (const auto& entry : std::filesystem::directory_iterator(BackupFolder())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  // Unit 5 to 1200 bit/s and the answer preambles from 3 to 4.
  void EditUnit5AndPreambles() {
    shell.editOnline = [](ConfigImage& image) {
      SetUnitEntry(image, 5, {1, kPortA, 2});
      image.bytes[kAnswerPreambleCountField] = 4;
      return true;
    };
  }
  const Texts kWritesOfUnit5AndTable3 = {"Запись в таблицу 3 (поля 0-7)",
                                         "Запись в таблицу 6 (поле 5)"};
  const Texts kReadBackOfTables3And6 =
      Concat({"Чтение из таблицы 3 (поля 0-7)"}, kUnitTableReadBack);
};

TEST_F(CheckedWrite, TheConfigurationAsReadIsBackedUpBeforeTheWriteAndTheWriteIsReadBack) {
  StartDevice(kUnit5AtPortAWith19200 + "modem = ATDT5\n", {"--log"});
  ConnectServedDevice();
  // The identification is in the record since the start-up sequence read it.
  ASSERT_TRUE(shell.RunTableOperation(
      [this](LinkSession& s) { return ReadIdentification(s, state.record); }));
  shell.status.operations.clear();
  EditUnit5AndPreambles();
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.Requests(),
            Concat(Concat(kWholeRead, kWritesOfUnit5AndTable3), kReadBackOfTables3And6));
  EXPECT_TRUE(shell.restoreQuestions.empty());
  EXPECT_TRUE(shell.notices.empty() && shell.exchangeResults.empty() && shell.files.errors.empty());
  EXPECT_EQ(DeviceTable(6)[5], MakeUnitLinkByte(kPortA, 2));

  // One backup, an ordinary configuration file holding what the editor was shown.
  const std::vector<std::string> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_TRUE(IsBackupFileName(backups[0])) << backups[0];
  EXPECT_NE(backups[0].find("_vkt53-sx_hw1_sw3_b250317"), std::string::npos) << backups[0];
  ConfigImage file;
  ASSERT_EQ(ReadConfigFile(BackupFolder() + "/" + backups[0], file), ConfigFileReadResult::kRead);
  ASSERT_EQ(shell.onlineEditorImages.size(), 1u);
  EXPECT_EQ(file, shell.onlineEditorImages[0]);
  EXPECT_EQ(GetUnitEntry(file, 5), (UnitEntry{1, kPortA, 15}));
  EXPECT_EQ(ModemTextOfImage(file), "ATDT5");
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(CheckedWrite, NothingChangedMakesNoBackup) {
  StartDevice();
  ConnectServedDevice();
  shell.editOnline = [](ConfigImage&) { return true; };
  RunOnlineConfiguration(state, shell);
  EXPECT_EQ(shell.notices, std::vector<Lines>{kNothingChanged});
  EXPECT_TRUE(Backups().empty());
}

TEST_F(CheckedWrite, ABackupThatCannotBeSavedStopsTheWriteBeforeAnythingIsSent) {
  StartDevice(kUnit5AtPortAWith19200, {"--log"});
  ConnectServedDevice();
  std::ofstream(BackupFolder()) << "a file where the backup folder should be";
  EditUnit5AndPreambles();
  RunOnlineConfiguration(state, shell);

  ASSERT_EQ(shell.files.errors.size(), 1u);
  EXPECT_EQ(shell.files.errors[0].line1,
            "Резервная копия конфигурации не сохранена, запись в устройство не выполняется.");
  EXPECT_EQ(shell.files.errors[0].line2, "Нельзя создать папку " + BackupFolder());
  EXPECT_EQ(shell.Requests(), kWholeRead);
  EXPECT_EQ(device->ErrorOutput().find("write table"), std::string::npos) << device->ErrorOutput();
  EXPECT_NE(device->ErrorOutput().find("read table 1"), std::string::npos) << "the log is there";
  EXPECT_EQ(DeviceTable(6)[5], MakeUnitLinkByte(kPortA, 15));
  EXPECT_EQ(DeviceTable(3)[kAnswerPreambleCountField], 3);
}

TEST_F(CheckedWrite, ADifferenceIsShownFieldByFieldAndTheBackupMayBeLeft) {
  StartDevice(kUnit5AtPortAWith19200, {"--fault-ignore-write", "6"});
  ConnectServedDevice();
  EditUnit5AndPreambles();
  shell.restoreAnswer = false;
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.Requests(),
            Concat(Concat(kWholeRead, kWritesOfUnit5AndTable3), kReadBackOfTables3And6));
  ASSERT_EQ(shell.restoreQuestions.size(), 1u);
  const auto& question = shell.restoreQuestions[0];
  ASSERT_EQ(question.differences.size(), 1u) << "table 3 was stored; only unit 5 differs";
  EXPECT_EQ(DifferenceLine(question.differences[0]),
            "Табл. 6 \"Скорость обмена с подкл. вычислителем и порт подключения\", поле 5 "
            "(вычислитель 5): "
            "записано порт A, 1200 бит/с (0x22), прочитано порт A, 19200 бит/с (0x2F)");
  EXPECT_EQ(question.backupFileName, Backups().at(0));
  EXPECT_EQ(DeviceTable(3)[kAnswerPreambleCountField], 4) << "left as written";
  EXPECT_TRUE(shell.notices.empty() && shell.exchangeResults.empty());
}

TEST_F(CheckedWrite, YesWritesTheBackupsTablesBackAndChecksThem) {
  StartDevice(kUnit5AtPortAWith19200, {"--fault-ignore-write", "6"});
  ConnectServedDevice();
  EditUnit5AndPreambles();
  shell.files.answers = {true};  // the plain question box of every ShellUi
  RunOnlineConfiguration(state, shell);

  ASSERT_EQ(shell.files.questions.size(), 1u);
  EXPECT_EQ(shell.files.questions[0].line2,
            "Записать в устройство резервную копию " + Backups().at(0) + "?");
  EXPECT_EQ(shell.files.questions[0].line1.rfind("Табл. 6 ", 0), 0u)
      << shell.files.questions[0].line1;
  const Texts restore = {"Запись в таблицу 3 (поля 0-7)", "Запись в таблицу 6 (поля 0-243)",
                         "Запись в таблицу 6 (поля 243-255)"};
  EXPECT_EQ(
      shell.Requests(),
      Concat(Concat(Concat(Concat(kWholeRead, kWritesOfUnit5AndTable3), kReadBackOfTables3And6),
                    restore),
             kReadBackOfTables3And6));
  EXPECT_EQ(DeviceTable(3)[kAnswerPreambleCountField], 3) << "the backup's table 3 is back";
  EXPECT_EQ(shell.notices,
            (std::vector<Lines>{{"Резервная копия записана в устройство:", Backups().at(0)}}));
  EXPECT_LT(EventAt(shell, "restore question"), EventAt(shell, "wait window: writing"));
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(CheckedWrite, AWriteStoppedHalfWayNamesWhatItWroteAndYesWritesTheBackupOfThatBack) {
  // The five reads and the write of table 3 are answered; unit 5's write is refused.
  StartDevice(kUnit5AtPortAWith19200, {"--fault-skip", "6", "--fault-error", "3@1"});
  ConnectServedDevice();
  state.link.context.attemptCount = 1;
  EditUnit5AndPreambles();
  shell.files.answers = {true};
  RunOnlineConfiguration(state, shell);

  ASSERT_EQ(shell.status.questions.size(), 1u);
  EXPECT_EQ(shell.status.questions[0].line1, "Не выполнена запись в таблицу 6.");
  EXPECT_EQ(
      shell.files.questions,
      (std::vector<Lines>{{"Запись не завершена. Записано: табл. 3 \"Параметры связи\"",
                           "Записать в устройство резервную копию " + Backups().at(0) + "?"}}));
  EXPECT_EQ(shell.Requests(),
            Concat(Concat(kWholeRead, kWritesOfUnit5AndTable3),
                   {"Запись в таблицу 3 (поля 0-7)", "Чтение из таблицы 3 (поля 0-7)"}))
      << "table 3 of the backup written back and checked; table 6 was not written";
  EXPECT_EQ(DeviceTable(3)[kAnswerPreambleCountField], 3);
  EXPECT_EQ(shell.notices,
            (std::vector<Lines>{{"Резервная копия записана в устройство:", Backups().at(0)}}));
  EXPECT_TRUE(shell.restoreQuestions.empty());
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(CheckedWrite, TheReadBackAsksTheRetryQuestionAndAFailureIsReported) {
  // The five reads and the write are answered, nothing after them.
  StartDevice("", {"--fault-skip", "6", "--fault-drop", "all"});
  ConnectServedDevice();
  state.link.context.firstByteWaitMs = 200;
  shell.editOnline = [](ConfigImage& image) {
    StoreModemText(image, "ATH");
    return true;
  };
  shell.status.answers = {true};  // "Да" once, then "Нет"
  RunOnlineConfiguration(state, shell);

  EXPECT_EQ(shell.Requests(),
            Concat(kWholeRead, {"Запись в таблицу 5 (поле 0)", "Чтение из таблицы 5 (поле 0)",
                                "Чтение из таблицы 5 (поле 0)"}));
  ASSERT_EQ(shell.status.questions.size(), 2u);
  EXPECT_EQ(shell.status.questions[1].line1, "Не выполнено чтение из таблицы 5.");
  EXPECT_EQ(shell.exchangeResults,
            (std::vector<Lines>{{"Записанные таблицы не прочитаны для проверки",
                                 "Резервная копия: " + Backups().at(0)}}));
  EXPECT_TRUE(shell.restoreQuestions.empty());
}

TEST(WriteCheckTexts, FieldsOfTables3And5ReadAsTheEditorShowsThem) {
  ConfigRecord meant, read;
  meant.LinkParameters()[kMasterSpeedIndexField] = 11;
  read.LinkParameters()[kMasterSpeedIndexField] = 2;
  meant.LinkParameters()[kWaitUnitPreamblesField] = 1;
  meant.LinkParameters()[kUnitAnswerWaitField] = 5;
  const auto atz = EncodeModemField("ATZ"), ath = EncodeModemField("ATH");
  std::copy(atz.begin(), atz.end(), meant.ModemField().begin());
  std::copy(ath.begin(), ath.end(), read.ModemField().begin());
  read.UnitLinkBytes()[9] = 0x80;  // not a written table: not compared

  std::vector<std::string> lines;
  for (const FieldDifference& d : DifferingFields(meant, read, {true, true, false}))
    lines.push_back(DifferenceLine(d));
  EXPECT_EQ(lines, (Texts{"Табл. 3 \"Параметры связи\", поле 0 (Скорость обмена с ВУ): записано "
                          "9600 бит/с, прочитано 1200 бит/с",
                          "Табл. 3 \"Параметры связи\", поле 4 (Преамбулы от вычислителя): "
                          "записано Ожидать, прочитано Не ожидать",
                          "Табл. 3 \"Параметры связи\", поле 6 (Длительность ожидания ответа от "
                          "вычислителя): записано 5 (1100 мс), прочитано 0 (1000 мс)",
                          "Табл. 5 \"Командная строка модема\", поле 0 (Строка инициализации "
                          "модема): записано \"ATZ\", прочитано \"ATH\""}));

  // The same text in another form is told by its bytes.
  ConfigRecord noReturn = meant;
  noReturn.ModemField()[3] = 0;
  const auto modem = DifferingFields(meant, noReturn, {false, true, false});
  ASSERT_EQ(modem.size(), 1u);
  EXPECT_EQ(modem[0].meant, "байты 41 54 5A 0D и нули");
  EXPECT_EQ(modem[0].read, "байты 41 54 5A и нули");
}
