// The configuration file operations' dialogs and messages, shown with Qt:
// the file dialogs the owning window keeps, and the message box.
#pragma once

#include <QString>

#include "app/config_file_flows.h"

class QFileDialog;
class QWidget;

namespace vkt53 {

// A file dialog as the configuration files use it (file_dialog.h), kept by
// its owning window between uses and built the first time it is used:
// building one costs more than the rest of a window.
class ConfigFileDialog {
 public:
  ConfigFileDialog(QWidget* owner, const char* objectName) : owner_(owner), objectName_(objectName) {}
  ConfigFileDialog(const ConfigFileDialog&) = delete;
  ConfigFileDialog& operator=(const ConfigFileDialog&) = delete;

  // The dialog, a child of the owner.
  QFileDialog* Get();

 private:
  QWidget* owner_;
  const char* objectName_;
  QFileDialog* dialog_ = nullptr;
};

// Shows the dialog for saving as the request asks, with no overwrite
// question of its own; the chosen path, or nothing when cancelled.
std::optional<std::string> ShowSaveDialog(QFileDialog* dialog, const FileDialogRequest& request);

class QtConfigFileUi : public ConfigFileUi {
 public:
  QtConfigFileUi(QWidget* owner, ConfigFileDialog& openDialog, ConfigFileDialog& saveDialog);
  // For an owner that only saves.
  QtConfigFileUi(QWidget* owner, ConfigFileDialog& saveDialog);

  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
  bool AskQuestion(const std::string& line1, const std::string& line2) override;
  void ShowError(const std::string& line1, const std::string& line2) override;
  void ShowNotice(const std::string& line1, const std::string& line2) override;

 private:
  QWidget* owner_;
  ConfigFileDialog* openDialog_;
  ConfigFileDialog* saveDialog_;
};

}  // namespace vkt53
