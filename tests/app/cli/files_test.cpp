// vkt53-cli show and diff of configuration files saved as the windows save
// them, what they put on the terminal and into JSON, its command line, its
// help, and its progress line.
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "app/cli/cli_commands.h"
#include "app/cli/json_value.h"
#include "app/cli/terminal_ui.h"
#include "tests/app/cli/cli_fixture.h"
#include "app/config_file_flows.h"
#include "config/modem_string.h"

using namespace vkt53;

namespace {

// The online editor's "Сохранить в файле" with the user choosing `path`.
class ChoosingFiles : public ConfigFileUi {
 public:
  explicit ChoosingFiles(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return path_; }
  bool AskQuestion(const std::string&, const std::string&) override { return true; }
  void ShowError(const std::string& line1, const std::string&) override { ADD_FAILURE() << line1; }
  void ShowNotice(const std::string&, const std::string&) override {}

 private:
  std::string path_;
};

class Files : public ::testing::Test {
 protected:
  std::string SaveAsTheWindowsDo(const std::string& name, const ConfigImage& image) {
    ChoosingFiles ui(folder.File(name));
    SaveImageToFile(ui, folder.path(), image);
    return folder.File(name);
  }

  ConfigImage Planned() {
    ConfigImage image;
    NewConfigurationImage(image);
    image.bytes[kMasterSpeedIndexField] = 11;  // 9600 bit/s
    image.bytes[kUnitAnswerWaitField] = 10;
    image.bytes[kPriorityField] = 0;
    image.bytes[kWaitUnitPreamblesField] = 1;
    image.bytes[kRetryDelayIndexField] = 1;
    StoreModemText(image, "AT&F");
    SetUnitEntry(image, 1, {1, kPortA, 2});
    SetUnitEntry(image, 7, {0, kPortB, 5});  // not connected, port and speed kept
    SetUnitEntry(image, 254, {1, kPortC, 21});
    return image;
  }

  TempFolder folder;
  CliProgram cli;
};

}  // namespace

TEST_F(Files, ShowIsPlainStableText) {
  const std::string path = SaveAsTheWindowsDo("planned.cnf", Planned());
  const CliRun run = cli.Run({"show", path});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.out), (std::vector<std::string>{
                                  "Параметры связи",
                                  "  Скорость обмена с ВУ: 9600 бит/с",
                                  "  Количество преамбул при ответе ВУ: 3",
                                  "  Количество преамбул в запросе к вычислителю: 5",
                                  "  Длительность ожидания ответа от вычислителя: 10 (1200 мс)",
                                  "  Преамбулы от вычислителя: Ожидать",
                                  "  Приоритет: Высокий",
                                  "  Индекс задержки перед повторной попыткой занять порт: Большая",
                                  "Строка инициализации модема: \"AT&F\"",
                                  "Параметры связи с отдельным вычислителем",
                                  "  Адрес 1: порт A, 1200 бит/с",
                                  "  Адрес 254: порт C, 230400 бит/с",
                              }));
  EXPECT_EQ(cli.Run({"show", path}).out, run.out) << "the same text every time";

  nlohmann::json out = JsonOf(cli.Run({"show", path, "--json"}));
  EXPECT_EQ(out["configuration"]["masterLink"]["speed"].get<int>(), 9600);
  EXPECT_EQ(out["configuration"]["masterLink"]["unitAnswerWaitMs"].get<int>(), 1200);
  EXPECT_EQ(out["configuration"]["modem"].get<std::string>(), "AT&F");
  ASSERT_EQ(out["configuration"]["units"].size(), 2u);
  EXPECT_EQ(out["configuration"]["units"][1]["address"].get<int>(), 254);

  ConfigImage empty;
  NewConfigurationImage(empty);
  const CliRun fresh = cli.Run({"show", SaveAsTheWindowsDo("new.cnf", empty)});
  EXPECT_EQ(LinesOf(fresh.out).back(), "  Подключенных вычислителей нет");
  EXPECT_NE(fresh.out.find("Строка инициализации модема: \"\"\n"), std::string::npos);
}

