// What the table service sends on a scripted line, and what the user sees of
// it: the writes of an edited configuration (whole tables 3 and 5, table 6 in
// runs of changed fields), the writes of a table restore, the retry question
// and the pauses after long table sequences. A clock that skips the waits
// lets the real delays of each request cost nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "config/config_image.h"
#include "config/modem_string.h"
#include "link/conffun.h"
#include "tests/support/scripted_port.h"
#include "tests/support/test_link.h"

using namespace vkt53;

using Texts = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

constexpr SteadyClock::duration kSettle = 500ms;  // after a long table sequence

// A link to the scripted device, the way the program holds it.
class ScriptedTables : public ::testing::Test {
 protected:
  ScriptedTables() {
    // The configuration as read: master speed 115200, unit 5 at port A and 19200.
    asRead.LinkParameters()[kMasterSpeedIndexField] = 20;
    asRead.UnitLinkBytes()[5] = MakeUnitLinkByte(kPortA, 15);
    ImageFromRecord(asRead, image);
  }

  LinkSession session() { return link.session; }
  // The writes of the edited image over the configuration as read.
  TableWrites Changes() const {
    ConfigRecord meant = asRead;
    RecordFromImage(image, meant);
    return ChangedTableWrites(asRead, meant);
  }
  ChangeWriteOutcome WriteChanges() {
    LinkSession s = session();
    return WriteChangedTables(s, Changes()).outcome;
  }
  bool WriteSelected(std::initializer_list<int> tables, ProgressBar* progress) {
    TableStatusBlock status{};
    for (int table : tables) status[kWriteSelectionOffset + table] = 1;
    LinkSession s = session();
    return WriteConfiguration(s, asRead, status, progress).outcome != ChangeWriteOutcome::Failed;
  }
  // Every request from `first` on answered with a refusal (device error 12).
  void RefuseFrom(int first) {
    device.answer = [first](const TableRequestSeen&, int number) -> std::optional<Bytes> {
      if (number >= first) return ErrorAnswer(0, kTableFunction, 12);
      return std::nullopt;
    };
  }
  Bytes ValuesOfWrite(std::size_t n) const {
    std::vector<TableRequestSeen> writes;
    for (const auto& request : device.requests()) {
      if (request.isWrite()) writes.push_back(request);
    }
    return writes.at(n).values;
  }
  SteadyClock::duration LastWait() const {
    return clock.waits().empty() ? SteadyClock::duration{} : clock.waits().back();
  }

  FakeClock clock;
  TableFarEnd device;
  std::shared_ptr<ScriptedPort> port = std::make_shared<ScriptedPort>(clock, device.Script());
  TestLink link{port, 115200};
  LinkSettings& settings = link.settings;
  ExchangeContext& context = link.context;
  RecordingUi& ui = link.ui;
  ConfigRecord asRead;
  ConfigImage image;
};

}  // namespace

// --- Writing what the edited configuration changes ---

TEST_F(ScriptedTables, NothingChangedWritesNothing) {
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::NothingChanged);
  EXPECT_TRUE(device.requests().empty());
  EXPECT_TRUE(ui.operations.empty());
}

TEST_F(ScriptedTables, OneChangedUnitIsOneSingleFieldWrite) {
  SetUnitEntry(image, 5, {1, kPortA, 7});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), Texts{"6 5 1"});
  EXPECT_EQ(ValuesOfWrite(0), Bytes{MakeUnitLinkByte(kPortA, 7)});
  EXPECT_EQ(ui.Requests(), Texts{"Запись в таблицу 6 (поле 5)"});
}

TEST_F(ScriptedTables, ChangesApartAreRunsApartAndNeighboursOneRun) {
  SetUnitEntry(image, 10, {1, kPortB, 11});
  SetUnitEntry(image, 12, {1, kPortC, 15});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), (Texts{"6 10 1", "6 12 1"})) << "unit 11 is unchanged between them";

  ImageFromRecord(asRead, image);
  SetUnitEntry(image, 11, {1, kPortA, 2});
  SetUnitEntry(image, 12, {1, kPortC, 15});
  SetUnitEntry(image, 13, {1, kPortB, 3});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes().back(), "6 11 3");
  EXPECT_EQ(ValuesOfWrite(2), (Bytes{MakeUnitLinkByte(kPortA, 2), MakeUnitLinkByte(kPortC, 15),
                                     MakeUnitLinkByte(kPortB, 3)}));
  EXPECT_EQ(ui.Requests().back(), "Запись в таблицу 6 (поля 11-14)");
}

