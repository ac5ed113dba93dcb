// What the table read/write service needs of the windows: the three panels
// of the main window's status line, the retry question, a progress bar, and
// letting pending window events run. The main window implements it; tests
// implement it to record what a user would see and to answer the questions.
#pragma once

#include <string>

namespace vkt53 {

class ServiceUi {
 public:
  virtual ~ServiceUi() = default;

  virtual void ShowLinkPanel(const std::string& text) = 0;
  virtual void ShowOperationPanel(const std::string& text) = 0;
  virtual void ShowExchangePanel(const std::string& text) = 0;
  // Paints the status line now, not at the next turn of the event loop.
  virtual void RepaintStatusLine() = 0;
  virtual void ProcessPendingEvents() = 0;
  // The retry question ("Повторить попытку?" below the two lines); true = "Да".
  virtual bool AskRetry(const std::string& line1, const std::string& line2) = 0;
  // True once the user has asked the program to stop (vkt53-cli on Ctrl-C):
  // the table service then sends no further request. Windows never ask.
  virtual bool StopRequested() const { return false; }
};

// The wait window's progress bar.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetMaximum(int maximum) = 0;
  virtual int Maximum() const = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Position() const = 0;
};

}  // namespace vkt53
