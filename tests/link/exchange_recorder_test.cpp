// The exchange monitor's record: the lines the engineer reads for each
// frame, against the emulator (its fault options give the damaged answers),
// and the record itself: its capacity, pause, clear, saved file and log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/conffun.h"
#include "link/crc16.h"
#include "link/exchange_lines.h"
#include "link/exchange_recorder.h"
#include "tests/support/device_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_frames.h"
#include "tests/support/test_link.h"

using namespace vkt53;

namespace {

::testing::AssertionResult Has(const std::string& line, const std::string& part) {
  if (line.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the line\n  " << line << "\nhas not\n  " << part;
}

// A device on the emulator with the monitor recording its link.
class MonitorOnEmulator : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& options = {}) {
    emulator = std::make_unique<DeviceFixture>(options);
    link = std::make_unique<TestLink>(emulator->terminalPath(), kDeviceSpeed);
    ASSERT_TRUE(link->port);
    link->context.attemptCount = 2;
    link->context.preambleCount = 2;
    link->context.firstByteWaitMs = 300;  // a dropped answer costs the test that long
    link->context.observer = &recorder;
  }
  bool Transfer(const TableRequest& request) {
    LinkSession session = link->session;
    return TransferTable(session, request);
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < recorder.Size(); ++i) lines.push_back(recorder.Line(i));
    return lines;
  }
  // The answer frame as it stays in the context, in the monitor's hex.
  std::string ResponseHex() const {
    const auto& response = link->context.response;
    return HexText({response.data(), response[2]});
  }

  FakeClock clock;  // skips the RTS hold; the line's reads stay real
  ExchangeRecorder recorder;
  std::unique_ptr<DeviceFixture> emulator;
  std::unique_ptr<TestLink> link;
};