TEST_F(ScriptedTables, ARunIsCutWhereOneRequestIsFull) {
  for (int a = 1; a <= 254; ++a) SetUnitEntry(image, a, {1, kPortA, 2});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), (Texts{"6 1 243", "6 244 11"}));
  EXPECT_EQ(ui.Requests(), (Texts{"Запись в таблицу 6 (поля 1-244)", "Запись в таблицу 6 (поля 244-255)"}));
  EXPECT_EQ(ValuesOfWrite(1), Bytes(11, MakeUnitLinkByte(kPortA, 2)));
}

TEST_F(ScriptedTables, ARunOfExactlyOneRequestsWorthIsOneRequest) {
  for (int a = 1; a <= 243; ++a) SetUnitEntry(image, a, {1, kPortB, 4});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), Texts{"6 1 243"});

  ImageFromRecord(asRead, image);
  for (int a = 1; a <= 244; ++a) SetUnitEntry(image, a, {1, kPortC, 4});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), (Texts{"6 1 243", "6 1 243", "6 244 1"}));
}

TEST_F(ScriptedTables, DisconnectingAUnitWritesItsSpeedIndexBesidePortCode0) {
  SetUnitEntry(image, 5, {0, kPortA, 15});
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), Texts{"6 5 1"});
  EXPECT_EQ(ValuesOfWrite(0), Bytes{15});
}

TEST_F(ScriptedTables, AChangedTable3IsWrittenWholeAndTheLinkFollowsTheDevice) {
  image.bytes[kAnswerPreambleCountField] = 7;
  settings.exchangeSpeed = 1200;  // whatever the settings said, they follow the device
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), Texts{"3 0 7"});
  EXPECT_EQ(ValuesOfWrite(0), (Bytes{20, 7, 0, 0, 0, 0, 0}));
  EXPECT_EQ(settings.exchangeSpeed, 115200);
  EXPECT_EQ(ui.linkPanel, " COM1,   115200 бит/с");
}

TEST_F(ScriptedTables, ANewMasterSpeedMovesTheNextRequestToIt) {
  image.bytes[kMasterSpeedIndexField] = 11;  // 9600 bit/s
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(port->sent().back().bitRate, 115200) << "the write itself goes at the old speed";
  EXPECT_EQ(context.exchangeSpeed, 9600);
  EXPECT_EQ(settings.exchangeSpeed, 9600);
  EXPECT_EQ(ui.linkPanel, " COM1,   9600 бит/с");
  ConfigRecord record;
  LinkSession s = session();
  EXPECT_TRUE(ReadIdentification(s, record));
  EXPECT_EQ(port->sent().back().bitRate, 9600);
}

TEST_F(ScriptedTables, AMasterSpeedIndexTheTableLacksLeavesTheLinkWhereItIs) {
  image.bytes[kMasterSpeedIndexField] = 30;
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), Texts{"3 0 7"});
  EXPECT_EQ(context.exchangeSpeed, 115200) << "not 0 bit/s";
  EXPECT_EQ(settings.exchangeSpeed, 115200);
  EXPECT_EQ(ui.linkPanel, "");
}

TEST_F(ScriptedTables, AChangedModemCommandIsOneWriteOfItsWholeField) {
  StoreModemText(image, "ATDT123");
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), Texts{"5 0 1"});
  Bytes expected(asRead.ModemField().size(), 0);
  const std::string text = "ATDT123\r";
  std::copy(text.begin(), text.end(), expected.begin());
  EXPECT_EQ(ValuesOfWrite(0), expected);
  EXPECT_EQ(ui.Requests(), Texts{"Запись в таблицу 5 (поле 0)"});
}

TEST_F(ScriptedTables, Table3ThenTable5ThenTheUnitRuns) {
  SetUnitEntry(image, 5, {1, kPortB, 15});
  StoreModemText(image, "AT");
  image.bytes[kUnitAnswerWaitField] = 9;
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), (Texts{"3 0 7", "5 0 1", "6 5 1"}));
}

TEST_F(ScriptedTables, ARefusedWriteIsAskedAboutAndNothingAfterItIsSent) {
  SetUnitEntry(image, 10, {1, kPortB, 11});
  SetUnitEntry(image, 12, {1, kPortC, 15});
  RefuseFrom(0);
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Failed);
  EXPECT_EQ(device.Writes(), Texts{"6 10 1"}) << "\"Нет\": the second run is not sent";
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].line1, "Не выполнена запись в таблицу 6.");
  EXPECT_EQ(ui.questions[0].line2, "\"Скорость обмена с подкл. вычислителем и порт подключения\"");
}

