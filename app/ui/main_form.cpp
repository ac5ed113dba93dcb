#include "app/ui/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "app/configuration_commands.h"
#include "app/connection_sequence.h"
#include "app/settings_file.h"
#include "app/ui/about.h"
#include "widgets/busy_cursor.h"
#include "widgets/question.h"
#include "widgets/widgets.h"
#include "app/ui/exchange_monitor.h"
#include "config/working_folders.h"
#include "support/program_folder.h"
#include "link/exchange_recorder.h"

namespace vkt53 {

namespace {

// The program's configuration is its settings file alone. Qt's file dialogs
// keep their history in the toolkit's settings file in the user's
// configuration, shared by every Qt program, and write it whenever a dialog is
// destroyed; pointed at a folder that cannot exist, they read and write
// nothing. (On Windows that file is a registry key, which this does not reach.)
void KeepToolkitSettingsOut() {
#ifndef Q_OS_WIN
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
#endif
}

// The tags of the two items of "Файлы  конфигурации".
constexpr int kNewConfigurationTag = 0;
constexpr int kEditConfigurationTag = 1;

QAction* MakeAction(QObject* owner, const char* name, const char* caption) {
  auto* action = new QAction(QString::fromUtf8(caption), owner);
  action->setObjectName(name);
  return action;
}

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("TFormMain");
  setWindowTitle("Программа обслуживания устройства параллельного доступа КОРДИН (vkt53-sx)");
  BuildMenu();
  BuildServiceMenu();
  BuildStatusLine();
  KeepToolkitSettingsOut();
  files_ = std::make_unique<QtConfigFileUi>(this, pod, SaveDialog1);
  TimerStart = new QTimer(this);
  TimerStart->setObjectName("TimerStart");
  TimerStart->setInterval(100);
  connect(TimerStart, &QTimer::timeout, this, &TFormMain::TimerStartTimer);
  FormCreate();
}

TFormMain::~TFormMain() {
  // A window destroyed without being closed still saves and lets go of the port.
  if (!closed_) FormClose();
  delete monitor_;  // before the record it shows
  if (state_.context) state_.context->observer = nullptr;
}

void TFormMain::FormCreate() {
  const std::string workingFolder = WorkingFolder();
  state_.configFolder = ConfigFolderPath(workingFolder);
  state_.settingsFolder = IniFolderPath(workingFolder);
  CreateWorkingFolders(workingFolder);
  state_.settingsPath = SettingsFilePath(state_.settingsFolder);
  state_.settings = LoadSettings(state_.settingsPath);
  state_.port.reset();
  HideMenu();
  TimerStart->start();
}

void TFormMain::BuildMenu() {
  QMenuBar* bar = menuBar();
  NWorkPar = bar->addMenu("Параметры");
  NWorkPar->setObjectName("NWorkPar");
  Nident = MakeAction(this, "Nident", "Параметры идентификации");
  N2 = MakeAction(this, "N2", "Параметры конфигурации");
  N1 = MakeAction(this, "N1", "Состояние таблиц параметров конфигурации");
  NWorkPar->addActions({Nident, N2, N1});

  Nconnect = MakeAction(this, "Nconnect", "Связь с другим устройством");
  bar->addAction(Nconnect);

  NConfData = bar->addMenu("Файлы  конфигурации");
  NConfData->setObjectName("NConfData");
  NNewCnf = MakeAction(this, "NNewCnf", "Создание нового файла конфигурации");
  NEditCnf = MakeAction(this, "NEditCnf", "Просмотр/Корректировка файла конфигурации");
  NNewCnf->setData(kNewConfigurationTag);
  NEditCnf->setData(kEditConfigurationTag);
  NConfData->addActions({NNewCnf, NEditCnf});

  Nvers = bar->addMenu("Общее");
  Nvers->setObjectName("Nvers");
  Nabout = MakeAction(this, "Nabout", "О программе");
  Nvers->addAction(Nabout);

  Nexit = MakeAction(this, "Nexit", "Выход");
  bar->addAction(Nexit);

  ConnectCommand(Nident, [this] { NidentClick(); });
  ConnectCommand(N1, [this] { N1Click(); });
  ConnectCommand(N2, [this] { N2Click(); });
  ConnectCommand(NNewCnf, [this] { NCnfClick(NNewCnf); });
  ConnectCommand(NEditCnf, [this] { NCnfClick(NEditCnf); });
  ConnectCommand(Nconnect, [this] { NconnectClick(); });
  ConnectCommand(Nabout, [this] { NaboutClick(); });
  ConnectCommand(Nexit, [this] { NexitClick(); });
}

// A command chosen while a table operation runs is not started.
void TFormMain::ConnectCommand(QAction* item, std::function<void()> command) {
  connect(item, &QAction::triggered, this, [this, command = std::move(command)] {
    if (!operationRunning_) command();
  });
}

// No command starts and the window does not close until the operation has
// ended (see operationRunning_).
bool TFormMain::RunTableOperation(const TableOperation& operation) {
  const bool outer = operationRunning_;
  operationRunning_ = true;
  // Only the menu is taken away: disabling the whole window would grey out
  // the wait window and the status line that show the progress.
  menuBar()->setEnabled(false);
  bool succeeded = false;
  {
    BusyCursor busy;
    LinkSession session{*state_.context, state_.settings, *this};
    succeeded = operation(session);
  }
  operationRunning_ = outer;
  menuBar()->setEnabled(!outer);
  return succeeded;
}

void TFormMain::BuildStatusLine() {
  auto makePanel = [this](const char* name, int width) {
    auto* panel = new QLabel(this);
    panel->setObjectName(name);
    panel->setFixedWidth(width);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(panel);
    return panel;
  };
  linkPanel_ = makePanel("LinkPanel", 150);
  operationPanel_ = makePanel("OperationPanel", 557);
  exchangePanel_ = makePanel("ExchangePanel", 80);
}

void TFormMain::HideMenu() {
  for (QAction* item : menuBar()->actions()) item->setVisible(false);
}

void TFormMain::ShowMenu(bool withParameters) {
  for (QAction* item : menuBar()->actions()) {
    item->setVisible(true);
    if (QMenu* menu = item->menu()) {
      for (QAction* sub : menu->actions()) sub->setVisible(true);
    }
  }
  NWorkPar->menuAction()->setVisible(withParameters);
}

void TFormMain::ShowLinkPanel(const std::string& text) { linkPanel_->setText(Q(text)); }
void TFormMain::ShowOperationPanel(const std::string& text) { operationPanel_->setText(Q(text)); }
void TFormMain::ShowExchangePanel(const std::string& text) { exchangePanel_->setText(Q(text)); }
void TFormMain::RepaintStatusLine() { statusBar()->repaint(); }
void TFormMain::ProcessPendingEvents() { QApplication::processEvents(); }

bool TFormMain::AskRetry(const std::string& line1, const std::string& line2) {
  return ShowMessage(MessageKind::RetryQuestion, Q(line1), Q(line2), this);
}

// The start-up sequence runs once per enabling of the start timer.
void TFormMain::TimerStartTimer() {
  TimerStart->stop();
  RunConnectionSequence(state_, *this);
}

void TFormMain::NidentClick() { RunIdentificationCommand(state_, *this); }
void TFormMain::N1Click() { RunTableStatusCommand(state_, *this); }
void TFormMain::N2Click() { RunOnlineConfiguration(state_, *this); }

void TFormMain::NCnfClick(QAction* item) {
  RunConfigurationFileCommand(state_, *this, item->data().toInt() == kNewConfigurationTag);
}

void TFormMain::NconnectClick() {
  ForgetDevice(state_, *this);
  TimerStart->start();
}

void TFormMain::NaboutClick() {
  TFormAbout about(this);
  about.exec();
}

void TFormMain::NexitClick() { close(); }

// Refused while a table operation runs: the port would close in the middle
// of a request and leave the device half written. The operation takes
// seconds; the window closes when asked again after it.
void TFormMain::closeEvent(QCloseEvent* event) {
  if (operationRunning_) {
    event->ignore();
    return;
  }
  if (!closed_) FormClose();
  event->accept();
}

// Saves the link settings and lets go of the port; nothing else is kept.
void TFormMain::FormClose() {
  closed_ = true;
  BusyCursor busy;
  TimerStart->stop();
  SaveSettings(state_.settingsPath, state_.settings);
  state_.ClosePort();
  if (state_.context) state_.context->port.reset();
  if (monitor_) monitor_->close();
}

}  // namespace vkt53
