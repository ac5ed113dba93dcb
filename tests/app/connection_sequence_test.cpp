// The connection start-up sequence and the table restore against the
// emulator, with the windows played by a RecordingShell: which devices are
// refused and with which texts, the corrupted-table path, what the restore
// writes and the check after it.
#include <chrono>

#include "app/connection_sequence.h"
#include "config/identification.h"
#include "config/modem_string.h"
#include "dialogs/table_rows.h"
#include "tests/app/shell_fixture.h"

using namespace vkt53;

using namespace std::chrono_literals;

namespace {

using Texts = std::vector<std::string>;

const std::string kIdentificationRead = "Чтение из таблицы 0 (поля 0-17)";
const std::string kRestoreFlagsRead = "Чтение из таблицы 7 (поля 0-8)";
const std::string kSpeedMasksRead = "Чтение из таблицы 1 (поля 0-2)";

// Table 0 names table 5 as corrupted while table 7 asks for tables 3 and 6:
// the status window must show what table 7 says.
const std::string kTable5NamedTables3And6Flagged =
    "table0.0 = 05\n"
    "table7 = 00 00 00 01 00 00 01 00\n";
// Table 7 asks for tables 3 and 5, table 0 names table 3.
const std::string kTables3And5Flagged =
    "table0.0 = 03\n"
    "table7 = 00 00 00 01 00 01 00 00\n"
    "modem = ATZ\n";
// The emulator's table 3 when its state file does not set it: 115200 bit/s
// (its --speed), 3 and 5 preambles, low priority.
const std::vector<int> kDefaultTable3 = {20, 3, 5, 1, 0, 0, 0};

void Select(TableStatusBlock& block, std::initializer_list<int> tables) {
  for (int table : tables) block[kWriteSelectionOffset + table] = 1;
}

// A configuration file unlike the emulator's tables in all three tables.
ConfigImage RestoreImage(uint8_t masterSpeedIndex) {
  ConfigImage image;
  NewConfigurationImage(image);
  image.bytes[kMasterSpeedIndexField] = masterSpeedIndex;
  image.bytes[kAnswerPreambleCountField] = 4;
  SetUnitEntry(image, 9, {1, kPortA, 13});
  SetUnitEntry(image, 200, {1, kPortC, 15});
  StoreModemText(image, "ATDP77");
  return image;
}

}  // namespace

class ConnectionSequence : public ShellFixture {};

class ServedVersion : public ShellFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(ServedVersion, ConnectsWithAllMenus) {
  StartDevice("", {"--software", GetParam()});
  std::size_t waitsBeforeConnecting = 0;
  shell.connect = [this, &waitsBeforeConnecting](LinkState& link) {
    waitsBeforeConnecting = clock.waits().size();
    return Connect(link);
  };
  RunConnectionSequence(state, shell);