TEST_F(ScriptedTables, AWriteThatFailsHalfWayNamesTheTablesItWrote) {
  StoreModemText(image, "AT");
  SetUnitEntry(image, 10, {1, kPortB, 11});
  SetUnitEntry(image, 12, {1, kPortC, 15});
  RefuseFrom(2);  // table 5 and the first run of table 6 are answered
  LinkSession s = session();
  const ChangeWriteResult result = WriteChangedTables(s, Changes());
  EXPECT_EQ(result.outcome, ChangeWriteOutcome::Failed);
  EXPECT_EQ(device.Writes(), (Texts{"5 0 1", "6 10 1", "6 12 1"}));
  EXPECT_EQ(result.written.Numbers(), (std::vector<int>{5, 6})) << "table 6 in part";

  RefuseFrom(0);
  EXPECT_FALSE(WriteChangedTables(s, Changes()).written.Any()) << "the first write refused";
}

TEST_F(ScriptedTables, AStopAskedForDuringARequestEndsTheWriteWhenItIsAnswered) {
  StoreModemText(image, "AT");
  SetUnitEntry(image, 10, {1, kPortB, 11});
  device.answer = [this](const TableRequestSeen&, int) -> std::optional<Bytes> {
    ui.stopRequested = true;  // Ctrl-C while the request is on the line
    return std::nullopt;
  };
  LinkSession s = session();
  const ChangeWriteResult result = WriteChangedTables(s, Changes());
  EXPECT_EQ(result.outcome, ChangeWriteOutcome::Failed);
  EXPECT_EQ(device.Writes(), Texts{"5 0 1"}) << "answered, and nothing sent after it";
  EXPECT_EQ(result.written.Numbers(), std::vector<int>{5});
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(ScriptedTables, AStopDuringAFailedRequestAsksNoRetryQuestion) {
  SetUnitEntry(image, 10, {1, kPortB, 11});
  device.answer = [this](const TableRequestSeen&, int) -> std::optional<Bytes> {
    ui.stopRequested = true;
    return ErrorAnswer(0, kTableFunction, 12);
  };
  ui.answers = {true};  // a "Да" that must not be given
  LinkSession s = session();
  EXPECT_FALSE(WriteChangedTables(s, Changes()).written.Any());
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(device.Writes().size(), static_cast<std::size_t>(context.attemptCount))
      << "the attempts of the one request, not a retry";
}

TEST_F(ScriptedTables, ARefusedTable3WriteLeavesTheSpeedAndTheOtherTables) {
  image.bytes[kMasterSpeedIndexField] = 11;
  StoreModemText(image, "AT");
  RefuseFrom(0);
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Failed);
  EXPECT_EQ(device.Writes(), Texts{"3 0 7"});
  EXPECT_EQ(context.exchangeSpeed, 115200);
  EXPECT_EQ(settings.exchangeSpeed, 115200);
}

TEST_F(ScriptedTables, YesSendsTheRefusedRunAgainAndTheWritingGoesOn) {
  SetUnitEntry(image, 10, {1, kPortB, 11});
  SetUnitEntry(image, 12, {1, kPortC, 15});
  device.answer = [](const TableRequestSeen&, int number) -> std::optional<Bytes> {
    if (number == 0) return ErrorAnswer(0, kTableFunction, 12);
    return std::nullopt;
  };
  ui.answers = {true};
  EXPECT_EQ(WriteChanges(), ChangeWriteOutcome::Written);
  EXPECT_EQ(device.Writes(), (Texts{"6 10 1", "6 10 1", "6 12 1"}));
  EXPECT_EQ(ui.questions.size(), 1u);
}

// --- Writing the tables a restore selected ---

TEST_F(ScriptedTables, EverySelectedTableIsWrittenWholeWithAStepEachAndAPauseAfter) {
  RecordingProgress progress;
  ASSERT_TRUE(WriteSelected({3, 5, 6}, &progress));
  EXPECT_EQ(device.Writes(), (Texts{"3 0 7", "5 0 1", "6 0 243", "6 243 12"}));
  EXPECT_EQ(progress.maximum, 4);
  EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(LastWait(), kSettle) << "the device settles after a long sequence";
}

