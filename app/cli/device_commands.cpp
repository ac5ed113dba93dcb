#include "app/cli/device_commands.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/cli/config_text.h"
#include "app/cli/file_commands.h"
#include "app/field_texts.h"
#include "app/cli/write_report.h"
#include "app/connection_sequence.h"
#include "app/write_check.h"
#include "config/config_file.h"
#include "config/configuration_backup.h"
#include "config/identification.h"
#include "config/working_folders.h"
#include "dialogs/ident_text.h"
#include "dialogs/table_rows.h"
#include "link/conffun.h"
#include "support/file_io.h"
#include "support/hex_text.h"
#include "support/program_folder.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

std::string Caption(std::size_t row) {
  std::string caption = IdentificationRowCaption(row);
  std::replace(caption.begin(), caption.end(), '\n', ' ');
  return caption;
}

void AddIdentification(std::span<const uint8_t, kIdentificationSize> id, Outcome& outcome) {
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

// The values a write request carries.
std::span<const uint8_t> WrittenValues(const TableRequest& request) {
  return {request.block.data() + kBlockHeaderSize,
          static_cast<std::size_t>(request.dataLength - kBlockHeaderSize)};
}

JsonValue RequestJson(const TableRequest& request) {
  JsonValue out = JsonValue::Object();
  out.Set("text", TableOperationText(request))
      .Set("table", request.writeTable())
      .Set("firstField", request.writeFirst())
      .Set("count", request.writeCount())
      .Set("values", JsonBytes(WrittenValues(request)));
  return out;
}

// The tables to restore: those given, or those the device asks for, as the
// table status window ticks them.
std::optional<TableStatusBlock> RestoreSelection(const CommandLine& line, DeviceLink& link,
                                                 Outcome& outcome) {
  const ConfigTableList& tables = link.context().tables;
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

// The tables written and, from the identification read again, whether the
// device still reports a corrupted table: that fails the command. The model
// and version are not checked again, as after the windows' restore.
void ReportRestored(std::span<const uint8_t, kIdentificationSize> id, const WrittenTables& tables,
                    Outcome& outcome) {
  std::string names;
  for (const int table : tables.Numbers()) {
    names += (names.empty() ? "" : ", ") + std::to_string(table);
  }
  outcome.data.Set("corruptedTable", static_cast<int>(id[kCorruptedTableByte]));
  outcome.lines.push_back("Записаны таблицы: " + names);
  const std::string corruption = IdentificationRows(id)[kCorruptedTableRow];
  if (ReportsCorruptedTable(id)) {
    outcome.Fail(kExitLinkFailure, {corruption});
  } else {
    outcome.lines.push_back(corruption);
  }
}

}  // namespace

void Identify(const CommandLine& line, DeviceLink& link, Outcome& outcome) {
  if (!link.Open(outcome)) return;
  if (line.search && !link.SearchSpeed(outcome)) return;
  const bool served = link.Identify(outcome);
  if (!served && outcome.exit != kExitRefused) return;
  const LinkChoice& choice = link.choice();
  const std::string device = choice.device == choice.portName ? "" : " (" + choice.device + ")";
  outcome.lines.push_back("Порт: " + choice.portName + device);
  outcome.lines.push_back("Скорость обмена: " + std::to_string(link.settings().exchangeSpeed) +
                          " бит/с");
  outcome.data.Set("speed", static_cast<int>(link.settings().exchangeSpeed));
  AddIdentification(link.record().Identification(), outcome);  // a refused device is shown too
}

void Read(const CommandLine& line, DeviceLink& link, Outcome& outcome) {
  if (!link.Open(outcome) || !link.Identify(outcome) || !link.ReadWhole(outcome)) return;
  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(link.record(), image);
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

void Write(const CommandLine& line, DeviceLink& link, TerminalUi& ui, Outcome& outcome) {
  const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
  if (!image) return;
  if (!link.Open(outcome) || !link.Identify(outcome) || !link.ReadWhole(outcome)) return;

  const ConfigRecord asRead = link.record();
  const ConfigRecord meant = MeantRecord(asRead, *image);
  const TableWrites writes = ChangedTableWrites(asRead, meant);
  JsonValue requests = JsonValue::Array();
  for (const TableRequest& request : writes.requests) {
    outcome.lines.push_back(TableOperationText(request) + ": " + HexText(WrittenValues(request)));
    requests.Push(RequestJson(request));
  }
  outcome.data.Set("requests", std::move(requests)).Set("dryRun", line.dryRun);
  if (writes.requests.empty()) {
    outcome.lines = {"Запись таблиц не выполняется.", "Нет измененных данных"};
    outcome.data.Set("written", false);
    return;
  }
  if (line.dryRun) {
    outcome.data.Set("written", false);
    return;
  }
  TerminalWriteUi writeUi(link, outcome);
  const WritePlan plan{meant, writes.tables, [&ui, &writes](LinkSession& session) {
                         ui.CountRequests(static_cast<int>(writes.requests.size()));
                         return WriteChangedTables(session, writes);
                       }};
  writeUi.Report(
      WriteWithBackup(writeUi, asRead, plan, ConfigFolderPath(WorkingFolder()), BackupTimeNow()));
}

void Restore(const CommandLine& line, DeviceLink& link, TerminalUi& ui, Outcome& outcome) {
  if (link.settings().tableWriteLock != 0) {
    outcome.Fail(kExitUsage, {"Запись таблиц запрещена в файле настроек (INI/vkt53.ini)"});
    return;
  }
  const std::optional<ConfigImage> image = LoadFile(line.files[0], outcome);
  if (!image) return;
  if (!link.Open(outcome) || !link.Identify(outcome)) return;

  const std::optional<TableStatusBlock> block = RestoreSelection(line, link, outcome);
  if (!block) return;
  const WrittenTables tables = SelectedTables(*block);
  JsonValue numbers = JsonValue::Array();
  for (const int table : tables.Numbers()) numbers.Push(table);
  outcome.data.Set("tables", std::move(numbers));
  if (!tables.Any()) {
    outcome.lines = {"Запись таблиц не выполняется.", "Нет таблиц, требующих восстановления"};
    return;
  }

  // The configuration as read is the backup, and what the device should
  // hold afterwards but for the tables from the file.
  if (!link.ReadWhole(outcome)) return;
  const ConfigRecord asRead = link.record();
  const ConfigRecord meant = MeantRecord(asRead, *image);
  TerminalWriteUi writeUi(link, outcome);
  bool identified = false;
  // As the windows restore: the tables, the pause, the identification again.
  const WritePlan plan{meant, tables, [&](LinkSession& session) {
                         const std::unique_ptr<WaitWindow> wait =
                             writeUi.OpenWaitWindow(WaitKind::Writing);
                         const ChangeWriteResult written =
                             WriteRestoredTables(session, meant, *block, wait->Progress());
                         identified = written.outcome != ChangeWriteOutcome::Failed &&
                                      ReadIdentification(session, link.record());
                         return written;
                       }};
  const CheckedWriteResult result =
      WriteWithBackup(writeUi, asRead, plan, ConfigFolderPath(WorkingFolder()), BackupTimeNow());
  writeUi.Report(result);
  if (result.outcome != CheckedWriteOutcome::kVerified) return;
  if (!identified) {
    outcome.Fail(kExitLinkFailure, ui.FailureLines());
    return;
  }
  ReportRestored(link.record().Identification(), tables, outcome);
}

}  // namespace vkt53
