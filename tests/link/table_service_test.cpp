// The table read/write service and the writing of an edited configuration
// over a real line: against the emulator, which must take what is sent, and
// against a scripted far end for answers a sound device never gives. What is
// sent for each edit, and the retry question, are in table_writes_test.cpp.
// The emulator tests skip the exchange's real delays (the RTS hold, the
// pause after a long sequence) with a fake clock; the reads are real.
#include <gtest/gtest.h>

#include <future>

#include "config/config_image.h"
#include "link/conffun.h"
#include "link/port_operations.h"
#include "tests/support/device_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/pty_peer.h"
#include "tests/support/test_frames.h"
#include "tests/support/test_link.h"

using namespace vkt53;

using namespace std::chrono_literals;

namespace {

// The writes of the edited image over the configuration as read.
TableWrites ChangesOf(const ConfigRecord& asRead, const ConfigImage& edited) {
  ConfigRecord meant = asRead;
  RecordFromImage(edited, meant);
  return ChangedTableWrites(asRead, meant);
}

class WithEmulator : public ::testing::Test {
 protected:
  // stateText: lines of the device's state file.
  void Start(const std::string& stateText = "") {
    emulator = std::make_unique<DeviceFixture>(std::vector<std::string>{}, stateText);
    link = std::make_unique<TestLink>(emulator->terminalPath(), kDeviceSpeed);
    ASSERT_TRUE(link->port);
  }
  LinkSession session() { return link->session; }
  RecordingUi& ui() { return link->ui; }

  // Reads the whole configuration; the image the editor would show.
  ConfigImage ReadImage(ConfigRecord& record) {
    LinkSession s = session();
    EXPECT_TRUE(ReadConfiguration(s, record, nullptr));
    ConfigImage image;
    NewConfigurationImage(image);
    ImageFromRecord(record, image);
    return image;
  }

  FakeClock clock;
  std::unique_ptr<DeviceFixture> emulator;
  std::unique_ptr<TestLink> link;
};

}  // namespace

TEST(TableService, AWrongEchoIsAskedAboutAndReadAgain) {
  PtyPeer peer;
  TestLink link(peer.slavePath(), 115200);
  link.ui.answers = {true, false};
  auto far = std::async(std::launch::async, [&peer] {
    Bytes answer = {0x33, 0, 0, 0x9D, 0, 0, 16};  // echoes 16 fields instead of 17
    answer.resize(answer.size() + 16, 1);
    answer[2] = static_cast<uint8_t>(answer.size() + 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(peer.Receive(12, 5s).size(), 12u) << "the same read is sent again after \"Да\"";
      peer.Send(WithChecksum(answer));
    }
  });
  LinkSession session = link.session;
  EXPECT_FALSE(TransferTable(session, TableRequest::Read(0, 0, 17)));
  far.get();
  ASSERT_EQ(link.ui.questions.size(), 2u);
  EXPECT_EQ(link.ui.questions[0].line1, "Несоответствие запрошенных и переданных данных.");
  EXPECT_EQ(link.ui.questions[0].line2, "Табл. 0 \"Общие параметры идентификации\".");
}

TEST(TableService, AnAnswerWithFewerValuesThanAskedIsNotTaken) {
  PtyPeer peer;
  TestLink link(peer.slavePath(), 115200);
  auto far = std::async(std::launch::async, [&peer] {
    peer.Receive(12, 5s);
    peer.Send(WithChecksum({0x33, 0, 12, 0x9D, 3, 0, 7, 2, 3, 5}));  // echo right, 3 values of 7
  });
  ConfigRecord record;
  record.LinkParameters()[6] = 0x77;
  LinkSession session = link.session;
  EXPECT_FALSE(ReadConfiguration(session, record, nullptr));
  far.get();
  EXPECT_EQ(record.LinkParameters()[6], 0x77) << "no stale bytes copied into the record";
  ASSERT_EQ(link.ui.questions.size(), 1u);
  EXPECT_EQ(link.ui.questions[0].line1, "Несоответствие запрошенных и переданных данных.");
}