TEST_F(ScriptedTables, OnlyTable6SelectedIsTwoRequestsAgainstAMaximumOf2) {
  RecordingProgress progress;
  ASSERT_TRUE(WriteSelected({6}, &progress));
  EXPECT_EQ(device.Writes(), (Texts{"6 0 243", "6 243 12"}));
  EXPECT_EQ(ui.Requests(), (Texts{"Запись в таблицу 6 (поля 0-243)", "Запись в таблицу 6 (поля 243-255)"}));
  EXPECT_EQ(progress.maximum, 2);
  EXPECT_EQ(progress.positions, (std::vector<int>{1, 2}));
  EXPECT_EQ(context.exchangeSpeed, 115200) << "no table 3, no speed change";
}

TEST_F(ScriptedTables, NothingSelectedWritesNothingButFillsTheBar) {
  RecordingProgress progress;
  ASSERT_TRUE(WriteSelected({}, &progress));
  EXPECT_TRUE(device.requests().empty());
  EXPECT_EQ(progress.maximum, 1);
  EXPECT_EQ(progress.position, 1);
}

TEST_F(ScriptedTables, ARefusedRestoreWriteEndsTheRestoreWithoutThePause) {
  RefuseFrom(1);
  ASSERT_FALSE(WriteSelected({3, 5, 6}, nullptr));
  EXPECT_EQ(device.Writes(), (Texts{"3 0 7", "5 0 1"}));
  EXPECT_EQ(std::count(clock.waits().begin(), clock.waits().end(), kSettle), 0);
}

// --- Reading, the texts of each request and the retry question ---

TEST_F(ScriptedTables, TheWholeReadEndsWithThePauseToo) {
  ConfigRecord record;
  LinkSession s = session();
  ASSERT_TRUE(ReadConfiguration(s, record, nullptr));
  EXPECT_EQ(device.requests().size(), 5u);
  EXPECT_EQ(LastWait(), kSettle);
}

TEST_F(ScriptedTables, OperationTextsNameTheFieldRange) {
  device.answer = [](const TableRequestSeen&, int) { return std::optional<Bytes>(Bytes{}); };  // silence
  context.firstByteWaitMs = 200;
  LinkSession s = session();
  EXPECT_FALSE(TransferTable(s, TableRequest::Read(0, 0, 17)));
  EXPECT_FALSE(TransferTable(s, TableRequest::Write(5, 0, 1, Bytes(64, 0))));
  EXPECT_FALSE(TransferTable(s, TableRequest::Read(7, 3, 1)));
  EXPECT_EQ(ui.Requests(), (Texts{"Чтение из таблицы 0 (поля 0-17)", "Запись в таблицу 5 (поле 0)",
                                  "Чтение из таблицы 7 (поле 3)"}));
  ASSERT_EQ(ui.questions.size(), 3u);
  EXPECT_EQ(ui.questions[0].line1, "Не выполнено чтение из таблицы 0.");
  EXPECT_EQ(ui.questions[0].line2, "\"Общие параметры идентификации\"");
  EXPECT_EQ(ui.questions[1].line1, "Не выполнена запись в таблицу 5.");
  EXPECT_EQ(ui.questions[1].line2, "\"Командная строка модема\"");
  EXPECT_NE(std::find(ui.operations.begin(), ui.operations.end(), "Команда 29.  Устройство не отвечает"),
            ui.operations.end())
      << "the failure line is shown in the operation panel";
  EXPECT_EQ(ui.operationPanel, "") << "cleared after the question";
  EXPECT_EQ(ui.exchangePanel, "");
}

TEST_F(ScriptedTables, TheUserDecidesEachRetry) {
  // The first three requests go unanswered.
  device.answer = [](const TableRequestSeen& request, int number) -> std::optional<Bytes> {
    if (number < 3) return Bytes{};
    Bytes data = {0, 0, 17};
    data.resize(data.size() + 17, 0);
    data[3 + 1] = 8;
    return request.readTable == 0 ? std::optional<Bytes>(Answer(0, 0x9D, data)) : std::nullopt;
  };
  context.firstByteWaitMs = 200;
  ui.answers = {true, false};
  ConfigRecord record;
  LinkSession s = session();
  EXPECT_FALSE(ReadIdentification(s, record));
  ASSERT_EQ(ui.questions.size(), 2u) << "\"Да\" repeats the read, \"Нет\" gives up";
  EXPECT_EQ(ui.questions[1].line1, "Не выполнено чтение из таблицы 0.");
  EXPECT_EQ(device.requests().size(), 2u);

  ui.answers = {true};
  EXPECT_TRUE(ReadIdentification(s, record)) << "the third silence, then an answer";
  EXPECT_EQ(record.Identification()[1], 8);
  EXPECT_EQ(ui.questions.size(), 3u);
  EXPECT_EQ(device.requests().size(), 4u);
}