TEST_F(Files, DiffListsTheFieldsThatDiffer) {
  const std::string a = SaveAsTheWindowsDo("a.cnf", Planned());
  ConfigImage changed = Planned();
  changed.bytes[kMasterSpeedIndexField] = 2;
  changed.bytes[kPriorityField] = 1;
  StoreModemText(changed, "ATZ");
  SetUnitEntry(changed, 1, {0, kPortA, 2});    // disconnected
  SetUnitEntry(changed, 7, {0, kPortB, 6});    // only its kept speed differs
  SetUnitEntry(changed, 20, {1, kPortB, 15});  // connected
  const std::string b = SaveAsTheWindowsDo("b.cnf", changed);

  const CliRun run = cli.Run({"diff", a, b});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.out), (std::vector<std::string>{
                                  "Скорость обмена с ВУ: 9600 бит/с -> 1200 бит/с",
                                  "Приоритет: Высокий -> Низкий",
                                  "Строка инициализации модема: \"AT&F\" -> \"ATZ\"",
                                  "вычислитель 1: порт A, 1200 бит/с (0x22) -> не подключен, 1200 бит/с (0x02)",
                                  "вычислитель 7: не подключен, 3600 бит/с (0x05) -> не подключен, 4800 бит/с (0x06)",
                                  "вычислитель 20: не подключен, 300 бит/с (0x00) -> порт B, 19200 бит/с (0x4F)",
                              }));
  nlohmann::json out = JsonOf(cli.Run({"diff", a, b, "--json"}));
  EXPECT_FALSE(out["same"].get<bool>());
  EXPECT_EQ(out["differences"].size(), 6u);
  EXPECT_EQ(out["differences"][0]["before"].get<std::string>(), "9600 бит/с");

  const CliRun same = cli.Run({"diff", a, SaveAsTheWindowsDo("copy.cnf", Planned()), "--json"});
  EXPECT_EQ(same.status, 0);
  EXPECT_TRUE(JsonOf(same)["same"].get<bool>());
  EXPECT_EQ(cli.Run({"diff", a, a}).out, "Различий нет\n");
}

TEST_F(Files, ReportShowsEveryUnitByPortAndTheFilesTextsEscaped) {
  ConfigImage image = Planned();  // units 1 on A, 254 on C; 7 on B, not connected
  for (int address = 2; address <= 12; ++address) SetUnitEntry(image, address, {1, kPortA, 11});
  SetUnitEntry(image, 17, {1, kPortA, 15});
  for (int address : {40, 41, 42, 43, 44, 45, 47, 48}) SetUnitEntry(image, address, {1, kPortB, 2});
  SetUnitEntry(image, 9, {1, 5, 11});   // connected to a code that is no port
  SetUnitEntry(image, 30, {0, 6, 11});  // as read from a device that holds code 6
  const std::string modem = "AT&F<1>\"Связь\" 'ПС №7' ATDP 8123456789 ёж";  // 41 characters
  StoreModemText(image, modem);
  const std::string report = folder.File("отчёт.html");
  const CliRun run = cli.Run({"report", SaveAsTheWindowsDo("Подстанция.cnf", image), "-o", report});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Отчёт о конфигурации сохранён в файле отчёт.html\n");

  const std::string text = PageText(report);
  for (const char* shown :
       {"файл конфигурации Подстанция.cnf", "Порт A 12 вычислителей 1–8, 10–12, 17",
        "Порт B 8 вычислителей 40–45, 47, 48", "Порт C 1 вычислитель 254",
        "Недопустимый код порта 2 вычислителя 9, 30", "Порт A: 12 вычислителей", "17 19200 бит/с",
        "Порт B: 8 вычислителей", "Недопустимый код порта: 2 вычислителя",
        "9 (5) 9600 бит/с 30 (6) 9600 бит/с", "Скорость обмена с ВУ 9600 бит/с",
        "Строка инициализации модема AT&amp;F&lt;1&gt;&quot;Связь&quot; &#39;ПС №7&#39; ATDP "
        "8123456789 ёж",
        "Файл конфигурации не содержит параметров идентификации"}) {
    EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
  }
  std::ifstream html(report, std::ios::binary);
  const std::string markup{std::istreambuf_iterator<char>(html), std::istreambuf_iterator<char>()};
  for (const char* raw : {"<1>", "\"Связь\"", "'ПС"}) {
    EXPECT_EQ(markup.find(raw), std::string::npos) << raw << " reached the page unescaped";
  }

  StoreModemText(image, "");
  const std::string empty = folder.File("empty.html");
  ASSERT_EQ(cli.Run({"report", SaveAsTheWindowsDo("empty.cnf", image), "-o", empty}).status, 0);
  EXPECT_NE(PageText(empty).find("Строка инициализации модема пустая"), std::string::npos);
  EXPECT_EQ(cli.Run({"report", "--port", "COM3", "-o", folder.File("a.pdf")}).status, 2)
      << "the terminal tool writes no PDF";
}

TEST_F(Files, ControlCharactersOfAFileAreShownNotSentToTheTerminal) {
  ConfigImage bell = Planned();
  StoreModemText(bell, "AT\a\x1B[2J&F");
  const std::string path = SaveAsTheWindowsDo("bell.cnf", bell);
  const CliRun run = cli.Run({"show", path});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Строка инициализации модема: \"AT\\x07\\x1B[2J&F\"\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find_first_of("\a\x1B"), std::string::npos);

  const CliRun diff = cli.Run({"diff", SaveAsTheWindowsDo("a.cnf", Planned()), path});
  EXPECT_NE(diff.out.find("Строка инициализации модема: \"AT&F\" -> \"AT\\x07\\x1B[2J&F\"\n"),
            std::string::npos)
      << diff.out;
  EXPECT_EQ(diff.out.find_first_of("\a\x1B"), std::string::npos);

  nlohmann::json out = JsonOf(cli.Run({"show", path, "--json"}));
  EXPECT_EQ(out["configuration"]["modem"].get<std::string>(), "AT\a\x1B[2J&F")
      << "JSON escapes them its own way";
}

