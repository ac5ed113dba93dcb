#include "app/cli/command_line.h"

#include <charconv>
#include <map>
#include <set>

#include "app/cli/report_command.h"
#include "config/config_tables.h"
#include "config/speed_table.h"

namespace vkt53 {

namespace {

struct CommandSpec {
  CliCommand command;
  const char* name;
  int files;  // how many configuration files it takes, or -1 for "as --port says" (diff, report)
  std::set<std::string> options;
};

const std::set<std::string> kLinkOptions = {"--port",      "--attempts",  "--wait", "--byte-wait",
                                            "--preambles", "--rts-pause", "--rts"};

std::set<std::string> LinkOptionsAnd(std::set<std::string> more) {
  more.insert(kLinkOptions.begin(), kLinkOptions.end());
  more.insert("--log");
  return more;
}

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {CliCommand::Ports, "ports", 0, {}},
      {CliCommand::Identify, "identify", 0, LinkOptionsAnd({"--speed", "--search"})},
      {CliCommand::Read, "read", 0, LinkOptionsAnd({"--speed", "-o", "--output"})},
      {CliCommand::Write, "write", 1, LinkOptionsAnd({"--speed", "--dry-run"})},
      {CliCommand::Restore, "restore", 1, LinkOptionsAnd({"--speed", "--tables"})},
      {CliCommand::Show, "show", 1, {}},
      {CliCommand::Diff, "diff", -1, LinkOptionsAnd({"--speed"})},
      {CliCommand::Report, "report", -1, LinkOptionsAnd({"--speed", "-o", "--output"})},
  };
  return commands;
}

const std::set<std::string> kFlags = {"--search", "--dry-run"};

bool ParseNumber(const std::string& text, int64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// "3,5,6"
std::optional<std::vector<int>> ParseTables(const std::string& text) {
  std::vector<int> tables;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    int64_t table = 0;
    if (!ParseNumber(text.substr(start, comma - start), table) || table < 0 || table > 255)
      return std::nullopt;
    tables.push_back(static_cast<int>(table));
    start = comma + 1;
  }
  return tables;
}

std::string SetValue(CommandLine& line, const std::string& name, const std::string& value) {
  if (name == "--port") {
    if (value.empty()) return "пустое имя порта";
    line.port = value;
  } else if (name == "--speed") {
    int64_t speed = 0;
    if (!ParseNumber(value, speed) || speed > INT32_MAX ||
        IndexOfSpeed(static_cast<int32_t>(speed)) < 0) {
      return "скорость обмена " + value + " не из таблицы скоростей";
    }
    line.speed = static_cast<int32_t>(speed);
  } else if (name == "--attempts") {
    line.attempts = value;
  } else if (name == "--wait") {
    line.firstByteWait = value;
  } else if (name == "--byte-wait") {
    line.followingBytesWait = value;
  } else if (name == "--preambles") {
    line.preambles = value;
  } else if (name == "--rts-pause") {
    line.rtsPause = value;
  } else if (name == "--rts") {
    line.rts = RtsModeOfWord(value);
    if (!line.rts) return "--rts: режим " + value + " не из normal, inverted, off";
  } else if (name == "-o" || name == "--output") {
    if (value.empty()) return "пустое имя файла";
    line.output = value;
  } else if (name == "--tables") {
    line.tables = ParseTables(value);
    if (!line.tables) return "список таблиц \"" + value + "\" не из номеров через запятую";
  } else if (name == "--log") {
    if (value.empty()) return "пустое имя файла журнала обмена";
    line.log = value;
  }
  return {};
}

std::string CheckComplete(const CommandSpec& spec, const CommandLine& line) {
  const int files = static_cast<int>(line.files.size());
  if (spec.command == CliCommand::Diff) {
    if (line.port ? files != 1 : files != 2) {
      return "diff сравнивает два файла или, с --port, файл с устройством";
    }
    if (line.log && !line.port) return "diff: --log записывает обмен с устройством (--port)";
    return {};
  }
  if (spec.command == CliCommand::Report) {
    if (line.port ? files != 0 : files != 1) {
      return "report описывает файл конфигурации или, с --port, устройство";
    }
    if (!line.output) return "report: не указан файл отчёта (-o ОТЧЁТ.html)";
    if (line.log && !line.port) return "report: --log записывает обмен с устройством (--port)";
    return ReportOutputRefusal(*line.output);
  }
  if (files < spec.files) return std::string(spec.name) + ": не указан файл конфигурации";
  if (files > spec.files)
    return std::string(spec.name) + ": лишний аргумент " + line.files[spec.files];
  if (spec.command == CliCommand::Read && !line.output) return "read: не указан файл (-o ФАЙЛ.cnf)";
  if (line.search && line.speed) return "identify: --speed и --search вместе не указываются";
  if (line.tables) {
    const ConfigTableList tables = MakeConfigTableList();
    for (const int table : *line.tables) {
      if (table >= kTableCount || !tables[static_cast<std::size_t>(table)].writable) {
        return "restore: таблица " + std::to_string(table) +
               " не записывается; записываются таблицы 3, 5, 6";
      }
    }
  }
  return {};
}

}  // namespace

