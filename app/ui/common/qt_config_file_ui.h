// The configuration file operations' dialogs and messages, shown with Qt:
// the file dialogs the owning window keeps, and the message box.
#pragma once

#include <QString>

#include "config/config_file_dialogs.h"

class QFileDialog;
class QWidget;

class QtConfigFileUi : public ConfigFileUi {
 public:
  // openDialog may be null for an owner that only saves.
  QtConfigFileUi(QWidget* owner, QFileDialog* openDialog, QFileDialog* saveDialog);

  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
  bool AskQuestion(const std::string& line1, const std::string& line2) override;
  void ShowError(const std::string& line1, const std::string& line2) override;
  void ShowNotice(const std::string& line1, const std::string& line2) override;

 private:
  std::optional<std::string> Choose(QFileDialog* dialog, const FileDialogRequest& request);

  QWidget* owner_;
  QFileDialog* openDialog_;
  QFileDialog* saveDialog_;
};

// A file dialog as the configuration files use it: non-native, so that it
// looks and behaves the same on every platform and tests can drive it.
QFileDialog* MakeConfigFileDialog(QWidget* owner, const char* objectName);
