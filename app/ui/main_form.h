// The main window: the menu from which every function is reached, the
// three-panel status line, and the program-wide state it owns.
#pragma once

#include <QMainWindow>

#include <functional>

#include "app/program_state.h"
#include "app/ui/common/qt_config_file_ui.h"
#include "config/config_image.h"
#include "config/table_status.h"
#include "link/conffun.h"
#include "link/service_ui.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

class TFormMain : public QMainWindow, public ServiceUi {
  Q_OBJECT
 public:
  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  ProgramState& state() { return state_; }
  LinkSession Session() { return {*state_.context, state_.settings, *this}; }

  // ServiceUi: the status line, the retry question, pending events.
  void ShowLinkPanel(const std::string& text) override;
  void ShowOperationPanel(const std::string& text) override;
  void ShowExchangePanel(const std::string& text) override;
  void RepaintStatusLine() override;
  void ProcessPendingEvents() override;
  bool AskRetry(const std::string& line1, const std::string& line2) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void BuildMenu();
  void BuildStatusLine();
  void HideMenu();
  void RefreshMenu();
  void ShowLinkOfSettings();
  void ConnectCommand(QAction* item, std::function<void()> command);

  // Runs one table operation with the link: the busy cursor shows, and no
  // command starts and the window does not close until it has ended. The
  // table service lets window events through while it works, so that the
  // status line and the wait window repaint and the retry question can be
  // answered; a command started from there would share the record and the
  // port with the operation, and closing would let go of the port under it.
  bool RunTableOperation(const std::function<bool(LinkSession&)>& operation);

  // The connection start-up sequence and the table restore it shares with
  // the table status command.
  void TimerStartTimer();
  bool ReadIdentificationOfDevice();
  void CheckCorruptedTables();
  bool ReadRestoreFlags();
  void ShowTableStatus();
  void RunTableRestore(const TableStatusBlock& status);

  void NidentClick();
  void N1Click();
  // The configuration commands: the online editor, the configuration files
  // and the preview of a file before a table restore writes it.
  void N2Click();
  void NCnfClick(QAction* item);
  bool PreviewRestoreImage(ConfigImage& image);
  void NconnectClick();
  void NaboutClick();
  void NexitClick();
  void FormClose();

  ProgramState state_;
  bool closed_ = false;
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
};