const char* CommandName(CliCommand command) {
  for (const CommandSpec& spec : Commands()) {
    if (spec.command == command) return spec.name;
  }
  return "";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  CommandLine& line = parsed.line;
  if (args.empty()) {
    parsed.error = "не указана команда";
    return parsed;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    line.help = true;
    return parsed;
  }
  const CommandSpec* spec = nullptr;
  for (const CommandSpec& candidate : Commands()) {
    if (args[0] == candidate.name) spec = &candidate;
  }
  if (spec == nullptr) {
    parsed.error = "неизвестная команда " + args[0];
    return parsed;
  }
  line.command = spec->command;

  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string name = args[i];
    if (name == "--help" || name == "-h") {
      line.help = true;
      return parsed;
    }
    if (name == "--json") {
      line.json = true;
      continue;
    }
    if (name.size() < 2 || name[0] != '-') {
      line.files.push_back(name);
      continue;
    }
    std::optional<std::string> value;
    if (const auto equals = name.find('=');
        name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (spec->options.count(name) == 0) {
      parsed.error = std::string(spec->name) + ": неизвестный параметр " + name;
      return parsed;
    }
    if (kFlags.count(name) != 0) {
      if (value) {
        parsed.error = name + " указывается без значения";
        return parsed;
      }
      (name == "--search" ? line.search : line.dryRun) = true;
      continue;
    }
    if (!value) {
      if (i + 1 == args.size()) {
        parsed.error = name + ": не указано значение";
        return parsed;
      }
      value = args[++i];
    }
    parsed.error = SetValue(line, name, *value);
    if (!parsed.error.empty()) return parsed;
  }
  parsed.error = CheckComplete(*spec, line);
  return parsed;
}

