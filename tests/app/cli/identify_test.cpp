// vkt53-cli identify and the link it sets up: the ports as the program maps
// them, the settings file as defaults that are never written, the link
// settings' ranges, the refusal of other devices and the speed search.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/app/cli/cli_fixture.h"
#include "link/link_settings.h"
#include "tests/support/ser2net_process.h"

using namespace vkt53;

namespace {

const std::vector<std::string> kRefusedModel = {"Код типа подключенного устройства  7",
                                                "Программа обслуживает кордины vkt53-sx"};
const std::vector<std::string> kRefusedVersion = {
    "Версия ПО подключенного кордина 5",
    "Программа обслуживает кордины vkt53-sx только с версией ПО 3 или 4"};

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string SettingsBytes(const LinkSettings& settings) {
  const LinkSettingsBytes bytes = EncodeLinkSettings(settings);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

class Identify : public CliFixture {};

TEST_F(Identify, ShowsTheIdentificationWindowsRowsThroughAMappedComPort) {
  StartDevice();
  const CliRun run = Run(OnDevice({"identify"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 11u) << run.out;
  EXPECT_EQ(lines[0], "Порт: COM3 (" + device->linkPath() + ")");
  EXPECT_EQ(lines[1], "Скорость обмена: 115200 бит/с");
  EXPECT_EQ(lines[2], "Код типа контроллера: 8");
  EXPECT_EQ(lines[4], "Версия программного обеспечения: 3 (Чтение и запись)");
  EXPECT_EQ(lines[5], "Дата создания ПО: 17.03.25  09:05:00");
  EXPECT_EQ(lines[7], "Наличие разрушенных таблиц: Разрушенных таблиц нет");
  EXPECT_EQ(
      lines[10],
      "Номер последней версии протокола RXV-BB51-M, которая поддерживается контроллером: 1.2.0");

  const CliRun json = Run(OnDevice({"identify", "--json"}));
  ASSERT_EQ(json.status, 0) << json.err;
  nlohmann::json out = JsonOf(json);
  EXPECT_EQ(out["command"].get<std::string>(), "identify");
  EXPECT_EQ(out["link"]["port"].get<std::string>(), "COM3");
  EXPECT_EQ(out["identification"]["typeCode"].get<int>(), 8);
  EXPECT_EQ(out["identification"]["bytes"].size(), 17u);
  EXPECT_EQ(out["identification"]["rows"][3]["value"].get<std::string>(), "17.03.25  09:05:00");
  EXPECT_TRUE(out["messages"].empty());
}

TEST_F(Identify, ACorruptedTableShowsAsTheWindowShowsIt) {
  StartDevice({"--corrupt", "6"});
  const CliRun run = Run(OnDevice({"identify"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Наличие разрушенных таблиц: Разрушена таблица 6\n"), std::string::npos)
      << run.out;
}

TEST_F(Identify, TakesTheLinkFromTheSettingsFileAndNeverWritesIt) {
  StartDevice();
  LinkSettings stored;
  stored.portNumber = 3;
  stored.exchangeSpeed = kDeviceSpeed;
  stored.attemptCount = 2;
  stored.tableWriteLock = 1;
  stored.reserved = 0x5A;
  const std::string bytes = SettingsBytes(stored);
  cli.WriteSettingsFile(bytes);
  const auto written = std::filesystem::last_write_time(cli.File("INI/vkt53.ini"));

  const CliRun run = Run({"identify"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.out)[0], "Порт: COM3 (" + device->linkPath() + ")");
  EXPECT_EQ(FileText(cli.File("INI/vkt53.ini")), bytes);
  EXPECT_EQ(std::filesystem::last_write_time(cli.File("INI/vkt53.ini")), written);
  EXPECT_FALSE(std::filesystem::exists(cli.File("CONFIG")))
      << "the program creates no folders either";

  // The command line wins over the file: the device does not answer at 1200.
  const CliRun slow = Run({"identify", "--speed", "1200", "--wait", "1", "--attempts", "1"});
  EXPECT_EQ(slow.status, 1);
  EXPECT_EQ(FileText(cli.File("INI/vkt53.ini")), bytes);
}

TEST_F(Identify, RefusesAnotherModelOrSoftwareVersionWithTheStartUpTexts) {
  StartDevice({"--type", "7", "--software", "5"});
  const CliRun model = Run(OnDevice({"identify"}));
  EXPECT_EQ(model.status, 3);
  EXPECT_EQ(LinesOf(model.err), kRefusedModel) << "the model is refused whatever the version";
  EXPECT_NE(model.out.find("Код типа контроллера: 7\n"), std::string::npos)
      << "what it is, for the person";

  const CliRun json = Run(OnDevice({"read", "-o", files.File("x.cnf"), "--json"}));
  EXPECT_EQ(json.status, 3);
  nlohmann::json out = JsonOf(json);
  ASSERT_EQ(out["messages"].size(), 2u);
  EXPECT_EQ(out["messages"][0].get<std::string>(), kRefusedModel[0]);
  EXPECT_FALSE(std::filesystem::exists(files.File("x.cnf")));

  device.reset();
  StartDevice({"--software", "5"});
  for (const char* command : {"identify", "write", "restore"}) {
    std::vector<std::string> args = {command};
    if (std::string(command) != "identify") args.push_back(SaveFile("some.cnf", ConfigImage{}));
    const CliRun version = Run(OnDevice(args));
    EXPECT_EQ(version.status, 3) << command;
    EXPECT_EQ(LinesOf(version.err), kRefusedVersion) << command;
  }
}

TEST_F(Identify, SearchFindsTheSpeedTheDeviceAnswersAt) {
  StartDevice({}, "", 9600);
  const CliRun run = Run({"identify", "--port", "COM3", "--search", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  nlohmann::json out = JsonOf(run);
  EXPECT_EQ(out["foundSpeed"].get<int>(), 9600);
  EXPECT_EQ(out["speed"].get<int>(), 9600);
  EXPECT_EQ(out["identification"]["typeCode"].get<int>(), 8);

  const CliRun text = Run({"identify", "--port", "COM3", "--search"});
  ASSERT_EQ(text.status, 0) << text.err;
  const std::vector<std::string> lines = LinesOf(text.out);
  ASSERT_GE(lines.size(), 3u) << text.out;
  EXPECT_EQ(lines[0], "Получен ответ на запрос при скорости обмена - 9600 бит/с");
  EXPECT_EQ(lines[2], "Скорость обмена: 9600 бит/с");
  EXPECT_EQ(text.err, "") << "no progress line when standard error is no terminal";
}

TEST_F(Identify, SearchOfADeviceAt300FindsNothing) {
  StartDevice({}, "", 300);
  const CliRun run = Run({"identify", "--port", "COM3", "--search"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Связь не установлена\n");
}

TEST_F(Identify, ASilentDeviceOrAMissingPortIsALinkFailure) {
  StartDevice({"--fault-drop", "0"});
  const CliRun silent = Run(OnDevice({"identify", "--wait", "1", "--attempts", "1"}));
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(LinesOf(silent.err), (std::vector<std::string>{"Не выполнено чтение из таблицы 0.",
                                                           "\"Общие параметры идентификации\"",
                                                           "Команда 29.  Устройство не отвечает"}));

  const CliRun missing = Run({"identify", "--port", "COM7", "--json"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(JsonOf(missing)["messages"][0].get<std::string>(),
            "Коммуникационный порт COM7 недоступен");
  const CliRun path = Run({"identify", "--port", deviceFolder.File("gone")});
  EXPECT_EQ(path.status, 1);
  EXPECT_EQ(path.err, "Коммуникационный порт " + deviceFolder.File("gone") + " недоступен\n");
}

TEST_F(Identify, LinkSettingsHaveTheConnectionDialogsRanges) {
  StartDevice();
  const struct {
    std::vector<std::string> option;
    std::string error;
  } refused[] = {
      {{"--attempts", "0"}, "Количество попыток обмена: Параметр вне допустимого диапазона"},
      {{"--attempts", "6"}, "Количество попыток обмена: Параметр вне допустимого диапазона"},
      {{"--wait", "0"}, "Время ожидания первого байта ответа: Параметр вне допустимого диапазона"},
      {{"--wait", "121"},
       "Время ожидания первого байта ответа: Параметр вне допустимого диапазона"},
      {{"--byte-wait", "54"},
       "Время ожидания следующих байтов ответа: Параметр вне допустимого диапазона"},
      {{"--byte-wait", "5001"},
       "Время ожидания следующих байтов ответа: Параметр вне допустимого диапазона"},
      {{"--preambles", "256"}, "Количество преамбул в запросе: Параметр вне допустимого диапазона"},
      {{"--rts-pause", "1"}, "Пауза после установки RTS: Параметр вне допустимого диапазона"},
      {{"--rts-pause", "abc"}, "Пауза после установки RTS: Параметр вне допустимого диапазона"},
      {{"--speed", "1000"}, "скорость обмена 1000 не из таблицы скоростей"},
      {{"--port", "LPT1"},
       "порт LPT1: нужно имя COMn, путь к устройству или адрес rfc2217://УЗЕЛ:ПОРТ, "
       "tcp://УЗЕЛ:ПОРТ"},
  };
  for (const auto& [option, error] : refused) {
    std::vector<std::string> args = OnDevice({"identify"});
    args.insert(args.end(), option.begin(), option.end());
    const CliRun run = Run(args);
    EXPECT_EQ(run.status, 2) << option[0] << " " << option[1];
    EXPECT_EQ(LinesOf(run.err).front(), "vkt53-cli: " + error) << option[0] << " " << option[1];
  }
  // Two failing at once: the dialog's order decides which is reported.
  const CliRun both = Run(OnDevice({"identify", "--rts-pause", "1", "--wait", "0"}));
  EXPECT_EQ(LinesOf(both.err).front(), "vkt53-cli: " + refused[2].error);

  const CliRun edges = Run(OnDevice({"identify", "--attempts", "5", "--wait", "120", "--byte-wait",
                                     "5000", "--preambles", "255", "--rts-pause", "2"}));
  EXPECT_EQ(edges.status, 0) << edges.err;
  const CliRun lowEdges = Run(OnDevice({"identify", "--attempts", "1", "--wait", "1", "--byte-wait",
                                        "55", "--preambles", "0", "--rts-pause", "1000"}));
  EXPECT_EQ(lowEdges.status, 0) << lowEdges.err;
}

// A device behind ser2net, named by URL as a device server's port.
TEST_F(Identify, APortOnASerialDeviceServerIsNamedByItsUrl) {
  StartDevice();
  // A server each: ser2net refuses the other kind's port while it is still
  // closing the device after the first.
  for (const bool rfc2217 : {true, false}) {
    const Ser2netProcess server(device->terminalPath(), std::to_string(kDeviceSpeed) + "n81");
    const std::string url = rfc2217 ? server.Rfc2217Url() : server.RawTcpUrl();
    const CliRun run = Run({"identify", "--port", url, "--speed", std::to_string(kDeviceSpeed)});
    ASSERT_EQ(run.status, 0) << url << ": " << run.err;
    EXPECT_EQ(LinesOf(run.out).front(), "Порт: " + url);
  }

  const Ser2netProcess server(device->terminalPath(), std::to_string(kDeviceSpeed) + "n81");
  const CliRun search = Run({"identify", "--port", server.RawTcpUrl(), "--search"});
  EXPECT_EQ(search.status, 2);
  EXPECT_EQ(search.err,
            "Определение скорости обмена невозможно: скорость линии порта tcp:// задаёт сервер "
            "портов. Для определения скорости нужен порт rfc2217://.\n");

  const std::string nobody = "rfc2217://127.0.0.1:" + std::to_string(FreeTcpPort());
  const CliRun refused = Run({"identify", "--port", nobody});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(
      LinesOf(refused.err),
      (std::vector<std::string>{"Коммуникационный порт " + nobody + " недоступен",
                                "Сервер портов " + nobody.substr(10) + " отклонил соединение:",
                                "на этом порту сервера никто не принимает соединений."}));

  // A COM number above 8 that INI/comports maps to the server: listed and
  // opened as any port.
  cli.WritePortMap("COM12=" + server.Rfc2217Url() + "\n");
  const CliRun ports = Run({"ports"});
  ASSERT_EQ(ports.status, 0) << ports.err;
  const std::vector<std::string> listed = LinesOf(ports.out);
  ASSERT_EQ(listed.size(), 9u) << ports.out;
  EXPECT_EQ(listed[8],
            "COM12  " + server.Rfc2217Url() + " — сервер портов (RFC 2217) (INI/comports)");
  const CliRun mapped =
      Run({"identify", "--port", "COM12", "--speed", std::to_string(kDeviceSpeed)});
  ASSERT_EQ(mapped.status, 0) << mapped.err;
  EXPECT_EQ(LinesOf(mapped.out).front(), "Порт: COM12 (" + server.Rfc2217Url() + ")");
}

// The ports as the connection dialog offers and shows them: the lines of
// INI/comports win, a line naming a device that is not there maps to
// nothing, and a port above COM8 follows them when it is there.
TEST_F(Identify, PortsListsWhatEachComPortIs) {
  StartDevice();
  cli.WritePortMap("COM3=" + device->linkPath() + "\nCOM7=" + deviceFolder.File("no-such-tty") +
                   "\nCOM12=" + device->linkPath() + "\n");
  const CliRun run = Run({"ports"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 9u) << run.out;
  EXPECT_EQ(lines[8].rfind("COM12  " + device->linkPath(), 0), 0u) << lines[8];
  EXPECT_EQ(lines[2].rfind("COM3  " + device->linkPath(), 0), 0u) << lines[2];
  EXPECT_NE(lines[2].find("псевдотерминал"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[6],
            "COM7  " + deviceFolder.File("no-such-tty") + " — нет устройства (INI/comports)");

  nlohmann::json out = JsonOf(Run({"ports", "--json"}));
  ASSERT_EQ(out["ports"].size(), 9u);
  EXPECT_EQ(out["ports"][8]["port"].get<std::string>(), "COM12");
  EXPECT_EQ(out["ports"][2]["port"].get<std::string>(), "COM3");
  EXPECT_EQ(out["ports"][2]["device"].get<std::string>(), device->linkPath());
  EXPECT_TRUE(out["ports"][2]["present"].get<bool>());
  EXPECT_TRUE(out["ports"][2]["listedInComportsFile"].get<bool>());
  EXPECT_FALSE(out["ports"][6]["present"].get<bool>());
}
