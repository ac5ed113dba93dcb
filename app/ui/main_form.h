// The main window: the menu from which every function is reached, the
// three-panel status line, and the program-wide state it owns. What the
// start-up sequence and the commands decide is in the core
// (app/connection_sequence.h, app/configuration_commands.h); the window
// shows and asks for them through ShellUi.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/program_state.h"
#include "app/shell_ui.h"
#include "widgets/qt_config_file_ui.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace vkt53 {

class ConfigReportExport;
class ExchangeRecorder;
class QtConfigFileUi;
class TFormExchangeMonitor;

class TFormMain : public QMainWindow, public ShellUi {
  Q_OBJECT
 public:
  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  ProgramState& state() { return state_; }

  // ServiceUi: the status line, the retry question, pending events.
  void ShowLinkPanel(const std::string& text) override;
  void ShowOperationPanel(const std::string& text) override;
  void ShowExchangePanel(const std::string& text) override;
  void RepaintStatusLine() override;
  void ProcessPendingEvents() override;
  bool AskRetry(const std::string& line1, const std::string& line2) override;

  // ShellUi: the menu, the message boxes and the windows the flows open.
  bool RunTableOperation(const TableOperation& operation) override;
  std::unique_ptr<WaitWindow> OpenWaitWindow(WaitKind kind) override;
  void HideMenu() override;
  void ShowMenu(bool withParameters) override;
  void BringToFront() override;
  void ShowNotice(const std::string& line1, const std::string& line2) override;
  void ShowExchangeResult(const std::string& line1, const std::string& line2) override;
  bool ShowConnectionDialog(LinkState& link) override;
  bool ChooseTablesToWrite(TableStatusBlock& block, uint8_t tableWriteLock) override;
  void ShowIdentification(std::span<const uint8_t, kIdentificationSize> identification) override;
  bool EditDeviceConfiguration(ConfigImage& image, ConfigRecord& record, const std::string& configFolder) override;
  FileEditorOutcome EditConfigurationFile(ConfigImage& image, ConfigRecord& record, bool deviceMode) override;
  ConfigFileUi& Files() override;
  bool AskToRestoreBackup(const std::vector<FieldDifference>& differences, const std::string& backupPath) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void BuildMenu();
  void BuildStatusLine();
  void ConnectCommand(QAction* item, std::function<void()> command);
  // "Сервис", beside the menus above (main_form_service.cpp).
  void BuildServiceMenu();
  void ShowServiceMenu();
  void NMonitorClick();
  void NReportClick();

  void TimerStartTimer();
  void NidentClick();
  void N1Click();
  void N2Click();
  void NCnfClick(QAction* item);
  void NconnectClick();
  void NaboutClick();
  void NexitClick();
  void FormClose();

  ProgramState state_;
  bool closed_ = false;
  // Set while a table operation runs. The table service lets window events
  // through while it works, so that the status line and the wait window
  // repaint and the retry question can be answered; a command started from
  // there would share the record and the port with the operation, and
  // closing would let go of the port under it.
  bool operationRunning_ = false;

  QTimer* TimerStart;
  QMenu* NWorkPar;
  QAction* Nident;
  QAction* N2;
  QAction* N1;
  QAction* Nconnect;
  QMenu* NConfData;
  QAction* NNewCnf;
  QAction* NEditCnf;
  QMenu* Nvers;
  QAction* Nabout;
  QAction* Nexit;
  QLabel* linkPanel_;
  QLabel* operationPanel_;
  QLabel* exchangePanel_;
  ConfigFileDialog pod{this, "pod"};
  ConfigFileDialog SaveDialog1{this, "SaveDialog1"};
  std::unique_ptr<QtConfigFileUi> files_;

  QMenu* NService;
  QAction* NMonitor;
  std::unique_ptr<ExchangeRecorder> recorder_;  // what the exchange sends and receives
  QPointer<TFormExchangeMonitor> monitor_;      // built when first opened
  QAction* NReport;
  std::unique_ptr<ConfigReportExport> report_;  // its file dialogs, built when first used
};

}  // namespace vkt53
