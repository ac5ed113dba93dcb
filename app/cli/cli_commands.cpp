#include "app/cli/cli_commands.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/cli/config_text.h"
#include "app/cli/json_value.h"
#include "app/cli/terminal_ui.h"
#include "app/connection_sequence.h"
#include "app/program_state.h"
#include "app/settings_file.h"
#include "app/write_check.h"
#include "config/config_file.h"
#include "config/configuration_backup.h"
#include "support/decimal_field.h"
#include "support/file_io.h"
#include "config/identification.h"
#include "support/program_folder.h"
#include "config/speed_table.h"
#include "support/utf8.h"
#include "config/working_folders.h"
#include "dialogs/ident_text.h"
#include "dialogs/link_entry.h"
#include "dialogs/speed_search.h"
#include "dialogs/table_rows.h"
#include "link/clock.h"
#include "link/conffun.h"
#include "link/port_operations.h"
#include "link/port_discovery.h"
#include "support/text_format.h"
#include "support/hex_text.h"

namespace vkt53 {

namespace {

// What a command leaves for the person or the script.
struct Outcome {
  int exit = kExitDone;
  std::vector<std::string> lines;     // the result, on standard output
  std::vector<std::string> messages;  // failures and notices, on standard error
  JsonValue data = JsonValue::Object();

  Outcome& Fail(int code, std::vector<std::string> text) {
    exit = code;
    messages.insert(messages.end(), text.begin(), text.end());
    return *this;
  }
};

void Print(const CommandLine& line, const Outcome& outcome, const CliStreams& streams) {
  if (line.json) {
    JsonValue data = outcome.data;
    JsonValue messages = JsonValue::Array();
    for (const std::string& text : outcome.messages) messages.Push(text);
    data.Set("exit", outcome.exit).Set("messages", std::move(messages));
    streams.out << data.Text() << '\n';
  } else {
    for (const std::string& text : outcome.lines) streams.out << text << '\n';
    for (const std::string& text : outcome.messages) streams.err << text << '\n';
  }
  streams.out.flush();
}

// ---------------------------------------------------------------- the link

struct LinkChoice {
  std::string device;    // what is opened
  std::string portName;  // what the person named: "COM3" or the path
  LinkSettings settings;
};

// A device path: one with a folder in it, or a name that exists here. A
// network port's URL ("rfc2217://…", "tcp://…") has folders too and is
// opened as one.
bool LooksLikePath(const std::string& name) {
  return name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
         PathExists(name);
}

// The link settings from the settings file with the command line's values
// laid over them, checked as the connection dialog checks them. An error
// text when they cannot be used.
std::string ChooseLink(const CommandLine& line, const LinkSettings& stored, LinkChoice& choice) {
  choice.settings = stored;
  LinkSettings& settings = choice.settings;
  if (line.port) {
    if (const int number = ComPortNumber(*line.port); number != 0) {
      settings.portNumber = static_cast<uint8_t>(number);
    } else if (LooksLikePath(*line.port)) {
      choice.device = *line.port;
      choice.portName = *line.port;
    } else {
      return "порт " + *line.port +
             ": нужно имя COMn, путь к устройству или адрес rfc2217://УЗЕЛ:ПОРТ, tcp://УЗЕЛ:ПОРТ";
    }
  } else if (settings.portNumber < 1) {
    return "не указан порт (--port)";
  }
  if (choice.device.empty()) {
    choice.portName = Format("COM%d", settings.portNumber);
    choice.device = PortDeviceName(settings.portNumber);
  }
  if (line.speed) settings.exchangeSpeed = *line.speed;
  if (IndexOfSpeed(settings.exchangeSpeed) < 0) {
    return Format("скорость обмена %d из файла настроек не из таблицы скоростей (--speed)",
                  settings.exchangeSpeed);
  }

  LinkEntry entry = EntryOfSettings(settings);
  entry.portNumber = 1;  // any: the port is chosen above, by name or path
  if (line.attempts) {
    const DecimalField attempts = ParseDecimalField(*line.attempts);
    if (!attempts.IsValueIn(1, kAttemptChoices)) {
      return "Количество попыток обмена: Параметр вне допустимого диапазона";
    }
    entry.attemptsIndex = static_cast<int>(attempts.value) - 1;
  } else if (entry.attemptsIndex < 0) {
    return Format("количество попыток %d из файла настроек вне диапазона 1...5 (--attempts)",
                  settings.attemptCount);
  }
  if (line.firstByteWait) entry.firstByteWait = *line.firstByteWait;
  if (line.followingBytesWait) entry.followingBytesWait = *line.followingBytesWait;
  if (line.preambles) entry.preambleCount = *line.preambles;
  if (line.rtsPause) entry.rtsPause = *line.rtsPause;
  if (!IsEntryComplete(entry)) return "Введены не все параметры";
  const LinkEntryCheck check = CheckLinkEntry(entry, settings);
  if (check.failed != LinkEntryField::None) {
    return std::string(LinkEntryFieldName(check.failed)) + ": Параметр вне допустимого диапазона";
  }
  const uint8_t portNumber = settings.portNumber;
  settings = check.settings;
  settings.portNumber = portNumber;
  return {};
}

// The program's link to one device, set up as "Связаться" sets it up.
class DeviceLink {
 public:
  DeviceLink(const LinkChoice& choice, TerminalUi& ui) : choice_(choice), ui_(ui) {
    state_.settings = choice.settings;
  }

  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  ProgramState& state() { return state_; }
  const ProgramState& state() const { return state_; }
  TerminalUi& ui() { return ui_; }
  LinkSession& session() { return session_; }
  const LinkChoice& choice() const { return choice_; }

