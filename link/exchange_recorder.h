// The exchange monitor's record: the last lines of the exchange, one per
// frame, kept in order with the oldest let go beyond a capacity. Recording
// can be paused (what comes meanwhile is counted, not kept) and cleared;
// the kept lines are copied as text or saved to a text file. A window shows
// them; it hears of each change through a listener. Every line can also go
// to a log file as it comes (link/traffic_log.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "support/file_io.h"
#include "link/exchange_observer.h"
#include "link/traffic_log.h"

namespace vkt53 {

class ExchangeRecorder : public ExchangeObserver {
 public:
  static constexpr std::size_t kCapacity = 10000;

  // Line times count from the moment of construction.
  explicit ExchangeRecorder(std::size_t capacity = kCapacity);

  void FrameSent(const SentFrame& sent) override;
  void AnswerEnded(const AnswerOutcome& answer) override;
  void RequestFailed(const RequestFailure& failure) override;

  // While paused the frames are counted, not kept; resuming adds a line that
  // says how many were left out.
  void SetPaused(bool paused);
  bool Paused() const { return paused_; }
  void Clear();

  std::size_t Size() const { return lines_.size(); }
  const std::string& Line(std::size_t index) const { return lines_[index]; }  // 0: the oldest kept
  // Lines added since construction, kept or let go, and how many times the
  // record was cleared: with Size() a view tells which lines are new.
  uint64_t Added() const { return added_; }
  uint64_t Clears() const { return clears_; }

  // Every kept line, each followed by lineEnd.
  std::string Text(const char* lineEnd = "\n") const;
  // The text as a UTF-8 file, with the line ends of the platform.
  FileWriteResult Save(const std::string& utf8Path) const;

  // From now on each frame's line also goes to the log file, in place of a
  // log that ran. The reason when the file cannot be opened (then there is
  // no log); empty when it is written.
  std::string StartLog(const std::string& utf8Path,
                       std::uintmax_t sizeLimit = TrafficLog::kSizeLimit,
                       int olderFiles = TrafficLog::kOlderFiles);
  void StopLog();
  // The log being written, or the one that stopped on a failure; null when
  // none was started or it was stopped.
  const TrafficLog* Log() const { return log_.get(); }

  // Called after every change: a line added, the record cleared or paused,
  // the log started, stopped or failed.
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  void Take(std::string line);
  void Add(std::string line);
  void Changed() const;

  std::size_t capacity_;
  SteadyClock::time_point epoch_;
  std::deque<std::string> lines_;
  uint64_t added_ = 0;
  uint64_t clears_ = 0;
  bool paused_ = false;
  std::size_t missed_ = 0;  // frames that came while paused
  std::unique_ptr<TrafficLog> log_;
  std::function<void()> listener_;
};

}  // namespace vkt53