std::string HelpText(CliCommand command) {
  static const char kLinkHelp[] =
      "Связь (по умолчанию из файла настроек INI/vkt53.ini в папке, указанной\n"
      "в конце справки; файл только читается):\n"
      "  --port P          COMn (как в программе: на Linux через INI/comports,\n"
      "                    иначе /dev/ttyS(n-1)), путь к устройству или порт\n"
      "                    сервера портов: rfc2217://УЗЕЛ:ПОРТ, tcp://УЗЕЛ:ПОРТ\n"
      "  --speed N         скорость обмена, бит/с, из таблицы скоростей\n"
      "  --attempts N      количество попыток обмена (1...5)\n"
      "  --wait S          время ожидания первого байта ответа, с (1...120)\n"
      "  --byte-wait MS    время ожидания следующих байтов ответа, мс (55...5000)\n"
      "  --preambles N     количество преамбул в запросе (0...255)\n"
      "  --rts-pause MS    пауза после установки RTS, мс (2...1000)\n"
      "  --rts РЕЖИМ       переключение направления линии: normal (RTS поднят\n"
      "                    на передачу), inverted (RTS снят на передачу), off\n"
      "                    (RTS не трогать); по умолчанию из INI/comports\n"
      "  --log ФАЙЛ        дописывать в файл строки монитора обмена (журнал обмена);\n"
      "                    после 10 МБ начинается новый файл, 5 прежних хранятся\n"
      "                    с номером перед расширением: обмен.log, обмен.1.log ...\n";
  static const char kCommonHelp[] =
      "  --json            результат в формате JSON на стандартный вывод\n"
      "  --help            эта справка\n";
  const std::string link = kLinkHelp;
  switch (command) {
    case CliCommand::Identify:
      return "vkt53-cli identify [--speed N | --search] [параметры связи]\n\n"
             "Читает параметры идентификации устройства. Устройство другой модели\n"
             "или с другой версией ПО не обслуживается (код завершения 3).\n"
             "  --search          сначала определить скорость обмена (600...230400)\n\n" +
             link + kCommonHelp;
    case CliCommand::Read:
      return "vkt53-cli read -o ФАЙЛ.cnf [параметры связи]\n\n"
             "Читает всю конфигурацию устройства (таблицы 3, 5, 6 и 1) и сохраняет\n"
             "её в файле конфигурации.\n"
             "  -o, --output ФАЙЛ  файл конфигурации (заменяется, если есть)\n\n" +
             link + kCommonHelp;
    case CliCommand::Write:
      return "vkt53-cli write ФАЙЛ.cnf [--dry-run] [параметры связи]\n\n"
             "Читает конфигурацию устройства и записывает только те таблицы и\n"
             "поля, которые отличаются от файла. Перед записью конфигурация\n"
             "устройства сохраняется в CONFIG/backup; если запись остановилась на\n"
             "полпути (сбой связи, Ctrl-C), названы записанные таблицы и команда,\n"
             "которая запишет их обратно из резервной копии.\n"
             "  --dry-run         только показать запросы записи, не отправляя их\n\n" +
             link + kCommonHelp;
    case CliCommand::Restore:
      return "vkt53-cli restore ФАЙЛ.cnf [--tables 3,5,6] [параметры связи]\n\n"
             "Восстановление таблиц из файла конфигурации: записывает таблицы,\n"
             "которые устройство отмечает как требующие восстановления, затем\n"
             "проверяет идентификацию. Перед записью конфигурация устройства\n"
             "сохраняется в CONFIG/backup, записанные таблицы читаются обратно\n"
             "и сверяются с файлом.\n"
             "  --tables СПИСОК   записать эти таблицы (из 3, 5, 6)\n\n" +
             link + kCommonHelp;
    case CliCommand::Ports:
      return "vkt53-cli ports [--json]\n\n"
             "Порты COM1 ... COM8 и порты с большими номерами, которые есть в\n"
             "системе, и то, чем каждый из них является, как их показывает окно\n"
             "параметров связи.\n\n" +
             std::string(kCommonHelp);
    case CliCommand::Show:
      return "vkt53-cli show ФАЙЛ.cnf [--json]\n\n"
             "Файл конфигурации в виде текста: параметры связи с ВУ, строка\n"
             "инициализации модема, подключенные вычислители с портом и скоростью.\n\n" +
             std::string(kCommonHelp);
    case CliCommand::Diff:
      return "vkt53-cli diff A.cnf B.cnf\n"
             "vkt53-cli diff --port P ФАЙЛ.cnf [параметры связи]\n\n"
             "Поля, в которых различаются два файла конфигурации или устройство\n"
             "и файл (то, что изменила бы запись файла в устройство).\n\n" +
             link + kCommonHelp;
    case CliCommand::Report: return ReportHelpText() + link + kCommonHelp;
    case CliCommand::None: break;
  }
  return "vkt53-cli: обслуживание устройства КОРДИН vkt53-sx из командной строки\n\n"
         "  vkt53-cli ports                             порты и их устройства\n"
         "  vkt53-cli identify [--speed N | --search]   параметры идентификации\n"
         "  vkt53-cli read -o ФАЙЛ.cnf                  чтение конфигурации в файл\n"
         "  vkt53-cli write ФАЙЛ.cnf [--dry-run]        запись измененных полей\n"
         "  vkt53-cli restore ФАЙЛ.cnf [--tables 3,5,6] восстановление таблиц\n"
         "  vkt53-cli show ФАЙЛ.cnf                     файл конфигурации текстом\n"
         "  vkt53-cli diff A.cnf B.cnf                  различия двух файлов\n"
         "  vkt53-cli diff --port P ФАЙЛ.cnf            различия устройства и файла\n"
         "  vkt53-cli report ФАЙЛ.cnf -o ОТЧЁТ.html     отчёт о конфигурации (HTML)\n"
         "  vkt53-cli report --port P -o ОТЧЁТ.html     отчёт о конфигурации устройства\n\n"
         "Справка по команде: vkt53-cli КОМАНДА --help\n\n"
         "Коды завершения: 0 выполнено; 1 ошибка связи или устройства;\n"
         "2 ошибка в командной строке; 3 устройство не обслуживается;\n"
         "4 ошибка файла.\n";
}

}  // namespace vkt53
