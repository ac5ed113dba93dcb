// The wait window: shown, not modal, while many tables are read or written.
// It names the running operation and carries the progress bar the table
// read/write service advances. The user cannot close it; its opener
// destroys it when the work ends, on every path.
#pragma once

#include <QDialog>

#include <memory>

#include "app/shell_ui.h"
#include "link/service_ui.h"

class QCloseEvent;
class QLabel;
class QProgressBar;

namespace vkt53 {

// The core's progress bar over a Qt one. It keeps its own position and
// maximum, because a Qt bar reports -1 before its first step, ignores steps
// beyond its range and turns into a busy indicator at maximum 0.
class WaitProgress : public ProgressBar {
 public:
  explicit WaitProgress(QProgressBar* bar);

  void SetMaximum(int maximum) override;
  int Maximum() const override { return maximum_; }
  void SetPosition(int position) override;
  int Position() const override { return position_; }

 private:
  void ShowOnBar();

  QProgressBar* bar_;
  int maximum_ = 100;
  int position_ = 0;
};

class TFormWait : public QDialog {
  Q_OBJECT
 public:
  explicit TFormWait(WaitKind kind, QWidget* parent = nullptr);
  ~TFormWait() override;

  // Shows the window and returns once it has been painted on the screen (or
  // after kExposeWait, should the window system never show it). Its opener
  // blocks the thread with an exchange next, for seconds at a slow speed.
  void ShowPainted();

  // Hand this to the table read/write service.
  ProgressBar& progress() { return *progress_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void FormShow();

  WaitKind kind_;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QProgressBar* ProgressBar1;
  std::unique_ptr<WaitProgress> progress_;
};

}  // namespace vkt53
