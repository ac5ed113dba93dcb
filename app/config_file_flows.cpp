#include "app/config_file_flows.h"

#include "config/config_file.h"
#include "support/file_io.h"
#include "config/working_folders.h"

namespace vkt53 {

const char kMainWindowFileFilters[] =
    "Data Files (*.cnf)|*.cnf|DataFiles(*.ala)|*.ala|DataFiles(*.aud)|*.aud|DataFiles(*.osc)|*.osc|"
    "DataFiles(*.avr)|*.avr|DataFiles(*.*)|*.*";
const char kOnlineEditorFileFilters[] = "Data Files (*.cnf)|*.cnf|DataFiles(*.*)|*.*";

namespace {

constexpr char kOpenTitle[] = "Выбор файла с параметрами конфигурации";
constexpr char kSaveTitle[] = "Выбор файла для записи параметров конфигурации";
constexpr char kSaveQuestion[] = "Сохранить параметры конфигурирования в файле?";
constexpr char kFileExists[] = "Файл %s уже есть.";
constexpr char kReplaceQuestion[] = "Вы хотите заменить существующий файл?";
constexpr char kOpenFailed[] = "Ошибка открытия файла";
constexpr char kWriteFailed[] = "Ошибка записи в файл %s";
constexpr char kNotConfigFile[] = "Файл %s не является файлом конфигурации";
constexpr char kSavedLine1[] = "Параметры конфигурации";
constexpr char kSavedLine2[] = "сохранены в файле %s";

// A message line with the file's name (never its folder) in place of "%s".
std::string WithFileName(const std::string& pattern, const std::string& path) {
  std::string line = pattern;
  line.replace(line.find("%s"), 2, FileNameOfPath(path));
  return line;
}

FileDialogRequest SaveDialogRequest(const std::string& configFolder, const char* filters) {
  FileDialogRequest request;
  request.title = kSaveTitle;
  request.initialFolder = configFolder;
  request.filters = SplitFileFilters(filters);
  return request;
}

// A dialog that hands back an empty name has chosen nothing.
std::optional<std::string> AskForSaveFile(ConfigFileUi& ui, FileDialogRequest& request,
                                          const std::string& proposedPath) {
  request.proposedPath = proposedPath;
  auto chosen = ui.ChooseSaveFile(request);
  if (chosen && chosen->empty()) return std::nullopt;
  return chosen;
}

// ".cnf" is appended only to a name that does not exist as typed. If the
// extended name exists, it is asked about like any chosen file: replacing it
// unasked would lose a file the user never named.
bool ExtendedNameConfirmed(ConfigFileUi& ui, const std::string& extendedPath) {
  return !PathExists(extendedPath) || ConfirmReplacingFile(ui, extendedPath);
}

void WriteAndReport(ConfigFileUi& ui, const std::string& path, const ConfigImage& image) {
  const FileWriteResult result = WriteConfigFile(path, image);
  if (result == FileWriteResult::kWritten) {
    ui.ShowNotice(kSavedLine1, WithFileName(kSavedLine2, path));
  } else {
    ShowWriteFailure(ui, result, path);
  }
}

// Decides on the file the user chose, for both writers: `target` becomes the
// name to write, or to propose again when the user does not want it replaced
// (".cnf" appended to a name without extension, asked about when it exists).
bool AcceptTarget(ConfigFileUi& ui, const std::string& chosen, std::string& target) {
  target = chosen;
  if (PathExists(chosen)) return ConfirmReplacingFile(ui, chosen);
  target = WithConfigFileExtension(chosen);
  return target == chosen || ExtendedNameConfirmed(ui, target);
}

// The dialog loop of both writers: shows the save dialog, proposing `target`,
// until the user cancels (false) or settles on the file to write (true, and
// `target` names it). Only `unasked`, the file this save started from, taken
// at the first showing, is replaced without the question. Once the user has
// refused to replace a file (it is then proposed again), every existing file
// is asked about.
bool ChooseFileToWrite(ConfigFileUi& ui, FileDialogRequest& request, std::string& target,
                       std::string unasked) {
  for (;;) {
    const auto chosen = AskForSaveFile(ui, request, target);
    if (!chosen) return false;
    if (*chosen == unasked) {
      target = *chosen;
      return true;
    }
    if (AcceptTarget(ui, *chosen, target)) return true;
    unasked.clear();
  }
}

}  // namespace

bool ConfirmReplacingFile(ConfigFileUi& ui, const std::string& path) {
  return ui.AskQuestion(WithFileName(kFileExists, path), kReplaceQuestion);
}

void ShowWriteFailure(ConfigFileUi& ui, FileWriteResult result, const std::string& path) {
  if (result == FileWriteResult::kCannotCreate) ui.ShowError(kOpenFailed, "");
  if (result == FileWriteResult::kWriteFailed) ui.ShowError(WithFileName(kWriteFailed, path), "");
}

std::vector<FileFilter> SplitFileFilters(const std::string& filterList) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t bar; (bar = filterList.find('|', start)) != std::string::npos; start = bar + 1) {
    parts.push_back(filterList.substr(start, bar - start));
  }
  parts.push_back(filterList.substr(start));
  std::vector<FileFilter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) filters.push_back({parts[i], parts[i + 1]});
  return filters;
}

bool LoadConfigurationFile(ConfigFileUi& ui, const std::string& configFolder,
                           std::string& currentFilePath, ConfigImage& image) {
  FileDialogRequest request;
  request.title = kOpenTitle;
  request.initialFolder = configFolder;
  request.filters = SplitFileFilters(kMainWindowFileFilters);
  request.fileMustExist = true;
  const auto chosen = ui.ChooseOpenFile(request);
  if (!chosen || chosen->empty()) return false;

  currentFilePath = *chosen;
  switch (ReadConfigFile(*chosen, image)) {
    case ConfigFileReadResult::kRead:
      return true;
    case ConfigFileReadResult::kCannotOpen:
      ui.ShowError(kOpenFailed, "");
      return false;
    case ConfigFileReadResult::kNotConfigFile:
      ui.ShowError(WithFileName(kNotConfigFile, *chosen), "");
      return false;
  }
  return false;
}

void SaveConfigurationFile(ConfigFileUi& ui, const std::string& configFolder,
                           std::string& currentFilePath, const ConfigImage& image) {
  if (!ui.AskQuestion(kSaveQuestion, "")) return;
  FileDialogRequest request = SaveDialogRequest(configFolder, kMainWindowFileFilters);
  // The file the user opened or saved before, taken again, is replaced
  // without asking: that is the file being edited.
  const std::string editedFile = currentFilePath;
  if (!ChooseFileToWrite(ui, request, currentFilePath, editedFile)) return;
  WriteAndReport(ui, currentFilePath, image);
}

void SaveImageToFile(ConfigFileUi& ui, const std::string& configFolder, const ConfigImage& image) {
  FileDialogRequest request = SaveDialogRequest(configFolder, kOnlineEditorFileFilters);
  std::string target = NewConfigFileProposal(configFolder);
  // The online editor edits no file of its own: every existing file is asked about.
  if (!ChooseFileToWrite(ui, request, target, "")) return;
  WriteAndReport(ui, target, image);
}

}  // namespace vkt53