  EXPECT_TRUE(state.supportedDevice);
  EXPECT_TRUE(shell.menuShown);
  EXPECT_TRUE(shell.parametersShown);
  EXPECT_TRUE(shell.notices.empty());
  EXPECT_EQ(shell.Requests(), Texts{kIdentificationRead}) << "nothing read beyond the identification";
  EXPECT_TRUE(shell.tableStatusCalls.empty());
  EXPECT_EQ(shell.status.linkPanel, " COM1,   115200 бит/с");
  EXPECT_EQ(state.record.Identification()[kSoftwareVersionByte], std::stoi(GetParam()));
  ASSERT_GT(clock.waits().size(), waitsBeforeConnecting);
  EXPECT_GE(clock.waits()[waitsBeforeConnecting], 300ms) << "DTR settles before the first request";
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

INSTANTIATE_TEST_SUITE_P(ReadWriteAndReadOnly, ServedVersion, ::testing::Values("3", "4"));

struct Refusal {
  const char* type;
  const char* software;
  Lines notice;
};

class RefusedDevice : public ShellFixture, public ::testing::WithParamInterface<Refusal> {};

// Table 0 names a corrupted table too: a refused device is not asked about it.
TEST_P(RefusedDevice, GetsTheNoticeAndNoParametersMenu) {
  StartDevice("table0.0 = 06\n", {"--type", GetParam().type, "--software", GetParam().software});
  RunConnectionSequence(state, shell);

  EXPECT_EQ(shell.notices, std::vector<Lines>{GetParam().notice});
  EXPECT_FALSE(state.supportedDevice);
  EXPECT_TRUE(shell.menuShown);
  EXPECT_FALSE(shell.parametersShown);
  EXPECT_EQ(shell.Requests(), Texts{kIdentificationRead});
  EXPECT_EQ(state.record.Identification()[kTypeCodeByte], std::stoi(GetParam().type))
      << "the record holds the identification read";
  EXPECT_TRUE(state.link.IsOpen()) << "the port stays open";
}

const Lines kForeignModel = {"Код типа подключенного устройства  7", "Программа обслуживает кордины vkt53-sx"};
const std::string kServedVersions = "Программа обслуживает кордины vkt53-sx только с версией ПО 3 или 4";

INSTANTIATE_TEST_SUITE_P(
    ModelAndVersion, RefusedDevice,
    ::testing::Values(Refusal{"7", "3", kForeignModel}, Refusal{"7", "5", kForeignModel},
                      Refusal{"8", "2", {"Версия ПО подключенного кордина 2", kServedVersions}},
                      Refusal{"8", "5", {"Версия ПО подключенного кордина 5", kServedVersions}}),
    [](const ::testing::TestParamInfo<Refusal>& refusal) {
      return std::string("Type") + refusal.param.type + "Software" + refusal.param.software;
    });

TEST_F(ConnectionSequence, CancelledDialogOrSilentDeviceLeaveNoDevice) {
  StartDevice("", {"--fault-drop", "all"});
  shell.connect = nullptr;  // "Отменить"
  RunConnectionSequence(state, shell);
  EXPECT_EQ(shell.events, (Texts{"connection dialog", "menu without parameters"}));
  EXPECT_EQ(shell.operations, 0);
  EXPECT_FALSE(state.link.IsOpen());

  RecordingShell silent(state);
  silent.connect = [this](LinkState& link) {
    const bool connected = Connect(link);
    link.context.firstByteWaitMs = 200;
    return connected;
  };
  RunConnectionSequence(state, silent);
  ASSERT_EQ(silent.status.questions.size(), 1u) << "the service's retry question, answered \"Нет\"";
  EXPECT_EQ(silent.status.questions[0].line1, "Не выполнено чтение из таблицы 0.");
  EXPECT_TRUE(silent.notices.empty());
  EXPECT_FALSE(state.supportedDevice);
  EXPECT_FALSE(silent.parametersShown);
  EXPECT_TRUE(silent.menuShown);
}

TEST_F(ConnectionSequence, ACorruptedTableOffersTheTablesTable7Flags) {
  StartDevice(kTable5NamedTables3And6Flagged);
  RunConnectionSequence(state, shell);

  EXPECT_TRUE(state.supportedDevice);
  EXPECT_EQ(shell.Requests(), (Texts{kIdentificationRead, kRestoreFlagsRead}));
  const std::size_t shown = EventAt(shell, "Разрушена таблица № 5");
  EXPECT_LT(EventAt(shell, "menu with parameters"), shown) << "the menu is back before the corruption is looked at";
  EXPECT_LT(shown, EventAt(shell, kRestoreFlagsRead, shown)) << "shown before table 7 is read";

  ASSERT_EQ(shell.tableStatusCalls.size(), 1u);
  const TableStatusBlock& block = shell.tableStatusCalls[0].block;
  const TableStatusBlock expected = {0, 0, 0, 1, 0, 1, 1, 0,   // offered: the writable tables
                                     0, 0, 0, 1, 0, 0, 1, 0,   // table 7, not table 0's number
                                     0, 0, 0, 0, 0, 0, 0, 0};  // nothing selected yet
  EXPECT_EQ(block, expected);
  EXPECT_EQ(shell.tableStatusCalls[0].tableWriteLock, 0);

  // "Выход": nothing more happens.
  EXPECT_EQ(shell.files.openDialogs, 0);
  EXPECT_TRUE(shell.fileEditorCalls.empty());
  EXPECT_TRUE(shell.notices.empty());
  EXPECT_EQ(shell.events.back(), "table status window");
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(ConnectionSequence, TheTableWriteLockReachesTheStatusWindow) {
  StartDevice(kTables3And5Flagged);
  state.link.settings.tableWriteLock = 1;
  RunConnectionSequence(state, shell);
  ASSERT_EQ(shell.tableStatusCalls.size(), 1u);
  EXPECT_EQ(shell.tableStatusCalls[0].tableWriteLock, 1);
}

TEST_F(ConnectionSequence, TheRestoreWritesExactlyTheChosenTablesAndChecksAgain) {
  StartDevice(kTables3And5Flagged);
  const ConfigImage image = RestoreImage(kDeviceSpeedIndex);
  shell.files.openChoices = {WriteFile("restore.cnf", image)};
  shell.chooseTables = [](TableStatusBlock& block) {
    Select(block, {5});  // "Записать избранные таблицы" with table 5 ticked
    return true;
  };
  shell.editFile = [](ConfigImage&) { return FileEditorOutcome{true, false}; };
  RunConnectionSequence(state, shell);

  EXPECT_EQ(shell.Requests(), (Texts{kIdentificationRead, kRestoreFlagsRead, kSpeedMasksRead,
                                     "Запись в таблицу 5 (поле 0)", kIdentificationRead}));
  ASSERT_EQ(shell.fileEditorCalls.size(), 1u);
  EXPECT_TRUE(shell.fileEditorCalls[0].deviceMode);
  EXPECT_EQ(shell.fileEditorCalls[0].image, image) << "the file as loaded";
  EXPECT_EQ(shell.fileEditorCalls[0].masterSpeedMask, 0x003FFFFFu) << "the speeds the device allows";
  EXPECT_TRUE(shell.files.questions.empty()) << "an unchanged file is not offered for saving";

  // Under the wait window: the write, the menu refreshed, the check.
  const std::size_t wait = EventAt(shell, "wait window: writing");
  const std::size_t menu = EventAt(shell, "menu with parameters", wait);
  EXPECT_LT(EventAt(shell, "Запись в таблицу 5 (поле 0)", wait), menu);
  EXPECT_LT(menu, EventAt(shell, kIdentificationRead, menu));
  EXPECT_LT(EventAt(shell, kIdentificationRead, menu), EventAt(shell, "wait window closed", wait));
  ASSERT_EQ(shell.closedWaitBars.size(), 1u);
  EXPECT_EQ(shell.closedWaitBars[0].maximum, 2);
  EXPECT_EQ(shell.closedWaitBars[0].position, 2);
  EXPECT_EQ(shell.waitWindowsInsideOperations, 1);

  // Table 3 is still asked for: the check names it.
  EXPECT_EQ(shell.notices, (std::vector<Lines>{{"Разрушена таблица 3", ""}}));
  EXPECT_EQ(state.record.Identification()[kCorruptedTableByte], 3);
  ConfigRecord file;
  RecordFromImage(image, file);
  EXPECT_EQ(DeviceTable(5), Bytes(file.ModemField()));
  EXPECT_EQ(DeviceTable(3), kDefaultTable3) << "not chosen, not written";
  EXPECT_TRUE(shell.requestsOutsideOperations.empty());
}

TEST_F(ConnectionSequence, RestoringEveryTableClearsTheCorruptionAtTheNewSpeed) {
  StartDevice(kTables3And5Flagged);
  const ConfigImage image = RestoreImage(11);  // 9600 bit/s
  shell.files.openChoices = {WriteFile("restore.cnf", image)};
  shell.chooseTables = [](TableStatusBlock& block) {
    SelectAllOffered(block);  // "Записать все таблицы"
    return true;
  };
  shell.editFile = [](ConfigImage&) { return FileEditorOutcome{true, false}; };
  RunConnectionSequence(state, shell);

  EXPECT_EQ(shell.Requests(),
            (Texts{kIdentificationRead, kRestoreFlagsRead, kSpeedMasksRead, "Запись в таблицу 3 (поля 0-7)",
                   "Запись в таблицу 5 (поле 0)", "Запись в таблицу 6 (поля 0-243)",
                   "Запись в таблицу 6 (поля 243-255)", kIdentificationRead}));
  EXPECT_EQ(shell.status.linkPanel, " COM1,   9600 бит/с");
  EXPECT_EQ(state.link.settings.exchangeSpeed, 9600);
  EXPECT_TRUE(shell.status.questions.empty()) << "the check ran at the device's new speed";
  EXPECT_EQ(state.record.Identification()[kCorruptedTableByte], 0);
  EXPECT_TRUE(shell.notices.empty()) << "no message when the corruption is cleared";
  ConfigRecord file;
  RecordFromImage(image, file);
  EXPECT_EQ(DeviceTable(3), Bytes(file.LinkParameters()));
  EXPECT_EQ(DeviceTable(5), Bytes(file.ModemField()));
  EXPECT_EQ(DeviceTable(6), Bytes(file.UnitLinkBytes()));
}

TEST_F(ConnectionSequence, AChangedPreviewIsOfferedForSavingAndWrittenEitherWay) {
  StartDevice(kTables3And5Flagged);
  shell.files.openChoices = {WriteFile("restore.cnf", RestoreImage(kDeviceSpeedIndex))};
  shell.files.answers = {false};  // "Нет" to saving
  shell.chooseTables = [](TableStatusBlock& block) {
    Select(block, {5});
    return true;
  };
  ConfigRecord edited;
  shell.editFile = [&edited](ConfigImage& shown) {
    StoreModemText(shown, "ATH1");
    RecordFromImage(shown, edited);
    return FileEditorOutcome{true, true};
  };
  RunConnectionSequence(state, shell);

  EXPECT_EQ(shell.files.questions, (std::vector<Lines>{{"Сохранить параметры конфигурирования в файле?", ""}}));
  EXPECT_EQ(shell.files.saveDialogs, 0);
  EXPECT_EQ(DeviceTable(5), Bytes(edited.ModemField())) << "the edited preview was written";
}

TEST_F(ConnectionSequence, NothingIsWrittenWithoutAFileOrAConfirmedPreview) {
  StartDevice(kTables3And5Flagged);
  shell.chooseTables = [](TableStatusBlock& block) {
    SelectAllOffered(block);
    return true;
  };
  RunConnectionSequence(state, shell);  // the file dialog cancelled
  EXPECT_EQ(shell.files.openDialogs, 1);
  EXPECT_TRUE(shell.fileEditorCalls.empty());
  EXPECT_EQ(shell.Requests(), (Texts{kIdentificationRead, kRestoreFlagsRead}));

  RecordingShell declined(state);
  declined.connect = [this](LinkState& link) { return Connect(link); };
  declined.chooseTables = shell.chooseTables;
  declined.files.openChoices = {WriteFile("restore.cnf", RestoreImage(kDeviceSpeedIndex))};
  declined.editFile = [](ConfigImage& shown) {
    SetUnitEntry(shown, 33, {1, kPortB, 7});
    return FileEditorOutcome{false, false};  // "Выход"
  };
  RunConnectionSequence(state, declined);
  EXPECT_EQ(declined.fileEditorCalls.size(), 1u);
  EXPECT_EQ(declined.Requests(), (Texts{kIdentificationRead, kRestoreFlagsRead, kSpeedMasksRead}));
  EXPECT_TRUE(declined.files.questions.empty());
  EXPECT_EQ(EventAt(declined, "wait window: writing"), declined.events.size());
}

TEST_F(ConnectionSequence, UnreadableSpeedMasksOfferEverySpeedInThePreview) {
  // The third request, table 1 before the preview, goes unanswered.
  StartDevice(kTables3And5Flagged, {"--fault-skip", "2", "--fault-drop", "1"});
  shell.connect = [this](LinkState& link) {
    const bool connected = Connect(link);
    link.context.firstByteWaitMs = 200;
    return connected;
  };
  shell.files.openChoices = {WriteFile("restore.cnf", RestoreImage(kDeviceSpeedIndex))};
  shell.chooseTables = [](TableStatusBlock& block) {
    Select(block, {5});
    return true;
  };
  shell.editFile = [](ConfigImage&) { return FileEditorOutcome{true, false}; };
  RunConnectionSequence(state, shell);

  ASSERT_EQ(shell.status.questions.size(), 1u);
  EXPECT_EQ(shell.status.questions[0].line1, "Не выполнено чтение из таблицы 1.");
  ASSERT_EQ(shell.fileEditorCalls.size(), 1u) << "the preview goes on";
  EXPECT_EQ(shell.fileEditorCalls[0].masterSpeedMask, kAllSpeedsMask);
  EXPECT_EQ(shell.fileEditorCalls[0].unitSpeedMask, kAllSpeedsMask);
  EXPECT_EQ(shell.Requests(), (Texts{kIdentificationRead, kRestoreFlagsRead, kSpeedMasksRead,
                                     "Запись в таблицу 5 (поле 0)", kIdentificationRead}));
}

class Commands : public ShellFixture {};

TEST_F(Commands, TableStatusReadsTable7AndWritesNothingOnExit) {
  StartDevice(kTables3And5Flagged);
  ConnectServedDevice();
  RunTableStatusCommand(state, shell);
  EXPECT_EQ(shell.Requests(), Texts{kRestoreFlagsRead});
  ASSERT_EQ(shell.tableStatusCalls.size(), 1u);
  EXPECT_EQ(shell.tableStatusCalls[0].block[kRestoreRequiredOffset + 3], 1);
  EXPECT_EQ(shell.tableStatusCalls[0].block[kRestoreRequiredOffset + 5], 1);
  EXPECT_EQ(shell.files.openDialogs, 0);
  EXPECT_EQ(std::find(shell.events.begin(), shell.events.end(), "Разрушена таблица № 3"), shell.events.end())
      << "the command writes nothing to the operation panel first";
}

TEST_F(Commands, TableStatusShowsNoWindowWhenTable7CannotBeRead) {
  StartDevice(kTables3And5Flagged, {"--fault-error", "3"});
  ConnectServedDevice();
  RunTableStatusCommand(state, shell);
  EXPECT_EQ(shell.status.questions.size(), 1u);
  EXPECT_TRUE(shell.tableStatusCalls.empty());
}

TEST_F(Commands, IdentificationIsReadAgainAndShown) {
  StartDevice("hardware = 6\n", {"--software", "4"});
  ConnectServedDevice();
  RunIdentificationCommand(state, shell);
  EXPECT_EQ(shell.Requests(), Texts{kIdentificationRead});
  ASSERT_EQ(shell.shownIdentifications.size(), 1u);
  EXPECT_EQ(shell.shownIdentifications[0][kHardwareVersionByte], 6);
  EXPECT_EQ(shell.shownIdentifications[0][kSoftwareVersionByte], 4);
  EXPECT_TRUE(state.supportedDevice) << "no checks again";
}

TEST_F(Commands, ForgettingTheDeviceEmptiesTheMenuAndTheLinkPanel) {
  state.supportedDevice = true;
  shell.status.linkPanel = " COM1,   1200 бит/с";
  ForgetDevice(state, shell);
  EXPECT_FALSE(state.supportedDevice);
  EXPECT_FALSE(shell.menuShown);
  EXPECT_EQ(shell.events, Texts{"menu hidden"});
  EXPECT_EQ(shell.status.linkPanel, "");
}
