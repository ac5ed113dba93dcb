// The windows the main window opens for the start-up sequence and the
// commands, and what they answer. Each is created for one showing and
// destroyed once its result has been read.
#include <QApplication>
#include <QString>

#include "widgets/qt_config_file_ui.h"
#include "widgets/question.h"
#include "app/ui/main_form.h"
#include "app/ui/wait.h"
#include "app/ui/write_check_window.h"
#include "config/ui/config_editor.h"
#include "config/working_folders.h"
#include "dialogs/ui/connpar.h"
#include "dialogs/ui/ident.h"
#include "dialogs/ui/tableinfo.h"
#include "widgets/widgets.h"

namespace vkt53 {

namespace {

class ShownWaitWindow : public WaitWindow {
 public:
  ShownWaitWindow(WaitKind kind, QWidget* owner) : window_(kind, owner) { window_.ShowPainted(); }
  ProgressBar& Progress() override { return window_.progress(); }

 private:
  TFormWait window_;
};

}  // namespace

std::unique_ptr<WaitWindow> TFormMain::OpenWaitWindow(WaitKind kind) {
  return std::make_unique<ShownWaitWindow>(kind, this);
}

void TFormMain::BringToFront() {
  raise();
  activateWindow();
}

void TFormMain::ShowNotice(const std::string& line1, const std::string& line2) {
  ShowMessage(MessageKind::Notice, Q(line1), Q(line2), this);
}

void TFormMain::ShowExchangeResult(const std::string& line1, const std::string& line2) {
  ShowMessage(MessageKind::ExchangeResult, Q(line1), Q(line2), this);
}

bool TFormMain::ShowConnectionDialog(LinkState& link) {
  TFormConnPar dialog(link, this);
  dialog.exec();
  ShowServiceMenu();
  return dialog.connectRequested();
}

bool TFormMain::ChooseTablesToWrite(TableStatusBlock& block, uint8_t tableWriteLock) {
  TFormTableInfo window(block, tableWriteLock, this);
  window.exec();
  return window.Choice() != kWriteNothing;
}

void TFormMain::ShowIdentification(std::span<const uint8_t, kIdentificationSize> identification) {
  TFormIdent window(identification, this);
  window.exec();
}

bool TFormMain::EditDeviceConfiguration(ConfigImage& image, ConfigRecord& record, const std::string& configFolder) {
  TFormRealConfig editor(image, record, configFolder, this);
  editor.exec();
  return editor.writeRequested();
}

FileEditorOutcome TFormMain::EditConfigurationFile(ConfigImage& image, ConfigRecord& record, bool deviceMode) {
  TFormConfig editor(image, record, this);
  editor.setDeviceMode(deviceMode);
  editor.exec();
  return {editor.accepted(), editor.changed()};
}

ConfigFileUi& TFormMain::Files() { return *files_; }

bool TFormMain::AskToRestoreBackup(const std::vector<FieldDifference>& differences, const std::string& backupPath) {
  TFormWriteCheck window(differences, FileNameOfPath(backupPath), this);
  window.exec();
  return window.answeredYes();
}

}  // namespace vkt53