TEST(TableService, EachYesSendsTheSameFrameAgain) {
  PtyPeer peer;
  TestLink link(peer.slavePath(), 115200);
  link.ui.answers = {true, true, false};
  const Bytes values = {0x21, 0x42, 0x63};
  constexpr std::size_t kFrameLength = 6 + 6 + 3;
  auto far = std::async(std::launch::async, [&peer] {
    std::vector<Bytes> seen;
    for (int i = 0; i < 3; ++i) {
      seen.push_back(peer.Receive(kFrameLength, 5s));
      peer.Send(WithChecksum({0x33, 0, 7, 0x1D, 3}));  // an error answer: fails at once
    }
    return seen;
  });
  LinkSession session = link.session;
  EXPECT_FALSE(TransferTable(session, TableRequest::Write(6, 10, 3, values)));
  const std::vector<Bytes> seen = far.get();
  ASSERT_EQ(link.ui.questions.size(), 3u) << "\"Да\", \"Да\", \"Нет\"";
  const Bytes expected = WithChecksum({0xCC, 0, kFrameLength, 0x1D, 0, 0, 0, 6, 10, 3, 0x21, 0x42, 0x63});
  for (const Bytes& frame : seen) EXPECT_EQ(frame, expected);
  EXPECT_TRUE(peer.ReceiveUntilQuiet(200ms, 1s).empty()) << "nothing after \"Нет\"";
}

namespace {

std::vector<std::string> Texts(std::initializer_list<const char*> list) {
  return std::vector<std::string>(list.begin(), list.end());
}

}  // namespace

TEST_F(WithEmulator, ReadsTheWholeConfiguration) {
  Start(
      "master_speed_index = 20\n"
      "table3 = 14 04 06 00 01 01 0A\n"
      "modem = AT&F\n"
      "table6.5 = 4B 2C\n"
      "unit_speed_mask = 0x00000FFF\n");
  ConfigRecord record;
  RecordingProgress progress;
  LinkSession s = session();
  ASSERT_TRUE(ReadConfiguration(s, record, &progress));

  EXPECT_EQ(ui().Requests(), Texts({"Чтение из таблицы 3 (поля 0-7)", "Чтение из таблицы 5 (поле 0)",
                                    "Чтение из таблицы 6 (поля 0-130)", "Чтение из таблицы 6 (поля 130-255)",
                                    "Чтение из таблицы 1 (поля 0-2)"}));
  EXPECT_EQ(progress.maximum, 5);
  EXPECT_EQ(progress.position, 5);
  const Bytes table3(record.LinkParameters().begin(), record.LinkParameters().end());
  EXPECT_EQ(table3, (Bytes{0x14, 4, 6, 0, 1, 1, 0x0A}));
  EXPECT_EQ(record.ModemField()[4], 0x0D);
  EXPECT_EQ(record.UnitLinkBytes()[5], 0x4B);
  EXPECT_EQ(record.UnitLinkBytes()[6], 0x2C);
  EXPECT_EQ(record.UnitSpeedMask(), 0x00000FFFu);
  EXPECT_EQ(record.MasterSpeedMask(), 0x003FFFFFu);
  EXPECT_EQ(ui().exchangePanel, "");
  EXPECT_TRUE(ui().questions.empty());
}

TEST_F(WithEmulator, AMasterSpeedIndexOutsideTheTableIsReadAs1200) {
  emulator = std::make_unique<DeviceFixture>(std::vector<std::string>{},
                                             "master_speed_index = 30\n", kStateSpeed);
  link = std::make_unique<TestLink>(emulator->terminalPath(), 1200);  // such a device listens at 1200
  ConfigRecord record;
  LinkSession s = session();
  ASSERT_TRUE(ReadConfiguration(s, record, nullptr));
  EXPECT_EQ(record.LinkParameters()[kMasterSpeedIndexField], 2);
}

