#include "app/cli/write_report.h"

#include "app/cli/config_text.h"
#include "app/field_texts.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

class ProgressLine final : public WaitWindow {
 public:
  explicit ProgressLine(ProgressBar& bar) : bar_(bar) {}
  ProgressBar& Progress() override { return bar_; }

 private:
  ProgressBar& bar_;
};

void Add(std::vector<std::string>& to, const std::string& line1, const std::string& line2) {
  to.push_back(line1);
  if (!line2.empty()) to.push_back(line2);
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
                link.choice().portName.c_str(), link.settings().exchangeSpeed, list.c_str(),
                backupPath.c_str());
}

// Every request was answered: the device holds the write, as meant or not.
bool SentWhole(CheckedWriteOutcome outcome) {
  switch (outcome) {
    case CheckedWriteOutcome::kNothingChanged:
    case CheckedWriteOutcome::kBackupFailed:
    case CheckedWriteOutcome::kWriteFailed:
    case CheckedWriteOutcome::kPartlyWritten: return false;
    default: return true;
  }
}

}  // namespace

bool TerminalWriteUi::RunTableOperation(const TableOperation& operation) {
  link_.ui().BeginProgress();
  const bool succeeded = operation(link_.session());
  link_.ui().EndProgress();
  return succeeded;
}

std::unique_ptr<WaitWindow> TerminalWriteUi::OpenWaitWindow(WaitKind) {
  return std::make_unique<ProgressLine>(link_.ui());
}

void TerminalWriteUi::ShowNotice(const std::string& line1, const std::string& line2) {
  Add(outcome_.lines, line1, line2);
}

void TerminalWriteUi::ShowExchangeResult(const std::string& line1, const std::string& line2) {
  Add(said_, line1, line2);
}

void TerminalWriteUi::ShowError(const std::string& line1, const std::string& line2) {
  Add(said_, line1, line2);
}

void TerminalWriteUi::ShowWriteNotChecked(const std::string& backupPath) {
  Add(said_, "Записанные таблицы не прочитаны для проверки", "Резервная копия: " + backupPath);
}

bool TerminalWriteUi::AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                                         const std::string& backupPath) {
  said_.push_back("Устройство хранит не то, что записано:");
  for (const FieldDifference& difference : differences) {
    said_.push_back(VisibleText(DifferenceLine(difference)));
  }
  said_.push_back("Резервная копия: " + backupPath);
  return false;
}

bool TerminalWriteUi::AskToRestoreAfterPartialWrite(const WrittenTables& written,
                                                    const std::string& backupPath) {
  const std::string command = RestoreCommand(link_, written.Numbers(), backupPath);
  outcome_.data.Set("restoreCommand", command);
  said_.insert(
      said_.end(),
      {"Устройство может быть записано частично.", "Записано: " + WrittenTablesText(written),
       "Резервная копия: " + backupPath, "Восстановить записанные таблицы из неё: " + command});
  return false;
}

void TerminalWriteUi::Report(const CheckedWriteResult& result) {
  JsonValue tables = JsonValue::Array();
  for (const int table : result.written.Numbers()) tables.Push(table);
  outcome_.data.Set("written", SentWhole(result.outcome))
      .Set("partial", result.outcome == CheckedWriteOutcome::kPartlyWritten)
      .Set("writtenTables", std::move(tables));
  if (!result.backupPath.empty()) outcome_.data.Set("backup", result.backupPath);
  if (result.outcome == CheckedWriteOutcome::kVerified ||
      result.outcome == CheckedWriteOutcome::kMismatchKept) {
    JsonValue list = JsonValue::Array();
    for (const FieldDifference& difference : result.differences) {
      list.Push(DifferenceJson(difference));
    }
    outcome_.data.Set("verified", result.differences.empty()).Set("differences", std::move(list));
  }
  switch (result.outcome) {
    case CheckedWriteOutcome::kNothingChanged:
    case CheckedWriteOutcome::kVerified: return;
    case CheckedWriteOutcome::kBackupFailed: outcome_.Fail(kExitFileError, said_); return;
    case CheckedWriteOutcome::kWriteFailed:
    case CheckedWriteOutcome::kPartlyWritten:
      outcome_.Fail(kExitLinkFailure, link_.ui().FailureLines());
      break;
    default: break;
  }
  outcome_.Fail(kExitLinkFailure, said_);
}

}  // namespace vkt53
