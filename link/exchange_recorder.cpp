#include "link/exchange_recorder.h"

#include <chrono>

#include "link/exchange_lines.h"
#include "support/text_format.h"

namespace vkt53 {

ExchangeRecorder::ExchangeRecorder(std::size_t capacity)
    : capacity_(capacity == 0 ? 1 : capacity), epoch_(ClockNow()) {}

void ExchangeRecorder::FrameSent(const SentFrame& sent) { Take(SentLine(sent, epoch_)); }

void ExchangeRecorder::AnswerEnded(const AnswerOutcome& answer) {
  Take(AnswerLine(answer, epoch_));
}

void ExchangeRecorder::RequestFailed(const RequestFailure& failure) {
  Take(RequestFailureLine(failure, epoch_));
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
  const std::string text = Text(kTextLineEnd);
  return WriteFileReplacing(utf8Path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string ExchangeRecorder::StartLog(const std::string& utf8Path, std::uintmax_t sizeLimit,
                                       int olderFiles) {
  log_.reset();  // closed before the same file may be opened again
  log_ = std::make_unique<TrafficLog>(utf8Path, epoch_, sizeLimit, olderFiles);
  std::string failure = log_->Failure();
  if (!failure.empty()) log_.reset();
  Changed();
  return failure;
}

void ExchangeRecorder::StopLog() {
  log_.reset();
  Changed();
}

// The log takes every frame, paused or not: the pause is for reading the
// screen, the log for a hunt of hours. The note the end of a pause leaves
// in the record is not a frame and stays out of the log.
void ExchangeRecorder::Take(std::string line) {
  const bool logWriting = log_ && log_->Writing();
  if (logWriting) log_->Write(line);
  if (!paused_) {
    Add(std::move(line));
    return;
  }
  ++missed_;
  if (logWriting && !log_->Writing()) Changed();  // the log stopped
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
