// Writing to the device with a way back: the configuration as read is saved
// as a backup file first (a backup that cannot be saved stops the write
// before anything is sent), then the write is sent, the written tables are
// read back and compared with what was meant, and when they differ the
// fields are shown and the backup may be written back. The online editor's
// write and vkt53-cli's write and restore all run WriteWithBackup; the
// windows (ShellUi) and the terminal tool only show and ask, through
// CheckedWriteUi.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/field_difference.h"
#include "config/config_image.h"
#include "config/config_record.h"
#include "config/configuration_backup.h"
#include "link/conffun.h"

namespace vkt53 {

enum class WaitKind { Writing, Reading };

// The wait window, shown without being modal while the object lives. It is
// on the screen, painted, when OpenWaitWindow returns: the exchanges that
// follow hold the thread.
class WaitWindow {
 public:
  virtual ~WaitWindow() = default;
  // The bar the table read/write service advances.
  virtual ProgressBar& Progress() = 0;
};

// The requests of one table operation; true when they succeeded.
using TableOperation = std::function<bool(LinkSession&)>;

// What a checked write shows and asks. A failed request's retry question is
// the table service's, asked through the ServiceUi of the operation's
// session.
class CheckedWriteUi {
 public:
  virtual ~CheckedWriteUi() = default;

  // Runs the operation on the program's link (the windows show the busy
  // cursor). No command starts and the program does not end until it has
  // ended.
  virtual bool RunTableOperation(const TableOperation& operation) = 0;
  virtual std::unique_ptr<WaitWindow> OpenWaitWindow(WaitKind kind) = 0;

  // Message boxes of the notice, the exchange-result and the error kinds.
  virtual void ShowNotice(const std::string& line1, const std::string& line2) = 0;
  virtual void ShowExchangeResult(const std::string& line1, const std::string& line2) = 0;
  virtual void ShowError(const std::string& line1, const std::string& line2) = 0;
  // The written tables could not be read back for the check; the backup is
  // named.
  virtual void ShowWriteNotChecked(const std::string& backupPath) = 0;
  // After a write, the fields the device holds otherwise than written (at
  // least one), and the question whether to write the backup, saved before
  // the write, back; true for "Да".
  virtual bool AskToRestoreBackup(const std::vector<FieldDifference>& differences,
                                  const std::string& backupPath) = 0;
  // After a write that failed part-way (the retry question answered "Нет"),
  // the tables written (at least one) and the question whether to write the
  // backup's copies of them back; true for "Да".
  virtual bool AskToRestoreAfterPartialWrite(const WrittenTables& written,
                                             const std::string& backupPath) = 0;
};

// The record the device should hold after the edited image is written: the
// configuration as read with tables 3, 5 and 6 from the image.
ConfigRecord MeantRecord(const ConfigRecord& asRead, const ConfigImage& edited);

// The fields of the tables in which the two records differ, in table and
// field order, named and valued for the user.
std::vector<FieldDifference> DifferingFields(const ConfigRecord& meant, const ConfigRecord& read,
                                             const WrittenTables& tables);

// The tables by number and name, for the user: 3 "Параметры связи", 6 "...".
std::string WrittenTablesText(const WrittenTables& tables);

// Writes the tables of the record whole (WriteConfiguration), following a
// written master speed.
bool WriteTablesOf(LinkSession& session, const ConfigRecord& record, const WrittenTables& tables,
                   ProgressBar* progress);

// A write to check: what the device should hold afterwards, the tables the
// write touches (read back and compared after it), and how its requests are
// sent, inside one table operation.
struct WritePlan {
  ConfigRecord meant;
  WrittenTables tables;
  std::function<ChangeWriteResult(LinkSession&)> send;
};

enum class CheckedWriteOutcome {
  kNothingChanged,  // "Нет измененных данных" shown; no backup, nothing sent
  kBackupFailed,    // the backup was not saved (message shown); nothing sent
  kWriteFailed,     // a write ended without success before any table was written
  kPartlyWritten,   // a write failed after others were written; the user kept them
  kReadBackFailed,  // written, but not read back (message shown)
  kVerified,        // read back as meant
  kMismatchKept,    // differences shown; the user kept what the device holds
  kBackupRestored,  // the backup written back (after a difference or a partial
                    // write) and read back equal
  kRestoreFailed,   // the backup's write, or its read back, failed or differed (shown)
};

struct CheckedWriteResult {
  CheckedWriteOutcome outcome = CheckedWriteOutcome::kNothingChanged;
  std::string backupPath;                           // empty when no backup was saved
  WrittenTables tables;                             // what the write touches
  WrittenTables written;                            // what the write did touch
  std::vector<FieldDifference> differences;         // after the write
  std::vector<FieldDifference> restoreDifferences;  // after writing the backup back
};

// Backup, the write, the read back and the comparison, and the backup
// offered on a difference. A write that fails after some tables were
// written names them and offers the backup of those tables. asRead is the
// whole configuration as ReadConfiguration left it, with the identification
// the start-up sequence read (the backup is named by it). Every table
// operation runs through ui.RunTableOperation.
CheckedWriteResult WriteWithBackup(CheckedWriteUi& ui, const ConfigRecord& asRead,
                                   const WritePlan& plan, const std::string& configFolder,
                                   const BackupTime& time);

}  // namespace vkt53
