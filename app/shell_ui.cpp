// The message and question boxes a ShellUi shows for the checked write
// unless it shows its own.
#include "app/shell_ui.h"

#include "config/working_folders.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr std::size_t kDifferencesNamed = 1;  // by the plain question box

std::string RestoreQuestion(const std::string& backupPath) {
  return "Записать в устройство резервную копию " + FileNameOfPath(backupPath) + "?";
}

}  // namespace

void ShellUi::ShowError(const std::string& line1, const std::string& line2) {
  Files().ShowError(line1, line2);
}

void ShellUi::ShowWriteNotChecked(const std::string& backupPath) {
  ShowExchangeResult("Записанные таблицы не прочитаны для проверки",
                     "Резервная копия: " + FileNameOfPath(backupPath));
}

bool ShellUi::AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                                 const std::string& backupPath) {
  std::string line1 = differences.empty() ? std::string() : DifferenceLine(differences.front());
  if (differences.size() > kDifferencesNamed) {
    line1 += Format(" и ещё полей: %zu", differences.size() - kDifferencesNamed);
  }
  return Files().AskQuestion(line1, RestoreQuestion(backupPath));
}

bool ShellUi::AskToRestoreAfterPartialWrite(const WrittenTables& written,
                                            const std::string& backupPath) {
  return Files().AskQuestion("Запись не завершена. Записано: " + WrittenTablesText(written),
                             RestoreQuestion(backupPath));
}

}  // namespace vkt53
