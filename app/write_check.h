// Writing the online editor's changes with a way back: the configuration as
// read is saved as a backup file first (a backup that cannot be saved stops
// the write before anything is sent), then what changed is written, the
// written tables are read back and compared with what was meant, and when
// they differ the user sees the fields and may write the backup back. The
// windows (or a command line) only show and ask, through ShellUi.
#pragma once

#include <string>
#include <vector>

#include "app/field_difference.h"
#include "app/shell_ui.h"
#include "config/config_image.h"
#include "config/config_record.h"
#include "config/configuration_backup.h"
#include "link/conffun.h"

namespace vkt53 {

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

// "Записать в устройство" of the online editor: backup, write what the
// edited image changes against the configuration as read, read back,
// compare, and offer the backup on a difference. A write that fails after
// some tables were written names them and offers the backup of those
// tables. asRead is the whole
// configuration as ReadConfiguration left it, with the identification the
// start-up sequence read (the backup is named by it). Every table operation
// runs through ui.RunTableOperation; messages through ui and ui.Files().
CheckedWriteResult WriteChangesWithBackup(ShellUi& ui, const ConfigRecord& asRead,
                                          const ConfigImage& edited,
                                          const std::string& configFolder, const BackupTime& time);

}  // namespace vkt53
