// vkt53-cli read, write, restore and diff --port against the emulator: what
// reaches the device, and what does not.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "tests/app/cli/cli_fixture.h"
#include "config/modem_string.h"
#include "tests/support/sample_records.h"

using namespace vkt53;

namespace {

const std::string kUnit5AtPortAWith19200 =
    "table6.5 = 2F\nmodem = ATDT5\n";  // port 1 << 5 | speed index 15

ConfigImage ReadImage(const std::string& path) {
  ConfigImage image;
  EXPECT_EQ(ReadConfigFile(path, image), ConfigFileReadResult::kRead) << path;
  return image;
}

std::vector<int> Bytes(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

class ReadCommand : public CliFixture {};

TEST_F(ReadCommand, KeepsTheWholeConfigurationInAFile) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = files.File("device.cnf");
  const CliRun run = Run(OnDevice({"read", "-o", path}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Параметры конфигурации сохранены в файле device.cnf\n");
  EXPECT_EQ(run.err, "") << "no progress line when standard error is no terminal";
  EXPECT_EQ(std::filesystem::file_size(path), kConfigFileSize);
  const ConfigImage image = ReadImage(path);
  EXPECT_EQ(GetUnitEntry(image, 5), (UnitEntry{1, kPortA, 15}));
  EXPECT_EQ(ModemTextOfImage(image), "ATDT5");
  EXPECT_EQ(image.bytes[kMasterSpeedIndexField], 20) << "115200 bit/s";

  const CliRun json = Run(OnDevice({"read", "--output", path, "--json"}));
  ASSERT_EQ(json.status, 0) << json.err;
  nlohmann::json out = JsonOf(json);
  EXPECT_EQ(out["file"].get<std::string>(), path);
  ASSERT_EQ(out["configuration"]["units"].size(), 1u);
  EXPECT_EQ(out["configuration"]["units"][0]["address"].get<int>(), 5);
  EXPECT_EQ(out["configuration"]["units"][0]["port"].get<std::string>(), "A");
  EXPECT_EQ(out["configuration"]["units"][0]["speed"].get<int>(), 19200);
  EXPECT_EQ(out["configuration"]["modem"].get<std::string>(), "ATDT5");
}

TEST_F(ReadCommand, ReportOfTheDeviceHoldsItsPortIdentificationAndUnits) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = files.File("device.html");
  const CliRun run = Run(OnDevice({"report", "-o", path}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Отчёт о конфигурации сохранён в файле device.html\n");
  const std::string text = PageText(path);
  for (const char* shown :
       {"устройство на порту COM3", "Код типа контроллера 8", "Порт A 1 вычислитель 5",
        "Порт A: 1 вычислитель", "5 19200 бит/с", "Строка инициализации модема ATDT5"}) {
    EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
  }
}

TEST_F(ReadCommand, ABadAnswerHalfWayLeavesNoFile) {
  // Requests 0 and 1 (the identification, table 3) pass; table 5's answer is corrupted.
  StartDevice({"--fault-bad-crc", "1", "--fault-skip", "2"});
  const std::string path = files.File("device.cnf");
  const CliRun run = Run(OnDevice({"read", "-o", path, "--attempts", "1", "--wait", "1"}));
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = LinesOf(run.err);
  ASSERT_EQ(lines.size(), 4u) << run.err;
  EXPECT_EQ(lines[0], "Не выполнено чтение из таблицы 5.");
  EXPECT_EQ(lines[1], "\"Командная строка модема\"");
  EXPECT_EQ(lines[2].rfind("Команда 29.  ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], "Параметры конфигурирования не прочитаны");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ReadCommand, SigtermEndsItBetweenRequestsWithoutAFile) {
  // Table 3's read (request 1) loses its first answer: the program waits on it.
  StartDevice({"--log", "--fault-skip", "1", "--fault-drop", "1"});
  const std::string path = files.File("device.cnf");
  const SignalWhen stop{
      SIGTERM, [this] { return device->ErrorOutput().find("request 1:") != std::string::npos; }};
  const CliRun run = cli.Run(OnDevice({"read", "-o", path, "--attempts", "2", "--wait", "3"}),
                             std::chrono::seconds(60), &stop);
  ASSERT_TRUE(run.signalled) << run.err;
  EXPECT_EQ(run.status, 1) << "not killed by the signal";
  EXPECT_EQ(LinesOf(run.err),
            (std::vector<std::string>{"Прервано пользователем",
                                      "Параметры конфигурирования не прочитаны"}));
  EXPECT_NE(device->ErrorOutput().find("request 2: function 29, address 0: read table 3"),
            std::string::npos)
      << "the request under way was tried again and answered";
  EXPECT_EQ(device->ErrorOutput().find("request 3:"), std::string::npos) << "nothing sent after it";
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ReadCommand, AFileThatCannotBeCreatedIsAFileError) {
  StartDevice();
  const CliRun run = Run(OnDevice({"read", "-o", files.File("no-folder/device.cnf"), "--json"}));
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(JsonOf(run)["messages"][0].get<std::string>(), "Ошибка открытия файла");
}

// The log holds each line as soon as the exchange has it: killed while it
// waits on the fourth request's answer, the program leaves every line before
// it, whole.
TEST_F(ReadCommand, ItsLogHoldsEveryLineUpToAKill) {
  // Requests 0..2 (the identification, tables 3 and 5) are answered, none after.
  StartDevice({"--fault-skip", "3", "--fault-drop", "all"});
  const std::string log = files.File("обмен.log");
  const auto logText = [&log] {
    std::ifstream in(log, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  // Its first line, three requests with their answers, the fourth request.
  constexpr std::size_t kLines = 8;
  const SignalWhen kill{SIGKILL, [&] {
                          const std::string text = logText();
                          return static_cast<std::size_t>(std::ranges::count(text, '\n')) >= kLines;
                        }};
  const CliRun run = cli.Run(OnDevice({"read", "-o", files.File("device.cnf"), "--log", log,
                                       "--attempts", "1", "--wait", "120"}),
                             std::chrono::seconds(30), &kill);
  ASSERT_TRUE(run.signalled) << "the log never held three exchanges:\n" << logText();
  EXPECT_EQ(run.status, -1) << "killed";

  const std::string text = logText();
  ASSERT_EQ(text.back(), '\n') << "no line cut";
  const std::vector<std::string> lines = LinesOf(text);
  ASSERT_EQ(lines.size(), kLines) << text;
  EXPECT_EQ(lines[0].rfind("Журнал обмена открыт ", 0), 0u) << lines[0];
  for (std::size_t i = 1; i < kLines; ++i) {
    const bool request = i % 2 == 1;
    EXPECT_NE(lines[i].find(request ? "  →  " : "  ←  "), std::string::npos) << lines[i];
    EXPECT_EQ(lines[i].find("код 0 «Команда выполнена»") != std::string::npos, !request)
        << lines[i];
  }
  EXPECT_NE(lines[3].find("чтение таблицы 3,"), std::string::npos) << lines[3];
  EXPECT_NE(lines[5].find("чтение таблицы 5,"), std::string::npos) << lines[5];
  EXPECT_NE(lines[7].find("чтение таблицы 6,"), std::string::npos) << lines[7];
}

TEST_F(ReadCommand, ALogThatCannotBeOpenedEndsItBeforeTheDevice) {
  StartDevice({"--log"});
  const std::string log = files.File("no-folder/обмен.log");
  const CliRun run = Run(OnDevice({"read", "-o", files.File("device.cnf"), "--log", log}));
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(run.err, "Файл журнала обмена не открыт: " + log + "\n");
  EXPECT_EQ(device->ErrorOutput().find("request 0:"), std::string::npos) << "nothing sent";
}

class WriteCommand : public CliFixture {
 protected:
  // The device's configuration as a file, changed: unit 5 to 1200 bit/s,
  // units 10..12 connected at port B, another modem string.
  std::string ChangedFile() {
    const std::string path = files.File("device.cnf");
    EXPECT_EQ(Run(OnDevice({"read", "-o", path})).status, 0);
    ConfigImage image = ReadImage(path);
    SetUnitEntry(image, 5, {1, kPortA, 2});
    for (int address = 10; address <= 12; ++address) SetUnitEntry(image, address, {1, kPortB, 11});
    StoreModemText(image, "ATDT7");
    return SaveFile("changed.cnf", image);
  }
};

TEST_F(WriteCommand, DryRunPrintsTheRequestsAndSendsNone) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = ChangedFile();
  const ConfigRecord before = DeviceRecord();

  const CliRun run = Run(OnDevice({"write", path, "--dry-run"}));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0].rfind("Запись в таблицу 5 (поле 0): 41 54 44 54 37 0D 00", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "Запись в таблицу 6 (поле 5): 22");
  EXPECT_EQ(lines[2], "Запись в таблицу 6 (поля 10-13): 4B 4B 4B");
  EXPECT_EQ(DeviceRecord(), before) << "nothing was written";

  const CliRun json = Run(OnDevice({"write", path, "--dry-run", "--json"}));
  nlohmann::json out = JsonOf(json);
  EXPECT_FALSE(out["written"].get<bool>());
  ASSERT_EQ(out["requests"].size(), 3u);
  EXPECT_EQ(out["requests"][2]["table"].get<int>(), 6);
  EXPECT_EQ(out["requests"][2]["firstField"].get<int>(), 10);
  EXPECT_EQ(out["requests"][2]["count"].get<int>(), 3);
  EXPECT_EQ(out["requests"][0]["values"].size(), kModemFieldSize);
  EXPECT_EQ(DeviceRecord(), before);
}

TEST_F(WriteCommand, WritesOnlyWhatDiffersThenNothing) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = ChangedFile();
  const ConfigRecord before = DeviceRecord();

  const CliRun run = Run(OnDevice({"write", path, "--json"}));
  ASSERT_EQ(run.status, 0) << run.err;
  nlohmann::json out = JsonOf(run);
  EXPECT_TRUE(out["written"].get<bool>());
  EXPECT_EQ(out["requests"].size(), 3u);

  const ConfigRecord after = DeviceRecord();
  ConfigRecord expected = before;
  RecordFromImage(ReadImage(path), expected);
  EXPECT_EQ(Bytes(after.UnitLinkBytes()), Bytes(expected.UnitLinkBytes()));
  EXPECT_EQ(Bytes(after.ModemField()), Bytes(expected.ModemField()));
  EXPECT_EQ(Bytes(after.LinkParameters()), Bytes(before.LinkParameters()));

  const CliRun again = Run(OnDevice({"write", path}));
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "Запись таблиц не выполняется.\nНет измененных данных\n");
  const CliRun diff = Run(OnDevice({"diff", path}));
  EXPECT_EQ(diff.out, "Различий нет\n");
}

// The configuration as read is kept before the write, and what was written
// is read back; a device that keeps something else fails the command with
// the fields that differ and the backup to restore from.
TEST_F(WriteCommand, KeepsABackupAndChecksWhatTheDeviceHolds) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = ChangedFile();
  const ConfigRecord before = DeviceRecord();

  nlohmann::json out = JsonOf(Run(OnDevice({"write", path, "--json"})));
  ASSERT_EQ(out["exit"].get<int>(), 0);
  EXPECT_TRUE(out["verified"].get<bool>());
  ConfigImage backup;
  ASSERT_EQ(ReadConfigFile(out["backup"].get<std::string>(), backup), ConfigFileReadResult::kRead)
      << out["backup"].get<std::string>();
  EXPECT_EQ(backup, ImageOf(before)) << "the backup is the configuration as read";
}

TEST_F(WriteCommand, ADeviceThatKeepsSomethingElseFailsWithTheDifferences) {
  StartDevice({"--fault-ignore-write", "6"}, kUnit5AtPortAWith19200);
  const CliRun run = Run(OnDevice({"write", ChangedFile()}));
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  const std::string all = run.out + run.err;
  EXPECT_NE(all.find("Устройство хранит не то, что записано:"), std::string::npos) << all;
  EXPECT_NE(all.find("Табл. 6"), std::string::npos) << all;
  EXPECT_NE(all.find("Резервная копия: "), std::string::npos) << all;
}

TEST_F(WriteCommand, FollowsTheDeviceToANewMasterSpeed) {
  StartDevice();
  const std::string read = files.File("device.cnf");
  ASSERT_EQ(Run(OnDevice({"read", "-o", read})).status, 0);
  ConfigImage image = ReadImage(read);
  image.bytes[kMasterSpeedIndexField] = 11;  // 9600 bit/s
  SetUnitEntry(image, 7, {1, kPortC, 3});
  const std::string path = SaveFile("slower.cnf", image);

  const CliRun run = Run(OnDevice({"write", path}));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_EQ(lines[0], "Запись в таблицу 3 (поля 0-7): 0B 03 05 01 00 00 00");
  EXPECT_EQ(lines[1], "Запись в таблицу 6 (поле 7): 63") << "sent at the new speed, and answered";

  const CliRun slower = Run({"diff", "--port", "COM3", "--speed", "9600", path});
  EXPECT_EQ(slower.status, 0) << slower.err;
  EXPECT_EQ(slower.out, "Различий нет\n");
}

TEST_F(WriteCommand, AWriteTheDeviceDoesNotAnswerIsALinkFailure) {
  StartDevice();
  const std::string path = files.File("device.cnf");
  ASSERT_EQ(Run(OnDevice({"read", "-o", path})).status, 0);
  ConfigImage image = ReadImage(path);
  SetUnitEntry(image, 9, {1, kPortA, 4});
  const std::string changed = SaveFile("changed.cnf", image);
  // The identification and the five reads pass; the first write gets no answer.
  device.reset();
  StartDevice({"--fault-drop", "1", "--fault-skip", "6"});

  const CliRun run = Run(OnDevice({"write", changed, "--attempts", "1", "--wait", "1", "--json"}));
  EXPECT_EQ(run.status, 1);
  nlohmann::json out = JsonOf(run);
  EXPECT_FALSE(out["written"].get<bool>());
  EXPECT_TRUE(out["partial"].is_boolean());
  EXPECT_FALSE(out["partial"].get<bool>()) << "nothing was written";
  EXPECT_TRUE(out["writtenTables"].empty());
  EXPECT_EQ(out["messages"].size(), 3u) << "and nothing is said of a backup to restore";
  EXPECT_EQ(out["messages"][0].get<std::string>(), "Не выполнена запись в таблицу 6.");
  EXPECT_EQ(out["messages"][2].get<std::string>(), "Команда 29.  Устройство не отвечает");
}

// A write that fails after some of its requests were answered leaves the
// device holding part of the file: the report says so, names the tables
// and the backup, and gives the command that writes them back.
TEST_F(WriteCommand, AWriteThatFailsPartWayNamesWhatWasWrittenAndTheWayBack) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = ChangedFile();  // writes table 5, unit 5, units 10..12
  const ConfigRecord before = DeviceRecord();
  // The identification, the five reads and the writes of table 5 and unit 5
  // are answered; the write of units 10..12 is refused.
  const std::vector<std::string> faults = {"--fault-skip", "8", "--fault-error", "3@1"};
  device.reset();
  StartDevice(faults, kUnit5AtPortAWith19200);

  const CliRun run = Run(OnDevice({"write", path, "--attempts", "1"}));
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = LinesOf(run.err);
  ASSERT_EQ(lines.size(), 7u) << run.err;
  EXPECT_EQ(lines[0], "Не выполнена запись в таблицу 6.");
  EXPECT_EQ(lines[3], "Устройство может быть записано частично.");
  EXPECT_EQ(lines[4],
            "Записано: табл. 5 \"Командная строка модема\", "
            "табл. 6 \"Скорость обмена с подкл. вычислителем и порт подключения\"");
  const std::string backupLabel = "Резервная копия: ";
  ASSERT_EQ(lines[5].rfind(backupLabel, 0), 0u) << lines[5];
  const std::string backup = lines[5].substr(backupLabel.size());
  EXPECT_EQ(backup.rfind(cli.File("CONFIG/backup/"), 0), 0u) << backup;
  EXPECT_EQ(lines[6],
            "Восстановить записанные таблицы из неё: vkt53-cli restore --port COM3 "
            "--speed 115200 --tables 5,6 \"" +
                backup + "\"");

  // The command named puts the device back as it was read.
  const CliRun restore =
      Run({"restore", "--port", "COM3", "--speed", "115200", "--tables", "5,6", backup});
  ASSERT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(DeviceRecord(), before);

  device.reset();
  StartDevice(faults, kUnit5AtPortAWith19200);
  nlohmann::json out = JsonOf(Run(OnDevice({"write", path, "--attempts", "1", "--json"})));
  EXPECT_FALSE(out["written"].get<bool>());
  EXPECT_TRUE(out["partial"].get<bool>());
  ASSERT_EQ(out["writtenTables"].size(), 2u);
  EXPECT_EQ(out["writtenTables"][0].get<int>(), 5);
  EXPECT_EQ(out["writtenTables"][1].get<int>(), 6);
  ConfigImage kept;
  EXPECT_EQ(ReadConfigFile(out["backup"].get<std::string>(), kept), ConfigFileReadResult::kRead);
  EXPECT_EQ(out["restoreCommand"].get<std::string>(),
            "vkt53-cli restore --port COM3 --speed 115200 --tables 5,6 \"" +
                out["backup"].get<std::string>() + "\"");
}

// Ctrl-C in the middle of a write: the request on the line is answered, the
// next is not sent, and the same report follows.
TEST_F(WriteCommand, SigintStopsItBetweenRequestsWithThePartialReport) {
  StartDevice({}, kUnit5AtPortAWith19200);
  const std::string path = ChangedFile();  // writes table 5, unit 5, units 10..12
  // Request 7, the write of unit 5, loses its first answer: the program waits on it.
  device.reset();
  StartDevice({"--log", "--fault-skip", "7", "--fault-drop", "1"}, kUnit5AtPortAWith19200);

  const SignalWhen ctrlC{
      SIGINT, [this] { return device->ErrorOutput().find("request 7:") != std::string::npos; }};
  const CliRun run = cli.Run(OnDevice({"write", path, "--attempts", "2", "--wait", "1"}),
                             std::chrono::seconds(60), &ctrlC);
  ASSERT_TRUE(run.signalled) << run.err;
  EXPECT_EQ(run.status, 1) << "not killed by the signal";
  const std::vector<std::string> lines = LinesOf(run.err);
  ASSERT_EQ(lines.size(), 5u) << run.err;
  EXPECT_EQ(lines[0], "Прервано пользователем");
  EXPECT_EQ(lines[1], "Устройство может быть записано частично.");
  EXPECT_EQ(lines[2].rfind("Записано: табл. 5 \"Командная строка модема\", табл. 6 ", 0), 0u)
      << lines[2];
  EXPECT_EQ(lines[3].rfind("Резервная копия: ", 0), 0u) << lines[3];
  EXPECT_NE(lines[4].find("--tables 5,6 "), std::string::npos) << lines[4];

  const std::string log = device->ErrorOutput();
  EXPECT_NE(log.find("request 8: function 29, address 0: write table 6 fields 5..5"),
            std::string::npos)
      << "the write under way was tried again and answered: " << log;
  EXPECT_EQ(log.find("request 9:"), std::string::npos) << "nothing sent after it: " << log;
  const ConfigRecord after = DeviceRecord();
  EXPECT_EQ(after.UnitLinkBytes()[5], MakeUnitLinkByte(kPortA, 2));
  EXPECT_EQ(after.UnitLinkBytes()[10], 0) << "units 10..12 not written";
}

TEST_F(WriteCommand, AFileThatIsNoConfigurationReachesNoDevice) {
  StartDevice({"--fault-drop", "0"});  // a request would fail the run with 1
  const std::string path = files.File("notes.txt");
  std::ofstream(path) << "MX not a configuration";
  const CliRun run = Run(OnDevice({"write", path}));
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(run.err, "Файл notes.txt не является файлом конфигурации\n");
  const CliRun missing = Run(OnDevice({"restore", files.File("missing.cnf")}));
  EXPECT_EQ(missing.status, 4);
  EXPECT_EQ(LinesOf(missing.err)[0], "Ошибка открытия файла");
}

class RestoreCommand : public CliFixture {
 protected:
  // A file whose tables 3, 5 and 6 all differ from the emulator's defaults.
  std::string RestoreFile() {
    ConfigImage image;
    NewConfigurationImage(image);
    image.bytes[kMasterSpeedIndexField] = 20;  // the device's speed, so the link stays
    image.bytes[kAnswerPreambleCountField] = 4;
    StoreModemText(image, "ATH0");
    SetUnitEntry(image, 3, {1, kPortB, 15});
    return SaveFile("restore.cnf", image);
  }
};

TEST_F(RestoreCommand, WritesTheTablesTheDeviceAsksForAndChecksAgain) {
  StartDevice({"--corrupt", "6"});
  const std::string path = RestoreFile();
  const ConfigRecord before = DeviceRecord();

  const CliRun run = Run(OnDevice({"restore", path}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Записаны таблицы: 6\nРазрушенных таблиц нет\n");
  const ConfigRecord after = DeviceRecord();
  EXPECT_EQ(after.UnitLinkBytes()[3], MakeUnitLinkByte(kPortB, 15));
  EXPECT_EQ(Bytes(after.LinkParameters()), Bytes(before.LinkParameters()))
      << "table 3 was not asked for";
  EXPECT_EQ(Bytes(after.ModemField()), Bytes(before.ModemField()));
  EXPECT_EQ(after.Identification()[0], 0);

  const CliRun clean = Run(OnDevice({"restore", path, "--json"}));
  EXPECT_EQ(clean.status, 0);
  nlohmann::json out = JsonOf(clean);
  EXPECT_TRUE(out["tables"].empty());
  EXPECT_EQ(clean.out.find("Нет таблиц"), std::string::npos) << "JSON only";
}

TEST_F(RestoreCommand, WritesTheTablesGivenWholeFromTheFile) {
  StartDevice();
  const std::string path = RestoreFile();
  const CliRun run = Run(OnDevice({"restore", path, "--tables", "3,5", "--json"}));
  ASSERT_EQ(run.status, 0) << run.err;
  nlohmann::json out = JsonOf(run);
  ASSERT_EQ(out["tables"].size(), 2u);
  EXPECT_EQ(out["tables"][0].get<int>(), 3);
  EXPECT_EQ(out["corruptedTable"].get<int>(), 0);
  const ConfigRecord after = DeviceRecord();
  EXPECT_EQ(after.LinkParameters()[kAnswerPreambleCountField], 4);
  EXPECT_EQ(ModemFieldText(after.ModemField()), "ATH0");
  EXPECT_EQ(after.UnitLinkBytes()[3], 0) << "table 6 was not given";
}

TEST_F(RestoreCommand, ADeviceThatStaysCorruptedIsReported) {
  // Table 5 is asked for, but only table 6 is given: the check finds 5 still corrupted.
  StartDevice({"--corrupt", "5"});
  const CliRun run = Run(OnDevice({"restore", RestoreFile(), "--tables", "6"}));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Записаны таблицы: 6\n");
  EXPECT_EQ(run.err, "Разрушена таблица 5\n");
}

// The restore keeps the configuration as read and reads back what it wrote:
// a device that loses a table's write fails the command with the fields that
// differ and the backup that puts the device back.
TEST_F(RestoreCommand, KeepsABackupAndADeviceThatKeepsSomethingElseFails) {
  StartDevice({"--fault-ignore-write", "6"});
  const std::string path = RestoreFile();
  const ConfigRecord before = DeviceRecord();

  const CliRun run = Run(OnDevice({"restore", path, "--tables", "5,6"}));
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  const std::vector<std::string> lines = LinesOf(run.err);
  ASSERT_EQ(lines.size(), 3u) << run.err;
  EXPECT_EQ(lines[0], "Устройство хранит не то, что записано:");
  EXPECT_EQ(lines[1].rfind("Табл. 6 \"Скорость обмена с подкл. вычислителем и порт подключения\", "
                           "поле 3 (вычислитель 3): ",
                           0),
            0u)
      << lines[1];
  const std::string backupLabel = "Резервная копия: ";
  ASSERT_EQ(lines[2].rfind(backupLabel, 0), 0u) << lines[2];
  ConfigImage backup;
  ASSERT_EQ(ReadConfigFile(lines[2].substr(backupLabel.size()), backup),
            ConfigFileReadResult::kRead)
      << lines[2];
  EXPECT_EQ(backup, ImageOf(before)) << "the backup is the configuration as read";
  EXPECT_EQ(ModemFieldText(DeviceRecord().ModemField()), "ATH0") << "table 5 was written";

  const nlohmann::json out = JsonOf(Run(OnDevice({"restore", path, "--tables", "5,6", "--json"})));
  EXPECT_EQ(out["exit"].get<int>(), 1);
  EXPECT_FALSE(out["verified"].get<bool>());
  ASSERT_EQ(out["differences"].size(), 1u);
  EXPECT_EQ(out["differences"][0]["table"].get<int>(), 6);
  EXPECT_EQ(out["differences"][0]["field"].get<int>(), 3);
  const std::string backupPath = out["backup"].get<std::string>();
  EXPECT_EQ(backupPath.rfind(cli.File("CONFIG/backup/"), 0), 0u) << backupPath;
}

TEST_F(RestoreCommand, TheSettingsFilesWriteLockAndTablesThatAreNotWrittenAreRefused) {
  StartDevice({"--corrupt", "6"});
  const std::string path = RestoreFile();
  const CliRun table4 = Run(OnDevice({"restore", path, "--tables", "3,4"}));
  EXPECT_EQ(table4.status, 2);
  EXPECT_EQ(LinesOf(table4.err)[0],
            "vkt53-cli: restore: таблица 4 не записывается; записываются таблицы 3, 5, 6");

  LinkSettings locked;
  locked.tableWriteLock = 1;
  const LinkSettingsBytes bytes = EncodeLinkSettings(locked);
  cli.WriteSettingsFile(std::string(bytes.begin(), bytes.end()));
  const CliRun run = Run(OnDevice({"restore", path}));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Запись таблиц запрещена в файле настроек (INI/vkt53.ini)\n");
  EXPECT_EQ(DeviceRecord().Identification()[0], 6) << "nothing was written";
}

class DiffWithDevice : public CliFixture {};

TEST_F(DiffWithDevice, ListsWhatWritingTheFileWouldChange) {
  StartDevice({}, kUnit5AtPortAWith19200);
  ConfigImage image;
  NewConfigurationImage(image);
  image.bytes[kMasterSpeedIndexField] = 20;
  StoreModemText(image, "ATDT5");
  SetUnitEntry(image, 5, {1, kPortC, 15});
  SetUnitEntry(image, 6, {1, kPortA, 21});
  const std::string path = SaveFile("planned.cnf", image);

  const CliRun run = Run(OnDevice({"diff", path}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.out),
            (std::vector<std::string>{
                "вычислитель 5: порт A, 19200 бит/с (0x2F) -> порт C, 19200 бит/с (0x6F)",
                "вычислитель 6: не подключен, 300 бит/с (0x00) -> порт A, 230400 бит/с (0x35)"}));
  nlohmann::json out = JsonOf(Run(OnDevice({"diff", path, "--json"})));
  EXPECT_FALSE(out["same"].get<bool>());
  EXPECT_EQ(out["differences"][1]["table"].get<int>(), 6);
  EXPECT_EQ(out["differences"][1]["field"].get<int>(), 6);
  EXPECT_EQ(out["differences"][1]["name"].get<std::string>(), "вычислитель 6");
}
