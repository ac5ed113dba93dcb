#include "app/cli/terminal_ui.h"

#include "app/cli/stop_signals.h"

namespace vkt53 {

namespace {

bool IsFailureLine(const std::string& text) { return text.rfind("Команда", 0) == 0; }

}  // namespace

void TerminalUi::ShowOperationPanel(const std::string& text) {
  if (IsFailureLine(text)) {
    lastShownFailure_ = text;
    return;
  }
  if (text.empty()) return;  // the line stays until the next request replaces it
  if (countingRequests_ && !operation_.empty()) ++position_;
  operation_ = text;
  Draw();
}

bool TerminalUi::AskRetry(const std::string& line1, const std::string& line2) {
  failure_ = {line1, line2};
  if (!lastShownFailure_.empty()) failure_.push_back(lastShownFailure_);
  lastShownFailure_.clear();
  return false;
}

bool TerminalUi::StopRequested() const { return StopSignalled(); }

std::vector<std::string> TerminalUi::FailureLines() const {
  // Every failure ends the command, so a stop that came after one leaves it
  // as the reason.
  if (failure_.empty() && StopRequested()) return {"Прервано пользователем"};
  return failure_;
}

void TerminalUi::SetPosition(int position) {
  position_ = position;
  Draw();
}

void TerminalUi::BeginProgress() {
  drawing_ = true;
  countingRequests_ = false;
  maximum_ = 0;
  position_ = 0;
  operation_.clear();
}

void TerminalUi::CountRequests(int total) {
  countingRequests_ = true;
  maximum_ = total;
}

void TerminalUi::ShowProgress(const std::string& text) {
  operation_ = text;
  Draw();
}

void TerminalUi::EndProgress() {
  drawing_ = false;
  countingRequests_ = false;
  if (!progressLine_ || drawnLength_ == 0) return;
  err_ << '\r' << std::string(drawnLength_, ' ') << '\r' << std::flush;
  drawnLength_ = 0;
}

void TerminalUi::Draw() {
  if (!progressLine_ || !drawing_) return;
  std::string line;
  if (maximum_ > 0) {
    line.append("[").append(std::to_string(position_)).append("/").append(std::to_string(maximum_));
    line.append("] ");
  }
  line.append(operation_);
  // Pads over what the previous line left, counted in bytes: enough blanks
  // for any mix of Cyrillic (two bytes) and Latin text.
  const std::size_t pad = drawnLength_ > line.size() ? drawnLength_ - line.size() : 0;
  err_ << '\r' << line << std::string(pad, ' ') << std::flush;
  drawnLength_ = line.size();
}

}  // namespace vkt53
