// "Монитор обмена": a modeless window beside the others that shows the
// exchange's record, one line per frame, newest at the bottom, with pause,
// clear, copy and save. It is only a view of the record (link/exchange_recorder.h),
// which the exchange fills whether the window is open or not.
//
// The exchange runs on the window thread and blocks it for whole requests,
// so the window takes each new line at once and paints itself then and
// there, at most every kRepaintInterval, rather than waiting for the event
// loop; what comes between two such paints is painted at the next turn of
// the loop.
#pragma once

#include <QWidget>

#include <chrono>
#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vkt53 {

class ExchangeRecorder;

class TFormExchangeMonitor : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::chrono::milliseconds kRepaintInterval{100};

  explicit TFormExchangeMonitor(ExchangeRecorder& recorder, QWidget* parent = nullptr);
  ~TFormExchangeMonitor() override;

  // Shows the window, or brings it to the front when it is up.
  void Open();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RecordChanged();
  void TakeNewLines();
  void PaintNow();
  void PauseButtonToggled(bool paused);
  void ClearButtonClick();
  void CopyButtonClick();
  void SaveButtonClick();

  ExchangeRecorder& recorder_;
  uint64_t shownAdded_ = 0;   // lines of the record taken into the view
  uint64_t shownClears_ = 0;  // clearings of the record the view has followed
  std::chrono::steady_clock::time_point lastPaint_{};

  QPlainTextEdit* Lines;
  QPushButton* PauseButton;
  QPushButton* ClearButton;
  QPushButton* CopyButton;
  QPushButton* SaveButton;
  QLabel* CountLabel;
  QTimer* repaintTimer_;
};

}  // namespace vkt53
