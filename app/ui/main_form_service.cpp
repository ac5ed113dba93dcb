// "Сервис": what the engineer reaches for beside the program's own menus,
// the exchange monitor first, then the configuration report. The menu shows once the connection dialog
// has closed, in every state of the menu after it; the monitor's shortcut
// works wherever the program's windows are not held by a modal one.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/ui/config_report_export.h"
#include "app/ui/exchange_monitor.h"
#include "app/ui/main_form.h"
#include "link/exchange_recorder.h"

namespace vkt53 {

void TFormMain::BuildServiceMenu() {
  NService = new QMenu("Сервис", this);
  NService->setObjectName("NService");
  menuBar()->insertMenu(Nvers->menuAction(), NService);
  NMonitor = new QAction("Монитор обмена", this);
  NMonitor->setObjectName("NMonitor");
  NMonitor->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  NMonitor->setShortcutContext(Qt::ApplicationShortcut);
  NService->addAction(NMonitor);
  addAction(NMonitor);  // the shortcut while the menu bar is hidden or held by an operation
  // Not a command of the device: it runs while a table operation runs too.
  connect(NMonitor, &QAction::triggered, this, [this] { NMonitorClick(); });
  NReport = new QAction("Отчёт о конфигурации...", this);
  NReport->setObjectName("NReport");
  NService->addAction(NReport);
  ConnectCommand(NReport, [this] { NReportClick(); });
  NService->menuAction()->setVisible(false);

  // The record runs from the start, so that the monitor opened after a
  // failure shows what led to it.
  recorder_ = std::make_unique<ExchangeRecorder>();
  state_.link.context.observer = recorder_.get();
}

void TFormMain::ShowServiceMenu() { NService->menuAction()->setVisible(true); }

// The monitor opens first just below the menu bar, over the empty client
// area; then where the user left it, for the run.
void TFormMain::NMonitorClick() {
  if (!monitor_) {
    monitor_ = new TFormExchangeMonitor(*recorder_, this);
    monitor_->move(mapToGlobal(QPoint(0, menuBar()->geometry().bottom() + 1)));
  }
  monitor_->Open();
}

void TFormMain::NReportClick() {
  if (!report_) report_ = std::make_unique<ConfigReportExport>(this);
  report_->Run(state_);
}

}  // namespace vkt53