TEST_F(WithEmulator, SelectedTablesAreWrittenWholeAndReadBack) {
  Start();
  ConfigRecord record;
  ReadImage(record);
  ConfigRecord edited = record;
  edited.ModemField()[0] = 'X';
  for (int a = 0; a < 255; ++a) edited.UnitLinkBytes()[a] = static_cast<uint8_t>(0x20 | (a % 22));
  TableStatusBlock status{};
  status[kWriteSelectionOffset + 5] = 1;
  status[kWriteSelectionOffset + 6] = 1;
  RecordingProgress progress;
  ui().operations.clear();
  LinkSession s = session();
  ASSERT_EQ(WriteConfiguration(s, edited, status, &progress).outcome, ChangeWriteOutcome::Written);
  EXPECT_EQ(ui().Requests(), Texts({"Запись в таблицу 5 (поле 0)", "Запись в таблицу 6 (поля 0-243)",
                                    "Запись в таблицу 6 (поля 243-255)"}));
  EXPECT_EQ(progress.maximum, 3);
  EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3})) << "one step a request";
  EXPECT_EQ(link->context.exchangeSpeed, 115200) << "no table 3, no speed change";

  ConfigRecord readBack;
  ReadImage(readBack);
  EXPECT_TRUE(std::ranges::equal(readBack.ModemField(), edited.ModemField()));
  EXPECT_TRUE(std::ranges::equal(readBack.UnitLinkBytes(), edited.UnitLinkBytes()));
}

TEST_F(WithEmulator, WritingTable3FollowsTheDeviceToItsNewSpeed) {
  Start();
  ConfigRecord record;
  ReadImage(record);
  record.LinkParameters()[kMasterSpeedIndexField] = 11;  // 9600 bit/s
  record.LinkParameters()[kAnswerPreambleCountField] = 7;
  TableStatusBlock status{};
  status[kWriteSelectionOffset + 3] = 1;
  LinkSession s = session();
  ASSERT_EQ(WriteConfiguration(s, record, status, nullptr).outcome, ChangeWriteOutcome::Written);
  EXPECT_EQ(link->context.exchangeSpeed, 9600);
  EXPECT_EQ(link->settings.exchangeSpeed, 9600);
  EXPECT_EQ(ui().linkPanel, " COM1,   9600 бит/с");
  ConfigRecord again;
  EXPECT_TRUE(ReadIdentification(s, again)) << "the next request goes out at the new speed";
  ReadImage(again);
  EXPECT_TRUE(std::ranges::equal(again.LinkParameters(), record.LinkParameters())) << "table 3 stored whole";
}

TEST_F(WithEmulator, UnknownPortCodesAreWrittenBackAsNotConnected) {
  // Units 7..10 on port codes 4..7, which mean nothing: the editor shows them
  // not connected, and writing the configuration, though nothing was
  // edited, sends them back with port code 0 and the speed index kept.
  Start("table6.6 = 41 8B AC D5 E1 42\n");  // units 6..11: ports 2, 4, 5, 6, 7, 2
  ConfigRecord asRead;
  const ConfigImage image = ReadImage(asRead);
  for (int a = 7; a <= 10; ++a) {
    const UnitEntry entry = GetUnitEntry(image, a);
    EXPECT_EQ(entry.connected, 0) << a;
    EXPECT_EQ(entry.portCode, PortCodeOfUnitLinkByte(asRead.UnitLinkBytes()[a])) << a;
  }
  ui().operations.clear();
  LinkSession s = session();
  EXPECT_EQ(WriteChangedTables(s, ChangesOf(asRead, image)).outcome, ChangeWriteOutcome::Written);
  EXPECT_EQ(ui().Requests(), Texts({"Запись в таблицу 6 (поля 7-11)"}));
  ConfigRecord after;
  ReadImage(after);
  const Bytes units(after.UnitLinkBytes().begin() + 6, after.UnitLinkBytes().begin() + 12);
  EXPECT_EQ(units, (Bytes{0x41, 0x0B, 0x0C, 0x15, 0x01, 0x42}));
}
