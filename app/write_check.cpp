#include "app/write_check.h"

#include <algorithm>

#include "app/field_texts.h"
#include "config/config_tables.h"
#include "config/modem_string.h"
#include "config/table_status.h"
#include "config/working_folders.h"
#include "support/text_format.h"
#include "support/hex_text.h"

namespace vkt53 {

namespace {

constexpr std::size_t kDifferencesNamed = 1;  // by the plain question box

std::string FieldBytesText(std::span<const uint8_t> bytes) {
  std::size_t end = bytes.size();
  while (end > 0 && bytes[end - 1] == 0) --end;  // the zeros that fill the field
  const std::string text = HexText(bytes.first(end));
  return end == bytes.size() ? text : text + (end == 0 ? "нули" : " и нули");
}

// The modem field by its text; by its bytes when the texts look alike.
void DescribeModemField(std::span<const uint8_t, kModemFieldSize> meant,
                        std::span<const uint8_t, kModemFieldSize> read, FieldDifference& d) {
  const std::string meantText = ModemFieldText(meant);
  const std::string readText = ModemFieldText(read);
  if (meantText != readText) {
    d.expected = "\"" + meantText + "\"";
    d.found = "\"" + readText + "\"";
  } else {
    d.expected = "байты " + FieldBytesText(meant);
    d.found = "байты " + FieldBytesText(read);
  }
}

bool ReadBackOperation(CheckedWriteUi& ui, const WrittenTables& tables, ConfigRecord& into) {
  return ui.RunTableOperation(
      [&tables, &into](LinkSession& session) { return ReadTables(session, tables, into); });
}

// The backup holds the configuration as read: its copies of the tables go
// back whole and are read back. What came of it is shown and left in the
// result.
void WriteBackupBack(CheckedWriteUi& ui, const ConfigRecord& asRead, const WrittenTables& tables,
                     const std::string& backupPath, CheckedWriteResult& result) {
  result.outcome = CheckedWriteOutcome::kRestoreFailed;
  const bool restored = ui.RunTableOperation([&](LinkSession& session) {
    const std::unique_ptr<WaitWindow> wait = ui.OpenWaitWindow(WaitKind::Writing);
    session.ui.ProcessPendingEvents();
    return WriteTablesOf(session, asRead, tables, &wait->Progress());
  });
  if (!restored) return;  // reported by the table service
  ConfigRecord restoredBack = asRead;
  if (!ReadBackOperation(ui, tables, restoredBack)) {
    ui.ShowExchangeResult("Записанная резервная копия не прочитана для проверки", "");
    return;
  }
  result.restoreDifferences = DifferingFields(asRead, restoredBack, tables);
  if (!result.restoreDifferences.empty()) {
    ui.ShowExchangeResult("Резервная копия записана, но устройство хранит другое:",
                          DifferenceLine(result.restoreDifferences.front()));
    return;
  }
  ui.ShowNotice("Резервная копия записана в устройство:", FileNameOfPath(backupPath));
  result.outcome = CheckedWriteOutcome::kBackupRestored;
}

}  // namespace

std::string DifferenceLine(const FieldDifference& d) {
  return Format("Табл. %d \"%s\", поле %d (%s): записано %s, прочитано %s", d.table,
                TableName(d.table).c_str(), d.field, d.fieldName.c_str(), d.expected.c_str(),
                d.found.c_str());
}

std::string WrittenTablesText(const WrittenTables& tables) {
  std::string text;
  for (const int table : tables.Numbers()) {
    if (!text.empty()) text += ", ";
    text += Format("табл. %d \"%s\"", table, TableName(table).c_str());
  }
  return text;
}

ConfigRecord MeantRecord(const ConfigRecord& asRead, const ConfigImage& edited) {
  ConfigRecord meant = asRead;
  RecordFromImage(edited, meant);
  return meant;
}

std::vector<FieldDifference> DifferingFields(const ConfigRecord& meant, const ConfigRecord& read,
                                             const WrittenTables& tables) {
  std::vector<FieldDifference> differences;
  if (tables.linkParameters) {
    for (std::size_t f = 0; f < kLinkParametersSize; ++f) {
      const uint8_t m = meant.LinkParameters()[f], r = read.LinkParameters()[f];
      if (m == r) continue;
      differences.push_back({kLinkParametersTable,
                             static_cast<int>(f),
                             LinkFieldCaption(f),
                             LinkFieldValueText(f, m),
                             LinkFieldValueText(f, r),
                             {m},
                             {r}});
    }
  }
  if (tables.modemCommand && !std::ranges::equal(meant.ModemField(), read.ModemField())) {
    FieldDifference d{kModemCommandTable,
                      0,
                      kModemStringCaption,
                      "",
                      "",
                      {meant.ModemField().begin(), meant.ModemField().end()},
                      {read.ModemField().begin(), read.ModemField().end()}};
    DescribeModemField(meant.ModemField(), read.ModemField(), d);
    differences.push_back(std::move(d));
  }
  if (tables.unitLinks) {
    for (std::size_t a = 0; a < kUnitAddressCount; ++a) {
      const uint8_t m = meant.UnitLinkBytes()[a], r = read.UnitLinkBytes()[a];
      if (m == r) continue;
      differences.push_back({kUnitLinkTable,
                             static_cast<int>(a),
                             Format("вычислитель %zu", a),
                             UnitLinkByteText(m),
                             UnitLinkByteText(r),
                             {m},
                             {r}});
    }
  }
  return differences;
}

bool WriteTablesOf(LinkSession& session, const ConfigRecord& record, const WrittenTables& tables,
                   ProgressBar* progress) {
  TableStatusBlock status{};
  status[kWriteSelectionOffset + kLinkParametersTable] = tables.linkParameters ? 1 : 0;
  status[kWriteSelectionOffset + kModemCommandTable] = tables.modemCommand ? 1 : 0;
  status[kWriteSelectionOffset + kUnitLinkTable] = tables.unitLinks ? 1 : 0;
  return WriteConfiguration(session, record, status, progress).outcome !=
         ChangeWriteOutcome::Failed;
}

CheckedWriteResult WriteWithBackup(CheckedWriteUi& ui, const ConfigRecord& asRead,
                                   const WritePlan& plan, const std::string& configFolder,
                                   const BackupTime& time) {
  CheckedWriteResult result;
  result.tables = plan.tables;
  if (!result.tables.Any()) {
    ui.ShowNotice("Запись таблиц не выполняется.", "Нет измененных данных");
    return result;
  }

  const BackupResult backup = SaveConfigurationBackup(configFolder, asRead, time);
  if (backup.status != BackupResult::Status::kWritten) {
    const BackupFailureText text = BackupFailureMessage(backup);
    ui.ShowError(text.line1, text.line2);
    result.outcome = CheckedWriteOutcome::kBackupFailed;
    return result;
  }
  result.backupPath = backup.path;

  ChangeWriteResult sent{ChangeWriteOutcome::Failed, {}};
  ui.RunTableOperation([&](LinkSession& session) {
    sent = plan.send(session);
    return sent.outcome != ChangeWriteOutcome::Failed;
  });
  result.written = sent.written;
  // A failed write has been reported by the table service itself; what it
  // left written is named once, with the backup of those tables offered.
  if (sent.outcome == ChangeWriteOutcome::Failed) {
    if (!result.written.Any()) {
      result.outcome = CheckedWriteOutcome::kWriteFailed;
    } else if (!ui.AskToRestoreAfterPartialWrite(result.written, backup.path)) {
      result.outcome = CheckedWriteOutcome::kPartlyWritten;
    } else {
      WriteBackupBack(ui, asRead, result.written, backup.path, result);
    }
    return result;
  }

  ConfigRecord readBack = plan.meant;
  if (!ReadBackOperation(ui, result.tables, readBack)) {
    ui.ShowWriteNotChecked(backup.path);
    result.outcome = CheckedWriteOutcome::kReadBackFailed;
    return result;
  }
  result.differences = DifferingFields(plan.meant, readBack, result.tables);
  if (result.differences.empty()) {
    result.outcome = CheckedWriteOutcome::kVerified;
    return result;
  }
  if (!ui.AskToRestoreBackup(result.differences, backup.path)) {
    result.outcome = CheckedWriteOutcome::kMismatchKept;
    return result;
  }
  WriteBackupBack(ui, asRead, result.tables, backup.path, result);
  return result;
}

}  // namespace vkt53
