#include "link/exchange_recorder.h"

#include <chrono>

#include "link/exchange_lines.h"
#include "support/text_format.h"

namespace vkt53 {

ExchangeRecorder::ExchangeRecorder(std::size_t capacity)
    : capacity_(capacity == 0 ? 1 : capacity), epoch_(ClockNow()) {}

void ExchangeRecorder::FrameSent(const SentFrame& sent) {
  if (paused_) {
    ++missed_;
    return;
  }
  Add(SentLine(sent, epoch_));
}

void ExchangeRecorder::AnswerEnded(const AnswerOutcome& answer) {
  if (paused_) {
    ++missed_;
    return;
  }
  Add(AnswerLine(answer, epoch_));
}

void ExchangeRecorder::RequestFailed(const RequestFailure& failure) {
  if (paused_) {
    ++missed_;
    return;
  }
  Add(RequestFailureLine(failure, epoch_));
}

void ExchangeRecorder::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (!paused && missed_ > 0) {
    const double ms = std::chrono::duration<double, std::milli>(ClockNow() - epoch_).count();
    Add(Format("%10.1f  пауза: не записано кадров: %s", ms, std::to_string(missed_).c_str()));
  } else {
    Changed();
  }
  missed_ = 0;
}

void ExchangeRecorder::Clear() {
  lines_.clear();
  ++clears_;
  Changed();
}

std::string ExchangeRecorder::Text(const char* lineEnd) const {
  std::string text;
  for (const std::string& line : lines_) text += line + lineEnd;
  return text;
}

FileWriteResult ExchangeRecorder::Save(const std::string& utf8Path) const {
#ifdef _WIN32
  const std::string text = Text("\r\n");
#else
  const std::string text = Text("\n");
#endif
  return WriteFileReplacing(utf8Path, std::vector<uint8_t>(text.begin(), text.end()));
}

void ExchangeRecorder::Add(std::string line) {
  lines_.push_back(std::move(line));
  ++added_;
  while (lines_.size() > capacity_) lines_.pop_front();
  Changed();
}

void ExchangeRecorder::Changed() const {
  if (listener_) listener_();
}

}  // namespace vkt53
