// How the checked write (app/write_check.h) speaks to a script, which
// cannot be asked: a notice is a line of the result, an error a message;
// the offers to write the backup back are answered "Нет", and what the
// device holds and the way back are said instead. After the write its
// facts go into --json, and the exit code follows from how it ended.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/cli/command_outcome.h"
#include "app/cli/device_link.h"
#include "app/write_check.h"

namespace vkt53 {

class TerminalWriteUi final : public CheckedWriteUi {
 public:
  TerminalWriteUi(DeviceLink& link, Outcome& outcome) : link_(link), outcome_(outcome) {}

  // The operation runs on the command's link, with the progress line.
  bool RunTableOperation(const TableOperation& operation) override;
  // The progress line is the wait window's bar.
  std::unique_ptr<WaitWindow> OpenWaitWindow(WaitKind kind) override;

  void ShowNotice(const std::string& line1, const std::string& line2) override;
  void ShowExchangeResult(const std::string& line1, const std::string& line2) override;
  void ShowError(const std::string& line1, const std::string& line2) override;
  void ShowWriteNotChecked(const std::string& backupPath) override;
  bool AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                          const std::string& backupPath) override;
  bool AskToRestoreAfterPartialWrite(const WrittenTables& written,
                                     const std::string& backupPath) override;

  // After the write: its facts for --json ("written", "partial",
  // "writtenTables", "backup", "verified", "differences"), then how it
  // ended, with the exit code. A backup not saved is a file error; a failed
  // request is told as the retry question would have told it, before what
  // the write said.
  void Report(const CheckedWriteResult& result);

 private:
  DeviceLink& link_;
  Outcome& outcome_;
  std::vector<std::string> said_;
};

}  // namespace vkt53
