// "Сервис" → "Отчёт о конфигурации...": the report of the configuration
// last read from the device in this run or of a configuration file, saved
// as PDF or HTML where the user chooses and opened when the user asks. The
// windows show and ask through ReportUi; what to offer and where the file
// goes is decided here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/config_report.h"
#include "app/program_state.h"
#include "app/write_check.h"
#include "app/config_file_flows.h"

namespace vkt53 {

enum class ReportSource { kDevice, kFile, kNone };

struct ChosenReportFile {
  std::string path;
  int filter = 0;  // the save dialog's filter in use, a ReportFormat
};

class ReportUi {
 public:
  virtual ~ReportUi() = default;
  // Asked only when a configuration was read from the device in this run:
  // that one (`reading` says where and when: "COM1, 12.03.2026 10:15:02"), a
  // file, or nothing.
  virtual ReportSource ChooseSource(const std::string& reading) = 0;
  // The open dialog for configuration files, the questions and messages.
  virtual ConfigFileUi& Files() = 0;
  // The save dialog with the report's filters; nothing when cancelled.
  virtual std::optional<ChosenReportFile> ChooseReportFile(const FileDialogRequest& request) = 0;
  // The report on numbered A4 pages; empty when it could not be printed.
  virtual std::vector<uint8_t> PdfOfReport(const std::string& html) = 0;
  // The saved report in the system's viewer for its kind.
  virtual void OpenWithViewer(const std::string& path) = 0;
};

// The whole command, the report made at `now`.
void RunConfigurationReport(ProgramState& state, ReportUi& ui, const BackupTime& now);

// The name the save dialog proposes, with the PDF extension: beside a file,
// named by it and the date ("Подстанция_2026-03-12.pdf"); for a device in the
// CONFIG folder, by the model and the port ("vkt53-sx_COM1_2026-03-12.pdf").
std::string ReportFileProposal(const ConfigurationOrigin& origin, const std::string& configFolder,
                               const BackupTime& made);

struct ReportTarget {
  std::string path;
  ReportFormat format = ReportFormat::kPdf;
};

// The chosen file in the format its extension names (.pdf, .html, .htm); a
// name without an extension gets the chosen filter's, any other name is kept
// as typed and written in the filter's format.
ReportTarget ReportTargetOf(const ChosenReportFile& chosen);

// What the report may say the device holds after "Записать в устройство":
// the written configuration once it was read back equal; the configuration
// as read when nothing was written or the backup went back whole; nothing
// when what the device holds is not known.
void FollowCheckedWrite(ProgramState& state, const CheckedWriteResult& result,
                        const ConfigRecord& meant, const BackupTime& now);

// The port of the program's link, as the report names it: "COM1".
std::string LinkPortName(const ProgramState& state);

}  // namespace vkt53