TEST_F(MonitorOnEmulator, AReadShowsTheRequestWithItsPreambleAndTheAnswerWithItsValues) {
  Start();
  ASSERT_TRUE(Transfer(TableRequest::Read(6, 0, 130)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);

  const Bytes request = ReadRequest(0, 6, 0, 130);
  EXPECT_TRUE(Has(lines[0], "→  115200 бит/с  [FF FF] " + HexText(request) + "  чтение таблицы 6, поля 0-130"));
  EXPECT_TRUE(Has(lines[0], "попытка 1 из 2"));
  EXPECT_TRUE(Has(lines[0], "пауза RTS 2 мс"));
  EXPECT_TRUE(Has(lines[0], "удержание 125.0 мс")) << "(12 + 2 + 1) × 10 / 1200 s";

  // The device's three preambles apart from the frame, then the echo and
  // the 130 values (a fresh device's unit links are all zero).
  EXPECT_TRUE(Has(lines[1], "←  115200 бит/с  [FF FF FF] " + ResponseHex() + "  ответ: таблица 6, поля 0-130, значения 0 0 0"));
  std::string zeros = "значения 0";
  for (int i = 1; i < 130; ++i) zeros += " 0";
  EXPECT_TRUE(Has(lines[1], zeros + ";"));
  EXPECT_TRUE(Has(lines[1], "код 0 «Команда выполнена»; попытка 1 из 2; первый байт через "));
  EXPECT_FALSE(Has(lines[1], "шума"));
}

TEST_F(MonitorOnEmulator, TheSpeedMasksAndTheModemCommandReadAsWhatTheyAre) {
  Start();
  ASSERT_TRUE(Transfer(TableRequest::Read(1, 0, 2)));
  ASSERT_TRUE(Transfer(TableRequest::Read(5, 0, 1)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(Has(lines[0], "чтение таблицы 1, поля 0-2"));
  EXPECT_TRUE(Has(lines[1], "ответ: таблица 1, поля 0-2, значения 0x003FFFFF 0x003FFFFF;"));
  EXPECT_TRUE(Has(lines[2], "чтение таблицы 5, поле 0;"));
  EXPECT_TRUE(Has(lines[3], "ответ: таблица 5, поле 0, значения «ATZ\\x0D»;"));
}

TEST_F(MonitorOnEmulator, AWriteShowsWhatIsWrittenAndTheDevicesEcho) {
  Start();
  ASSERT_TRUE(Transfer(TableRequest::Read(3, 0, 7)));
  const Bytes table3(link->context.response.begin() + 7, link->context.response.begin() + 14);
  ASSERT_TRUE(Transfer(TableRequest::Write(3, 0, 7, table3)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(Has(lines[1], "ответ: таблица 3, поля 0-7, значения 20 3 5 1 0 0 0;"))
      << "115200 bit/s is speed index 20";
  EXPECT_TRUE(Has(lines[2], HexText(WriteRequest(0, 3, 0, 7, table3)) + "  запись таблицы 3, поля 0-7;"));
  EXPECT_TRUE(Has(lines[3], ResponseHex() + "  ответ на запись таблицы 3, поля 0-7; код 0 «Команда выполнена»"));
}

TEST_F(MonitorOnEmulator, AnErrorAnswerShowsTheDevicesErrorTextOnEveryAttempt) {
  Start({"--fault-error", "3"});
  EXPECT_FALSE(Transfer(TableRequest::Read(0, 0, 17)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u) << "two attempts, then \"Нет\" to the retry question";
  for (int answer : {1, 3}) {
    EXPECT_TRUE(Has(lines[answer], ResponseHex() +
                                         "  ответ с ошибкой: ошибка устройства 3 «Неправильный пароль на запись»; "
                                         "код 8 «Неправильный пароль на запись»"));
  }
  EXPECT_TRUE(Has(lines[1], "попытка 1 из 2"));
  EXPECT_TRUE(Has(lines[3], "попытка 2 из 2"));
  EXPECT_TRUE(Has(lines[2], "чтение таблицы 0, поля 0-17; попытка 2 из 2"));
}

TEST_F(MonitorOnEmulator, ErrorTwentyFourShowsTheReasonText) {
  Start({"--fault-error", "24:7"});
  EXPECT_FALSE(Transfer(TableRequest::Read(0, 0, 17)));
  ASSERT_GE(recorder.Size(), 2u);
  EXPECT_TRUE(Has(recorder.Line(1), "ошибка устройства 24, причина 7 «Обрыв цепи соленоида  (\"Открыть\")»; "
                                          "код 12 «Перестановка крана невозможна.»"));
}

TEST_F(MonitorOnEmulator, ABadChecksumShowsBothSumsAndTheSecondAttemptSucceeds) {
  Start({"--fault-bad-crc", "1"});
  ASSERT_TRUE(Transfer(TableRequest::Read(0, 0, 17)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  // The emulator inverts the last checksum byte of the first answer.
  const Bytes good = ReadAnswer(0, 0, 0, 17, Bytes(link->context.response.begin() + 7,
                                                   link->context.response.begin() + 24));
  const uint16_t crc = static_cast<uint16_t>(good[good.size() - 2] | (good.back() << 8));
  const uint16_t sent = static_cast<uint16_t>(crc ^ 0xFF00);
  char sums[64];
  std::snprintf(sums, sizeof sums, "в кадре %04X, по данным %04X", sent, crc);
  EXPECT_TRUE(Has(lines[1], std::string("неверная КС: ") + sums +
                                  "; код 7 «Несовпадение КС ответа контроллера»; попытка 1 из 2"));
  EXPECT_TRUE(Has(lines[3], "код 0 «Команда выполнена»; попытка 2 из 2"));
}

TEST_F(MonitorOnEmulator, AShortBodyAndTheNoiseBeforeItAreNamed) {
  Start({"--fault-short", "1", "--fault-noise", "1"});
  ASSERT_TRUE(Transfer(TableRequest::Read(0, 0, 17)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(Has(lines[1], "короткое тело: длина кадра 26, пришло 23 байт; пропущено байт шума: "));
  EXPECT_TRUE(Has(lines[1], "; код 5 «Кол-во прочитанных байтов не равно заданному»; попытка 1 из 2"));
  EXPECT_TRUE(Has(lines[3], "код 0 «Команда выполнена»; попытка 2 из 2"));
  EXPECT_FALSE(Has(lines[3], "шума"));
}

TEST_F(MonitorOnEmulator, ASilentAttemptIsATimeOut) {
  Start({"--fault-drop", "1"});
  ASSERT_TRUE(Transfer(TableRequest::Read(0, 0, 17)));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(Has(lines[1], "←  115200 бит/с  нет ответа за 300 мс; код 10 «Устройство не отвечает»; попытка 1 из 2"));
  EXPECT_FALSE(Has(lines[1], "первый байт"));
  EXPECT_TRUE(Has(lines[3], "код 0 «Команда выполнена»; попытка 2 из 2"));
}

// Synthetic frames for the record's own behaviour.
SentFrame SentOf(const Bytes& frame) {
  SentFrame sent;
  sent.writeStart = ClockNow();
  sent.frame = frame;
  sent.bitRate = 9600;
  return sent;
}

TEST(ExchangeRecord, KeepsTheLastFramesUpToItsCapacityInOrder) {
  ExchangeRecorder recorder(3);
  int changes = 0;
  recorder.SetChangeListener([&] { ++changes; });
  for (int table : {0, 1, 3, 5, 6}) {
    const Bytes frame = ReadRequest(0, static_cast<uint8_t>(table), 0, 1);
    recorder.FrameSent(SentOf(frame));
  }
  ASSERT_EQ(recorder.Size(), 3u);
  EXPECT_EQ(recorder.Added(), 5u);
  EXPECT_EQ(changes, 5);
  EXPECT_TRUE(Has(recorder.Line(0), "чтение таблицы 3, поле 0"));
  EXPECT_TRUE(Has(recorder.Line(2), "чтение таблицы 6, поле 0"));
  EXPECT_EQ(ExchangeRecorder().Added(), 0u);
  EXPECT_EQ(ExchangeRecorder::kCapacity, 10000u);
}

TEST(ExchangeRecord, PauseCountsWhatItLeavesOutAndClearEmptiesTheRecord) {
  ExchangeRecorder recorder;
  const Bytes frame = ReadRequest(0, 0, 0, 17);
  recorder.FrameSent(SentOf(frame));
  recorder.SetPaused(true);
  recorder.FrameSent(SentOf(frame));
  recorder.FrameSent(SentOf(frame));
  EXPECT_EQ(recorder.Size(), 1u);
  recorder.SetPaused(false);
  ASSERT_EQ(recorder.Size(), 2u);
  EXPECT_TRUE(Has(recorder.Line(1), "пауза: не записано кадров: 2"));

  recorder.Clear();
  EXPECT_EQ(recorder.Size(), 0u);
  EXPECT_EQ(recorder.Clears(), 1u);
  EXPECT_EQ(recorder.Text(), "");
}

TEST(ExchangeRecord, SavesTheKeptLinesAsText) {
  ExchangeRecorder recorder;
  recorder.FrameSent(SentOf(ReadRequest(0, 6, 0, 130)));
  recorder.FrameSent(SentOf(ReadRequest(0, 6, 130, 125)));
  TempFolder folder;
  const std::string path = folder.path() + "/обмен.txt";
  ASSERT_EQ(recorder.Save(path), FileWriteResult::kWritten);
  std::ifstream in(path, std::ios::binary);
  std::stringstream saved;
  saved << in.rdbuf();
  EXPECT_EQ(saved.str(), recorder.Line(0) + "\n" + recorder.Line(1) + "\n");
  EXPECT_TRUE(Has(saved.str(), "чтение таблицы 6, поля 130-255"));
  EXPECT_NE(recorder.Save(folder.path() + "/нет такой папки/обмен.txt"), FileWriteResult::kWritten);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of a log file after its first line, which must say when it was opened.
std::vector<std::string> LoggedLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream text(FileText(path));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  EXPECT_FALSE(lines.empty()) << path;
  if (lines.empty()) return lines;
  EXPECT_TRUE(Has(lines[0], "Журнал обмена открыт ")) << path;
  EXPECT_TRUE(Has(lines[0], "; время строк - мс от ")) << path;
  lines.erase(lines.begin());
  return lines;
}

TEST(ExchangeRecord, ItsLogRollsOverKeepingTheOlderFilesItPromises) {
  TempFolder folder;
  const std::string path = folder.File("обмен.log");
  ExchangeRecorder recorder;
  EXPECT_NE(recorder.StartLog(folder.File("нет такой папки/обмен.log")), "");
  EXPECT_EQ(recorder.Log(), nullptr);
  ASSERT_EQ(recorder.StartLog(path, 1000, 2), "");
  recorder.SetPaused(true);  // the log takes every frame all the same
  for (int field = 0; field < 60; ++field) {
    recorder.FrameSent(SentOf(ReadRequest(0, 6, static_cast<uint8_t>(field), 1)));
  }
  recorder.SetPaused(false);
  ASSERT_TRUE(recorder.Log()->Writing()) << recorder.Log()->Failure();

  std::vector<std::string> logged;
  for (const std::string& file : {folder.File("обмен.2.log"), folder.File("обмен.1.log"), path}) {
    EXPECT_LE(std::filesystem::file_size(file), 1000u) << file;
    const std::vector<std::string> lines = LoggedLines(file);
    logged.insert(logged.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3)
      << "the current file and two older ones";
  // The newest lines, in order, up to the last one; the oldest are gone.
  ASSERT_GE(logged.size(), 10u);
  ASSERT_LT(logged.size(), 60u);
  for (std::size_t i = 0; i < logged.size(); ++i) {
    const std::size_t field = 60 - logged.size() + i;
    EXPECT_TRUE(Has(logged[i], "чтение таблицы 6, поле " + std::to_string(field) + ";")) << i;
  }
}

TEST(ExchangeRecord, ARequestThatIsNeverSentIsRecordedWithItsCode) {
  ExchangeContext context;
  ExchangeRecorder recorder;
  context.observer = &recorder;
  EXPECT_FALSE(RunRequest(context, 3, nullptr, 0, 0));
  ASSERT_EQ(recorder.Size(), 1u);
  EXPECT_TRUE(Has(recorder.Line(0), "функция 3 не отправлена; код 2 «Неверно задан код функции»"));
}

}  // namespace
