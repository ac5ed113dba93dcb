// Loading and saving configuration files with the user: the open and save
// dialogs, the questions and the messages around them. The windows supply the
// dialogs and message boxes through ConfigFileUi; every decision is made here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "support/file_io.h"

namespace vkt53 {

// One entry of a dialog's filter list.
struct FileFilter {
  std::string description;  // "Data Files (*.cnf)"
  std::string pattern;      // "*.cnf"

  bool operator==(const FileFilter&) const = default;
};

// The main window's dialogs offer six filters, the online editor's two.
extern const char kMainWindowFileFilters[];
extern const char kOnlineEditorFileFilters[];

// "description|pattern|description|pattern..." as a list of entries.
std::vector<FileFilter> SplitFileFilters(const std::string& filterList);

struct FileDialogRequest {
  std::string title;
  std::string initialFolder;
  std::string proposedPath;  // the name the dialog offers; may be empty
  std::vector<FileFilter> filters;
  int selectedFilter = 0;  // every dialog starts on the ".cnf" filter
  // Open dialog: only an existing file may be chosen, no read-only check box,
  // the process's current folder stays as it is. The save dialogs ask no
  // overwrite question of their own: the question here is the only one.
  bool fileMustExist = false;
};

class ConfigFileUi {
 public:
  virtual ~ConfigFileUi() = default;

  // The chosen full path; nothing when the user cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;

  // Message box of the question kind; true only for "Да".
  virtual bool AskQuestion(const std::string& line1, const std::string& line2) = 0;
  // Message box of the error kind.
  virtual void ShowError(const std::string& line1, const std::string& line2) = 0;
  // Message box of the notice kind.
  virtual void ShowNotice(const std::string& line1, const std::string& line2) = 0;
};

// The question before an existing file is replaced ("Файл %s уже есть.");
// true for "Да".
bool ConfirmReplacingFile(ConfigFileUi& ui, const std::string& path);

// The error message of a file that was not written (kCannotCreate or
// kWriteFailed).
void ShowWriteFailure(ConfigFileUi& ui, FileWriteResult result, const std::string& path);

// Lets the user pick a configuration file and reads it into the image. False
// on cancel (no message) or when the file cannot be used (a message shown);
// the image is then unchanged. currentFilePath, the main window's current
// configuration file path, becomes the chosen path even when reading fails.
bool LoadConfigurationFile(ConfigFileUi& ui, const std::string& configFolder,
                           std::string& currentFilePath, ConfigImage& image);

// Asks whether to save, lets the user choose the file, proposing
// currentFilePath, and writes the image. currentFilePath follows the choice.
void SaveConfigurationFile(ConfigFileUi& ui, const std::string& configFolder,
                           std::string& currentFilePath, const ConfigImage& image);

// The online editor's saving: proposes "new.cnf" in the CONFIG folder and
// asks before replacing any existing file.
void SaveImageToFile(ConfigFileUi& ui, const std::string& configFolder, const ConfigImage& image);

}  // namespace vkt53
