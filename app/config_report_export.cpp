#include "app/config_report_export.h"

#include <filesystem>
#include <string_view>

#include "support/file_io.h"
#include "config/identification.h"
#include "support/program_folder.h"
#include "config/working_folders.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr char kSaveTitle[] = "Сохранение отчёта о конфигурации";
constexpr char kReportFilters[] = "PDF (*.pdf)|*.pdf|HTML (*.html)|*.html";
constexpr const char* kExtensions[] = {".pdf", ".html"};  // by ReportFormat

std::string DateText(const BackupTime& t) {
  return Format("%04d-%02d-%02d", t.year, t.month, t.day);
}

// A name as part of a file name: what no file system takes becomes '_'.
std::string FileNamePart(std::string name) {
  for (char& c : name) {
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) c = '_';
  }
  return name;
}

std::string FolderOfPath(const std::string& path) {
  return Utf8OfPath(PathFromUtf8(path).parent_path());
}

std::optional<ReportedConfiguration> ChooseConfiguration(const ProgramState& state, ReportUi& ui) {
  if (state.deviceReading) {
    const ConfigurationOrigin& origin = state.deviceReading->origin;
    const std::string reading =
        origin.name + (origin.time ? ", " + DateTimeText(*origin.time) : std::string());
    switch (ui.ChooseSource(reading)) {
      case ReportSource::kDevice: return state.deviceReading;
      case ReportSource::kNone: return std::nullopt;
      case ReportSource::kFile: break;
    }
  }
  // The main window's current configuration file stays as it is: a report
  // edits no file.
  std::string chosenPath;
  ConfigImage image;
  if (!LoadConfigurationFile(ui.Files(), state.configFolder, chosenPath, image)) {
    return std::nullopt;
  }
  return FileConfiguration(image, chosenPath);
}

// The save dialog until the user cancels or settles on a file; an existing
// one only with the user's leave, as every save of the program asks.
std::optional<ReportTarget> ChooseTarget(ReportUi& ui, const std::string& proposal) {
  FileDialogRequest request;
  request.title = kSaveTitle;
  request.initialFolder = FolderOfPath(proposal);
  request.filters = SplitFileFilters(kReportFilters);
  request.proposedPath = proposal;
  for (;;) {
    const std::optional<ChosenReportFile> chosen = ui.ChooseReportFile(request);
    if (!chosen || chosen->path.empty()) return std::nullopt;
    const ReportTarget target = ReportTargetOf(*chosen);
    if (!PathExists(target.path) || ConfirmReplacingFile(ui.Files(), target.path)) return target;
    request.proposedPath = target.path;
    request.selectedFilter = static_cast<int>(target.format);
  }
}

std::vector<uint8_t> DocumentBytes(ReportUi& ui, const std::string& html, ReportFormat format) {
  if (format == ReportFormat::kPdf) return ui.PdfOfReport(html);
  return {html.begin(), html.end()};
}

}  // namespace

void RunConfigurationReport(ProgramState& state, ReportUi& ui, const BackupTime& now) {
  const std::optional<ReportedConfiguration> configuration = ChooseConfiguration(state, ui);
  if (!configuration) return;
  const std::optional<ReportTarget> target =
      ChooseTarget(ui, ReportFileProposal(configuration->origin, state.configFolder, now));
  if (!target) return;
  const std::vector<uint8_t> document =
      DocumentBytes(ui, ConfigReportHtml(*configuration, now), target->format);
  const FileWriteResult written =
      document.empty() ? FileWriteResult::kWriteFailed : WriteFileReplacing(target->path, document);
  if (written != FileWriteResult::kWritten) {
    ShowWriteFailure(ui.Files(), written, target->path);
    return;
  }
  if (ui.Files().AskQuestion(
          "Отчёт о конфигурации сохранён в файле " + FileNameOfPath(target->path),
          "Открыть его?")) {
    ui.OpenWithViewer(target->path);
  }
}

std::string ReportFileProposal(const ConfigurationOrigin& origin, const std::string& configFolder,
                               const BackupTime& made) {
  const std::string extension = kExtensions[static_cast<int>(ReportFormat::kPdf)];
  if (origin.fromDevice) {
    return configFolder + PathSeparator() + kServedModelName + "_" + FileNamePart(origin.name) +
           "_" + DateText(made) + extension;
  }
  const std::filesystem::path file = PathFromUtf8(origin.name);
  return Utf8OfPath(file.parent_path() / file.stem()) + "_" + DateText(made) + extension;
}

ReportTarget ReportTargetOf(const ChosenReportFile& chosen) {
  if (const std::optional<ReportFormat> named = ReportFormatOfName(chosen.path)) {
    return {chosen.path, *named};
  }
  const ReportFormat format = chosen.filter == static_cast<int>(ReportFormat::kHtml)
                                  ? ReportFormat::kHtml
                                  : ReportFormat::kPdf;
  if (HasExtension(chosen.path)) return {chosen.path, format};
  return {chosen.path + kExtensions[static_cast<int>(format)], format};
}

void FollowCheckedWrite(ProgramState& state, const CheckedWriteResult& result,
                        const ConfigRecord& meant, const BackupTime& now) {
  switch (result.outcome) {
    case CheckedWriteOutcome::kVerified:
      state.deviceReading = DeviceConfiguration(meant, LinkPortName(state), now);
      return;
    case CheckedWriteOutcome::kNothingChanged:
    case CheckedWriteOutcome::kBackupFailed:
    case CheckedWriteOutcome::kWriteFailed:
    case CheckedWriteOutcome::kBackupRestored: return;
    case CheckedWriteOutcome::kPartlyWritten:
    case CheckedWriteOutcome::kReadBackFailed:
    case CheckedWriteOutcome::kMismatchKept:
    case CheckedWriteOutcome::kRestoreFailed: state.deviceReading.reset(); return;
  }
}

std::string LinkPortName(const ProgramState& state) {
  return Format("COM%d", state.link.settings.portNumber);
}

}  // namespace vkt53