  bool Open(Outcome& outcome) {
    state_.port = OpenLinkPort(choice_.device);
    if (!state_.port) {
      outcome.Fail(kExitLinkFailure, {"Коммуникационный порт " + choice_.portName + " недоступен"});
      if (const std::string reason = PortOpenFailureReason(choice_.device); !reason.empty()) {
        outcome.messages.push_back(reason);
      }
      return false;
    }
    LoadExchangeParameters(*state_.context, state_.settings, state_.port);
    return true;
  }

  // The speed search of the connection dialog; the link then runs with the
  // settings' own waits and attempts at the speed found.
  bool SearchSpeed(Outcome& outcome) {
    if (const std::string refusal = SpeedSearchRefusal(*state_.context); !refusal.empty()) {
      outcome.Fail(kExitUsage, {refusal});
      return false;
    }
    ui_.BeginProgress();
    const int32_t found = SearchExchangeSpeed(
        *state_.context,
        [this](int32_t speed) { ui_.ShowProgress(Format("Скорость обмена:  %d", speed)); },
        [this] { return ui_.StopRequested(); });
    ui_.EndProgress();
    if (found == 0) {
      if (ui_.StopRequested()) {
        outcome.Fail(kExitLinkFailure, ui_.FailureLines());
      } else {
        outcome.Fail(kExitLinkFailure, {"Связь не установлена"});
      }
      return false;
    }
    state_.settings.exchangeSpeed = found;
    LoadExchangeParameters(*state_.context, state_.settings, state_.port);
    outcome.lines.push_back("Получен ответ на запрос при скорости обмена - " +
                            std::to_string(found) + " бит/с");
    outcome.data.Set("foundSpeed", static_cast<int>(found));
    return true;
  }

  // As at start-up: DTR and the pause, the identification, the model and
  // software version checks.
  bool Identify(Outcome& outcome) {
    SettleLineBeforeFirstRequest(state_.port);
    if (!ReadIdentification(session_, state_.record)) {
      outcome.Fail(kExitLinkFailure, ui_.FailureLines());
      return false;
    }
    if (const auto refusal = RefusalOfDevice(state_.record.Identification())) {
      outcome.Fail(kExitRefused, {refusal->line1, refusal->line2});
      return false;
    }
    return true;
  }

