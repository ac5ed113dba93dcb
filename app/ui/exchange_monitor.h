// "Монитор обмена": a modeless tool window of the main window, kept above
// it, that shows the exchange's record, one line per frame, newest at the
// bottom, with pause, clear, copy and save, and a log file that takes every
// line as it comes. It is only a view of the record
// (link/exchange_recorder.h), which the exchange fills, and the log is
// written, whether the window is open or not.
//
// The exchange runs on the window thread and blocks it for whole requests,
// so the window takes each new line at once and paints itself then and
// there when nothing was painted for kRepaintInterval, rather than waiting
// for the event loop; what comes sooner is painted at the next turn of the
// loop (the table service lets it turn between requests), so that a run of
// quick requests is not slowed by a paint each.
#pragma once

#include <QAbstractScrollArea>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vkt53 {

class ExchangeRecorder;

// The lines of the record, painted straight from it: only the rows in view,
// and of each only the characters in view (the font is fixed-width), so
// that a paint costs the same however long the frames and however full the
// record. Rows are selected with the mouse (Shift extends) or Ctrl+A, and
// Ctrl+C copies them.
class TMonitorLines : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TMonitorLines(const ExchangeRecorder& recorder, QWidget* parent = nullptr);

  // Takes what the record gained or lost since the last call; the view stays
  // at the bottom when it was there.
  void Follow();
  int RowCount() const;
  QString RowText(int row) const;
  QString Text() const;          // every row, each followed by a line break
  QString SelectedText() const;  // the selected rows, likewise; empty if none
  void SelectAll();
  std::chrono::steady_clock::time_point LastPaint() const { return lastPaint_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateScrollBars();
  int RowAt(int y) const;
  int VisibleRows() const;
  int VisibleColumns() const;
  uint64_t FirstKept() const;
  bool Selected(uint64_t line) const;

  const ExchangeRecorder& recorder_;
  uint64_t taken_ = 0;   // lines of the record measured for the widest
  uint64_t clears_ = 0;  // clearings followed
  int widest_ = 0;       // characters of the longest line taken
  // The selection by the lines' numbers in the record, so that it stays on
  // its lines when the oldest are let go; none while anchor_ < 0.
  int64_t anchor_ = -1;
  int64_t current_ = -1;
  std::chrono::steady_clock::time_point lastPaint_{};
};

class TFormExchangeMonitor : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::chrono::milliseconds kRepaintInterval{250};

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
  void LogCheckBoxClick(bool checked);
  std::optional<QString> ChooseLogFile();
  void ShowLogState();

  ExchangeRecorder& recorder_;
  TMonitorLines* Lines;
  QPushButton* PauseButton;
  QPushButton* ClearButton;
  QPushButton* CopyButton;
  QPushButton* SaveButton;
  QCheckBox* LogCheckBox;
  QLabel* LogLabel;
  QLabel* CountLabel;
};

}  // namespace vkt53