TEST_F(Files, JsonIsUtf8WhateverBytesTheFileNameAndArgumentsHold) {
  const std::string path = folder.File("\xC0\xFF.cnf");  // not UTF-8: a name of another system
  ASSERT_EQ(WriteConfigFile(path, Planned()), FileWriteResult::kWritten);
  const CliRun run = cli.Run({"show", path, "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(JsonOf(run)["file"].get<std::string>(), folder.File("\uFFFD\uFFFD.cnf"));

  const CliRun usage = cli.Run({"sh\xE9w", "--json"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(JsonOf(usage)["messages"][0].get<std::string>(), "неизвестная команда sh\uFFFDw");
}

TEST_F(Files, AFileThatCannotBeUsedIsAFileError) {
  const std::string text = folder.File("notes.txt");
  std::ofstream(text) << "MZ";
  const std::string shortFile = folder.File("short.cnf");
  std::ofstream(shortFile) << "MC";

  const CliRun notConfig = cli.Run({"show", text});
  EXPECT_EQ(notConfig.status, 4);
  EXPECT_EQ(notConfig.err, "Файл notes.txt не является файлом конфигурации\n");
  EXPECT_EQ(cli.Run({"show", shortFile}).status, 4) << "a marker alone is not a configuration";
  const CliRun missing = cli.Run({"diff", folder.File("gone.cnf"), text, "--json"});
  EXPECT_EQ(missing.status, 4);
  EXPECT_EQ(JsonOf(missing)["messages"][0].get<std::string>(), "Ошибка открытия файла");
}

// What the checks before each file operation do not foresee still ends the
// command with a message and its exit code, never with an abort.
TEST(Exceptions, AFileSystemErrorIsAFileErrorAndTheProgramEndsNormally) {
  CommandLine line;
  line.command = CliCommand::Show;
  const std::filesystem::filesystem_error tooLong(
      "cannot open", "Подстанция 1.cnf", std::make_error_code(std::errc::filename_too_long));
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCaught(line, {out, err}, [&]() -> int { throw tooLong; }), kExitFileError);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Ошибка обращения к файлу\nПодстанция 1.cnf\n");

  line.json = true;
  std::ostringstream json;
  EXPECT_EQ(RunCaught(line, {json, err}, []() -> int { throw std::bad_alloc(); }),
            kExitLinkFailure);
  nlohmann::json data = nlohmann::json::parse(json.str(), nullptr, false);
  ASSERT_FALSE(data.is_discarded()) << json.str();
  EXPECT_EQ(data["command"].get<std::string>(), "show");
  EXPECT_EQ(data["exit"].get<int>(), kExitLinkFailure);
  EXPECT_EQ(data["messages"][0].get<std::string>(), "Внутренняя ошибка программы");
}

TEST(CommandLine, EveryCommandHasItsHelp) {
  CliProgram cli;
  const CliRun overview = cli.Run({"--help"});
  EXPECT_EQ(overview.status, 0);
  for (const char* command : {"identify", "read", "write", "restore", "show", "diff"}) {
    EXPECT_NE(overview.out.find(std::string("vkt53-cli ") + command), std::string::npos) << command;
    const CliRun help = cli.Run({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("vkt53-cli ") + command, 0), 0u) << help.out;
  }
}

TEST(CommandLine, BadUsageIsExitTwoWithTheReason) {
  CliProgram cli;
  const struct {
    std::vector<std::string> args;
    std::string reason;
  } bad[] = {
      {{}, "не указана команда"},
      {{"ports2"}, "неизвестная команда ports2"},
      {{"show"}, "show: не указан файл конфигурации"},
      {{"show", "a.cnf", "b.cnf"}, "show: лишний аргумент b.cnf"},
      {{"show", "a.cnf", "--port", "COM1"}, "show: неизвестный параметр --port"},
      {{"read", "--port", "COM1"}, "read: не указан файл (-o ФАЙЛ.cnf)"},
      {{"identify", "--speed", "9600", "--search"},
       "identify: --speed и --search вместе не указываются"},
      {{"identify", "--speed"}, "--speed: не указано значение"},
      {{"identify", "--search=1"}, "--search указывается без значения"},
      {{"diff", "a.cnf"}, "diff сравнивает два файла или, с --port, файл с устройством"},
      {{"diff", "--port", "COM1", "a.cnf", "b.cnf"},
       "diff сравнивает два файла или, с --port, файл с устройством"},
      {{"restore", "a.cnf", "--tables", "3,,6"},
       "список таблиц \"3,,6\" не из номеров через запятую"},
  };
  for (const auto& [args, reason] : bad) {
    const CliRun run = cli.Run(args);
    EXPECT_EQ(run.status, 2) << reason;
    const std::vector<std::string> lines = LinesOf(run.err);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    EXPECT_EQ(lines[0], "vkt53-cli: " + reason);
    EXPECT_EQ(lines[1].rfind("Справка: vkt53-cli", 0), 0u);
  }
  const CliRun json = cli.Run({"write", "--json", "--dry-run"});
  EXPECT_EQ(json.status, 2);
  EXPECT_EQ(JsonOf(json)["messages"][0].get<std::string>(), "write: не указан файл конфигурации");
}

TEST(JsonText, EveryStringIsUtf8ControlCharactersEscaped) {
  JsonValue strings = JsonValue::Array();
  strings
      .Push("Ж€😀")               // valid sequences of two, three and four bytes kept
      .Push("\xC0\xAF")          // '/' in an overlong form
      .Push("\xED\xA0\x80")      // a surrogate
      .Push("\xF4\x90\x80\x80")  // beyond U+10FFFF
      .Push("a\xE2\x82")         // cut short
      .Push("\a\x1B\"\\");
  EXPECT_EQ(strings.Text(),
            "[\"Ж€😀\",\"\uFFFD\uFFFD\",\"\uFFFD\uFFFD\uFFFD\",\"\uFFFD\uFFFD\uFFFD\uFFFD\","
            "\"a\uFFFD\uFFFD\",\"\\u0007\\u001b\\\"\\\\\"]");
}

TEST(ProgressLine, IsDrawnOnATerminalAndWipedAtTheEnd) {
  std::ostringstream err;
  TerminalUi ui(err, true);
  ui.ShowOperationPanel("Чтение из таблицы 0 (поля 0-17)");
  EXPECT_EQ(err.str(), "") << "a single request shows nothing";
  ui.BeginProgress();
  ui.SetMaximum(5);
  ui.ShowOperationPanel("Чтение из таблицы 3 (поля 0-7)");
  ui.SetPosition(1);
  ui.ShowOperationPanel("Чтение из таблицы 5 (поле 0)");
  ui.EndProgress();
  const std::string text = err.str();
  EXPECT_NE(text.find("\r[0/5] Чтение из таблицы 3 (поля 0-7)"), std::string::npos);
  EXPECT_NE(text.find("\r[1/5] Чтение из таблицы 3 (поля 0-7)"), std::string::npos);
  EXPECT_NE(text.find("\r[1/5] Чтение из таблицы 5 (поле 0)"), std::string::npos);
  const std::size_t last = std::string("[1/5] Чтение из таблицы 5 (поле 0)").size();
  EXPECT_EQ(text.substr(text.size() - last - 2), "\r" + std::string(last, ' ') + "\r") << "wiped";

  std::ostringstream counted;
  TerminalUi writes(counted, true);
  writes.BeginProgress();
  writes.CountRequests(2);
  writes.ShowOperationPanel("Запись в таблицу 6 (поле 5)");
  writes.ShowOperationPanel("Запись в таблицу 6 (поле 9)");
  EXPECT_NE(counted.str().find("\r[0/2] Запись в таблицу 6 (поле 5)"), std::string::npos);
  EXPECT_NE(counted.str().find("\r[1/2] Запись в таблицу 6 (поле 9)"), std::string::npos);

  std::ostringstream quiet;
  TerminalUi plain(quiet, false);
  plain.BeginProgress();
  plain.SetMaximum(5);
  plain.ShowOperationPanel("Чтение из таблицы 3 (поля 0-7)");
  plain.SetPosition(1);
  plain.EndProgress();
  EXPECT_EQ(quiet.str(), "");
}

TEST(ProgressLine, AFailureKeepsTheLinesTheRetryQuestionWouldShow) {
  std::ostringstream err;
  TerminalUi ui(err, false);
  ui.ShowOperationPanel("Чтение из таблицы 0 (поля 0-17)");
  ui.ShowOperationPanel("Команда 29.  Устройство не отвечает");
  EXPECT_FALSE(
      ui.AskRetry("Не выполнено чтение из таблицы 0.", "\"Общие параметры идентификации\""))
      << "a script is not asked: the attempts are its retries";
  EXPECT_EQ(ui.FailureLines(), (std::vector<std::string>{"Не выполнено чтение из таблицы 0.",
                                                         "\"Общие параметры идентификации\"",
                                                         "Команда 29.  Устройство не отвечает"}));
}