  // The whole configuration, as before the online editor opens.
  bool ReadWhole(Outcome& outcome) {
    ui_.BeginProgress();
    const bool read = ReadConfiguration(session_, state_.record, &ui_);
    ui_.EndProgress();
    if (!read) {
      outcome.Fail(kExitLinkFailure, ui_.FailureLines());
      outcome.messages.push_back("Параметры конфигурирования не прочитаны");
    }
    return read;
  }

 private:
  LinkChoice choice_;
  TerminalUi& ui_;
  ProgramState state_;
  LinkSession session_{*state_.context, state_.settings, ui_};
};

// Every write to the device goes through here; `send` sends the requests.
// This is the one place for what guards a write: a backup of the device's
// configuration before the first request, and the device read back and
// compared with what was meant after the last.
bool WriteToDevice(DeviceLink& link, TerminalUi& ui,
                   const std::function<bool(LinkSession&)>& send) {
  ui.BeginProgress();
  const bool sent = send(link.session());
  ui.EndProgress();
  return sent;
}

JsonValue LinkJson(const DeviceLink& link) {
  JsonValue out = JsonValue::Object();
  out.Set("port", link.choice().portName).Set("device", link.choice().device);
  return out;
}

// ---------------------------------------------------------------- files

std::optional<ConfigImage> LoadFile(const std::string& path, Outcome& outcome) {
  ConfigImage image;
  switch (ReadConfigFile(path, image)) {
    case ConfigFileReadResult::kRead: return image;
    case ConfigFileReadResult::kCannotOpen:
      outcome.Fail(kExitFileError, {"Ошибка открытия файла", path});
      break;
    case ConfigFileReadResult::kNotConfigFile:
      outcome.Fail(kExitFileError, {Format("Файл %s не является файлом конфигурации",
                                           FileNameOfPath(path).c_str())});
      break;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------- commands

std::string Caption(std::size_t row) {
  std::string caption = IdentificationRowCaption(row);
  std::replace(caption.begin(), caption.end(), '\n', ' ');
  return caption;
}

void AddIdentification(const ProgramState& state, Outcome& outcome) {
  const auto id = state.record.Identification();
  const IdentificationTexts texts = IdentificationRows(id);
  JsonValue rows = JsonValue::Array();
  for (std::size_t row = 0; row < kIdentificationRowCount; ++row) {
    outcome.lines.push_back(Caption(row) + ": " + texts[row]);
    JsonValue entry = JsonValue::Object();
    entry.Set("caption", Caption(row)).Set("value", texts[row]);
    rows.Push(std::move(entry));
  }
  JsonValue identification = JsonValue::Object();
  identification.Set("bytes", JsonBytes(id))
      .Set("typeCode", static_cast<int>(id[kTypeCodeByte]))
      .Set("softwareVersion", static_cast<int>(id[kSoftwareVersionByte]))
      .Set("corruptedTable", static_cast<int>(id[kCorruptedTableByte]))
      .Set("rows", std::move(rows));
  outcome.data.Set("identification", std::move(identification));
}

void Identify(const CommandLine& line, DeviceLink& link, Outcome& outcome) {
  if (!link.Open(outcome)) return;
  if (line.search && !link.SearchSpeed(outcome)) return;
  const bool served = link.Identify(outcome);
  if (!served && outcome.exit != kExitRefused) return;
  const LinkChoice& choice = link.choice();
  const std::string device = choice.device == choice.portName ? "" : " (" + choice.device + ")";
  outcome.lines.push_back("Порт: " + choice.portName + device);
  outcome.lines.push_back(
      "Скорость обмена: " + std::to_string(link.state().settings.exchangeSpeed) + " бит/с");
  outcome.data.Set("speed", static_cast<int>(link.state().settings.exchangeSpeed));
  AddIdentification(link.state(), outcome);  // a refused device is shown too
}

void Read(const CommandLine& line, DeviceLink& link, Outcome& outcome) {
  if (!link.Open(outcome) || !link.Identify(outcome) || !link.ReadWhole(outcome)) return;
  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(link.state().record, image);
  const std::string name = FileNameOfPath(*line.output);
  switch (WriteConfigFile(*line.output, image)) {
    case FileWriteResult::kWritten: break;
    case FileWriteResult::kCannotCreate:
      outcome.Fail(kExitFileError, {"Ошибка открытия файла", *line.output});
      return;
    case FileWriteResult::kWriteFailed:
      outcome.Fail(kExitFileError, {Format("Ошибка записи файла %s", name.c_str())});
      return;
  }
  outcome.lines.push_back("Параметры конфигурации сохранены в файле " + name);
  outcome.data.Set("file", *line.output).Set("configuration", ConfigurationJson(image));
}

JsonValue RequestJson(const TableRequest& request) {
  const int valueCount = request.dataLength - kBlockHeaderSize;
  const uint8_t* values = request.block.data() + kBlockHeaderSize;
  JsonValue out = JsonValue::Object();
  out.Set("text", TableOperationText(request))
      .Set("table", request.writeTable())
      .Set("firstField", request.writeFirst())
      .Set("count", request.writeCount())
      .Set("values", JsonBytes(std::vector<uint8_t>(values, values + valueCount)));
  return out;
}

// The written tables read back and compared with what was meant. A script
// cannot be asked, so a difference is listed and the backup named, for a
// restore from it.
void CheckWrittenTables(DeviceLink& link, const ConfigRecord& meant, const WrittenTables& tables,
                        const std::string& backupPath, Outcome& outcome) {
  ConfigRecord readBack = meant;
  if (!ReadBackTables(link.session(), tables, readBack)) {
    outcome.Fail(kExitLinkFailure, {"Записанные таблицы не прочитаны для проверки",
                                    "Резервная копия: " + backupPath});
    return;
  }
  const std::vector<FieldDifference> differences = DifferingFields(meant, readBack, tables);
  JsonValue list = JsonValue::Array();
  for (const FieldDifference& difference : differences) list.Push(DifferenceJson(difference));
  outcome.data.Set("verified", differences.empty()).Set("differences", std::move(list));
  if (differences.empty()) return;
  std::vector<std::string> lines = {"Устройство хранит не то, что записано:"};
  for (const FieldDifference& difference : differences)
    lines.push_back(TerminalText(DifferenceLine(difference)));
  lines.push_back("Резервная копия: " + backupPath);
  outcome.Fail(kExitLinkFailure, lines);
}

// The command that writes the backup's copies of the tables back, at the
// speed the link has followed the device to.
std::string RestoreCommand(const DeviceLink& link, const std::vector<int>& tables,
                           const std::string& backupPath) {
  std::string list;
  for (const int table : tables) {
    if (!list.empty()) list += ',';
    list += std::to_string(table);
  }
  return Format("vkt53-cli restore --port %s --speed %d --tables %s \"%s\"",
                link.choice().portName.c_str(), link.state().settings.exchangeSpeed, list.c_str(),
                backupPath.c_str());
}

// A write that failed after some tables were written: the device holds part
// of the file, and the way back is named.
void ReportPartialWrite(const DeviceLink& link, const WrittenTables& written,
                        const std::string& backupPath, Outcome& outcome) {
  const std::string command = RestoreCommand(link, written.Numbers(), backupPath);
  outcome.data.Set("restoreCommand", command);
  outcome.messages.insert(
      outcome.messages.end(),
      {"Устройство может быть записано частично.", "Записано: " + WrittenTablesText(written),
       "Резервная копия: " + backupPath, "Восстановить записанные таблицы из неё: " + command});
}

void Write(const CommandLine& line, DeviceLink& link, TerminalUi& ui, Outcome& outcome) {
  const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
  if (!image) return;
  if (!link.Open(outcome) || !link.Identify(outcome) || !link.ReadWhole(outcome)) return;

  const ConfigRecord asRead = link.state().record;
  const std::vector<TableRequest> writes = ChangedTableWrites(asRead, *image);
  JsonValue requests = JsonValue::Array();
  for (const TableRequest& request : writes) {
    const int valueCount = request.dataLength - kBlockHeaderSize;
    outcome.lines.push_back(TableOperationText(request) + ": " +
                            HexText({request.block.data() + kBlockHeaderSize, static_cast<std::size_t>(valueCount)}));
    requests.Push(RequestJson(request));
  }
  outcome.data.Set("requests", std::move(requests)).Set("dryRun", line.dryRun);
  if (writes.empty()) {
    outcome.lines = {"Запись таблиц не выполняется.", "Нет измененных данных"};
    outcome.data.Set("written", false);
    return;
  }
  if (line.dryRun) {
    outcome.data.Set("written", false);
    return;
  }
  // The configuration as read is kept before anything is sent, as the
  // program's own write keeps it; without the backup nothing is written.
  const BackupResult backup =
      SaveConfigurationBackup(ConfigFolderPath(WorkingFolder()), asRead, BackupTimeNow());
  if (backup.status != BackupResult::Status::kWritten) {
    const BackupFailureText text = BackupFailureMessage(backup);
    outcome.data.Set("written", false);
    outcome.Fail(kExitFileError, {text.line1, text.line2});
    return;
  }
  outcome.data.Set("backup", backup.path);

  ChangeWriteResult written{ChangeWriteOutcome::Failed, {}};
  WriteToDevice(link, ui, [&](LinkSession& session) {
    ui.CountRequests(static_cast<int>(writes.size()));
    written = WriteChangedTables(session, asRead, *image);
    return written.outcome != ChangeWriteOutcome::Failed;
  });
  const bool failed = written.outcome == ChangeWriteOutcome::Failed;
  JsonValue tables = JsonValue::Array();
  for (const int table : written.written.Numbers()) tables.Push(table);
  outcome.data.Set("written", written.outcome == ChangeWriteOutcome::Written)
      .Set("partial", failed && written.written.Any())
      .Set("writtenTables", std::move(tables));
  if (failed) {
    outcome.Fail(kExitLinkFailure, ui.FailureLines());
    if (written.written.Any()) ReportPartialWrite(link, written.written, backup.path, outcome);
    return;
  }
  const ConfigRecord meant = MeantRecord(asRead, *image);
  CheckWrittenTables(link, meant, ChangedTables(asRead, meant), backup.path, outcome);
}

// The tables to restore: those given, or those the device asks for, as the
// table status window ticks them.
std::optional<TableStatusBlock> RestoreSelection(const CommandLine& line, DeviceLink& link,
                                                 Outcome& outcome) {
  const ConfigTableList& tables = link.state().context->tables;
  if (line.tables) {
    TableStatusBlock block = MakeTableStatusBlock(tables, RestoreFlags{});
    for (const int table : *line.tables)
      block[kWriteSelectionOffset + static_cast<std::size_t>(table)] = 1;
    return block;
  }
  RestoreFlags flags{};
  if (!ReadRestoreFlags(link.session(), flags)) {
    outcome.Fail(kExitLinkFailure, link.ui().FailureLines());
    return std::nullopt;
  }
  TableStatusBlock block = MakeTableStatusBlock(tables, flags);
  const std::vector<TableRow> rows = TableRows(block, false);
  std::array<bool, kTableRowSlots> ticked{};
  for (std::size_t i = 0; i < rows.size() && i < ticked.size(); ++i) ticked[i] = rows[i].ticked;
  SelectTicked(block, rows, ticked);
  return block;
}

void Restore(const CommandLine& line, DeviceLink& link, TerminalUi& ui, Outcome& outcome) {
  if (link.state().settings.tableWriteLock != 0) {
    outcome.Fail(kExitUsage, {"Запись таблиц запрещена в файле настроек (INI/vkt53.ini)"});
    return;
  }
  const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
  if (!image) return;
  if (!link.Open(outcome) || !link.Identify(outcome)) return;

  const std::optional<TableStatusBlock> block = RestoreSelection(line, link, outcome);
  if (!block) return;
  JsonValue written = JsonValue::Array();
  std::string names;
  for (int table = 0; table < kTableCount; ++table) {
    if ((*block)[kWriteSelectionOffset + static_cast<std::size_t>(table)] == 0) continue;
    written.Push(table);
    names += (names.empty() ? "" : ", ") + std::to_string(table);
  }
  outcome.data.Set("tables", written);
  if (names.empty()) {
    outcome.lines = {"Запись таблиц не выполняется.", "Нет таблиц, требующих восстановления"};
    return;
  }

  ProgramState& state = link.state();
  RecordFromImage(*image, state.record);
  const bool checked = WriteToDevice(link, ui, [&](LinkSession& session) {
    if (!WriteConfiguration(session, state.record, *block, &ui)) return false;
    WaitMs(kRestoreCheckPauseMs);
    return ReadIdentification(session, state.record);
  });
  if (!checked) {
    outcome.Fail(kExitLinkFailure, ui.FailureLines());
    return;
  }
  const auto id = state.record.Identification();
  outcome.data.Set("corruptedTable", static_cast<int>(id[kCorruptedTableByte]));
  outcome.lines.push_back("Записаны таблицы: " + names);
  // The model and version are not checked again, as after the windows' restore.
  const std::string corruption = IdentificationRows(id)[kCorruptedTableRow];
  if (ReportsCorruptedTable(id)) {
    outcome.Fail(kExitLinkFailure, {corruption});
  } else {
    outcome.lines.push_back(corruption);
  }
}

// The ports the connection dialog offers, as it shows them, read afresh.
void Ports(Outcome& outcome) {
  JsonValue list = JsonValue::Array();
  for (const PortInfo& port : OfferedPorts()) {
    const std::string shown = PortShownText(port);
    outcome.lines.push_back("COM" + std::to_string(port.number) + "  " + shown);
    JsonValue entry = JsonValue::Object();
    entry.Set("port", "COM" + std::to_string(port.number))
        .Set("device", port.devicePath)
        .Set("description", port.description)
        .Set("present", port.present)
        .Set("listedInComportsFile", port.listedInComportsFile)
        .Set("shown", shown);
    list.Push(std::move(entry));
  }
  outcome.data.Set("ports", std::move(list));
}

void Show(const CommandLine& line, Outcome& outcome) {
  const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
  if (!image) return;
  outcome.lines = ConfigurationLines(*image);
  outcome.data.Set("file", line.files[0]).Set("configuration", ConfigurationJson(*image));
}

void Diff(const CommandLine& line, DeviceLink* link, Outcome& outcome) {
  std::optional<ConfigRecord> before;
  std::optional<ConfigImage> after;
  if (link) {
    after = LoadFile(line.files[0], outcome);
    if (!after || !link->Open(outcome) || !link->Identify(outcome) || !link->ReadWhole(outcome))
      return;
    before = link->state().record;
  } else {
    const std::optional<ConfigImage> first = LoadFile(line.files[0], outcome);
    if (!first) return;
    after = LoadFile(line.files[1], outcome);
    if (!after) return;
    before = RecordOfImage(*first);
  }
  const std::vector<FieldDifference> differences =
      ConfigurationDifferences(*before, RecordOfImage(*after));
  JsonValue list = JsonValue::Array();
  for (const FieldDifference& difference : differences) {
    outcome.lines.push_back(ChangeLine(difference));
    list.Push(DifferenceJson(difference));
  }
  if (differences.empty()) outcome.lines.push_back("Различий нет");
  outcome.data.Set("same", differences.empty()).Set("differences", std::move(list));
}

bool UsesDevice(const CommandLine& line) {
  switch (line.command) {
    case CliCommand::Identify:
    case CliCommand::Read:
    case CliCommand::Write:
    case CliCommand::Restore: return true;
    case CliCommand::Diff: return line.port.has_value();
    case CliCommand::Ports:
    case CliCommand::Show:
    case CliCommand::None: return false;
  }
  return false;
}

void UsageError(const std::string& text, CliCommand command, bool json, const CliStreams& streams) {
  if (json) {
    JsonValue messages = JsonValue::Array();
    messages.Push(text);
    JsonValue data = JsonValue::Object();
    data.Set("command", CommandName(command))
        .Set("exit", kExitUsage)
        .Set("messages", std::move(messages));
    streams.out << data.Text() << '\n';
    return;
  }
  const std::string about =
      command == CliCommand::None ? "" : std::string(" ") + CommandName(command);
  streams.err << "vkt53-cli: " << text << '\n' << "Справка: vkt53-cli" << about << " --help\n";
}

}  // namespace

int RunCommand(const CommandLine& line, const CliStreams& streams) {
  Outcome outcome;
  outcome.data.Set("command", CommandName(line.command)).Set("exit", kExitDone);
  TerminalUi ui(streams.err, streams.progressLine);
  std::optional<DeviceLink> link;
  if (UsesDevice(line)) {
    const LinkSettings stored = LoadSettings(SettingsFilePath(IniFolderPath(WorkingFolder())));
    LinkChoice choice;
    if (const std::string error = ChooseLink(line, stored, choice); !error.empty()) {
      UsageError(error, line.command, line.json, streams);
      return kExitUsage;
    }
    link.emplace(choice, ui);
    outcome.data.Set("link", LinkJson(*link));
  }
  switch (line.command) {
    case CliCommand::Identify: Identify(line, *link, outcome); break;
    case CliCommand::Read: Read(line, *link, outcome); break;
    case CliCommand::Write: Write(line, *link, ui, outcome); break;
    case CliCommand::Restore: Restore(line, *link, ui, outcome); break;
    case CliCommand::Ports: Ports(outcome); break;
    case CliCommand::Show: Show(line, outcome); break;
    case CliCommand::Diff: Diff(line, link ? &*link : nullptr, outcome); break;
    case CliCommand::None: break;
  }
  ui.EndProgress();
  Print(line, outcome, streams);
  return outcome.exit;
}

int RunCaught(const CommandLine& line, const CliStreams& streams,
              const std::function<int()>& command) {
  Outcome outcome;
  outcome.data.Set("command", CommandName(line.command));
  try {
    return command();
  } catch (const std::filesystem::filesystem_error& error) {
    outcome.Fail(kExitFileError, {"Ошибка обращения к файлу"});
    for (const std::filesystem::path& path : {error.path1(), error.path2()}) {
      if (!path.empty()) outcome.messages.push_back(Utf8OfPath(path));
    }
  } catch (const std::exception& error) {
    outcome.Fail(kExitLinkFailure, {"Внутренняя ошибка программы", ValidUtf8(error.what())});
  }
  // A progress line may be drawn: the message starts a line of its own.
  if (streams.progressLine) streams.err << '\n';
  Print(line, outcome, streams);
  return outcome.exit;
}

int RunCli(const std::vector<std::string>& args, const CliStreams& streams) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (parsed.line.help) {
    streams.out << HelpText(parsed.line.command) << '\n'
                << WorkingFolderLine(WorkingFolder()) << '\n';
    return kExitDone;
  }
  if (!parsed.error.empty()) {
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    UsageError(parsed.error, parsed.line.command, json, streams);
    return kExitUsage;
  }
  return RunCaught(parsed.line, streams, [&] { return RunCommand(parsed.line, streams); });
}

}  // namespace vkt53
