// What the table read/write service shows, for a program without windows:
// the operation in progress as one line on standard error (only when that is
// a terminal, so that scripts and logs get no carriage-return noise), and a
// failed request kept as the lines the retry question would show. The
// question itself is answered "Нет": the attempts of the link settings are
// the retries a script gets. A stop signal (app/cli/stop_signals.h) stops
// the table service before its next request.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/service_ui.h"

namespace vkt53 {

class TerminalUi : public ServiceUi, public ProgressBar {
 public:
  // progressLine: draw the progress line on `err`.
  TerminalUi(std::ostream& err, bool progressLine) : err_(err), progressLine_(progressLine) {}

  void ShowLinkPanel(const std::string&) override {}
  void ShowOperationPanel(const std::string& text) override;
  void ShowExchangePanel(const std::string&) override {}
  void RepaintStatusLine() override {}
  void ProcessPendingEvents() override {}
  bool AskRetry(const std::string& line1, const std::string& line2) override;
  bool StopRequested() const override;

  void SetMaximum(int maximum) override { maximum_ = maximum; }
  int Maximum() const override { return maximum_; }
  void SetPosition(int position) override;
  int Position() const override { return position_; }

  // A long operation starts: from now on the operation in progress is shown,
  // with the steps of the bar when a sequence sets its maximum. Short ones
  // (one request) show nothing.
  void BeginProgress();
  // The bar counts the requests themselves: `total` of them follow.
  void CountRequests(int total);
  // A line of its own on the progress line ("Скорость обмена:  9600").
  void ShowProgress(const std::string& text);
  // Wipes the progress line, so that what follows starts on a clean line,
  // and ends the long operation.
  void EndProgress();

  // What a person reads of the last failure: the question's two lines and
  // the failure line of the request ("Команда 29.  ..."), when there was one;
  // "Прервано пользователем" when a stop, not a failure, ended the operation.
  std::vector<std::string> FailureLines() const;

 private:
  void Draw();

  std::ostream& err_;
  bool progressLine_;
  std::string operation_;
  std::string lastShownFailure_;
  std::vector<std::string> failure_;
  int maximum_ = 0;
  int position_ = 0;
  bool drawing_ = false;
  bool countingRequests_ = false;
  std::size_t drawnLength_ = 0;
};

}  // namespace vkt53
