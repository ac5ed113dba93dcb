// What the exchange tells the ExchangeObserver watching the line: each
// attempt's frame as it went out, how its answer ended with what the hunt
// for it met, and the failures that end a request without an attempt. The
// exchange (plcbox) notes and reports an attempt only while an observer is
// set, so that an unobserved exchange does no more than its work.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/clock.h"
#include "link/exchange_context.h"

namespace vkt53 {

// What an observed attempt's hunt notes for the observer: the bytes it
// skipped (the last of them kept), when the frame's start symbol came and
// how many of the frame's bytes arrived. Unobserved attempts note nothing.
class HuntNotes {
 public:
  static constexpr std::size_t kKept = 64;

  void Skip(const uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) ring_[(skipped_ + i) % kKept] = bytes[i];
    skipped_ += count;
  }
  std::size_t SkippedCount() const { return skipped_; }
  // The kept bytes, oldest first.
  std::span<const uint8_t> Skipped();

  SteadyClock::time_point startSymbolAt{};
  bool startSymbolSeen = false;
  std::size_t frameBytes = 0;

 private:
  std::array<uint8_t, kKept> ring_{};
  std::array<uint8_t, kKept> ordered_{};
  std::size_t skipped_ = 0;
};

// A request that failed before or beside its attempts (its result code is in
// the context); sent and received are the identifiers of function 8.
// Nothing without an observer.
void ReportFailure(const ExchangeContext& context, uint8_t function, int sent = 0,
                   int received = 0);

// The attempt's frame once RTS has been dropped, or once its write failed.
void ReportSent(const ExchangeContext& context, int frameLength, int attempt, int attempts,
                SteadyClock::time_point rtsRaised, bool writeFailed);

// How the attempt's receiving ended (its result code is in the context).
void ReportAnswer(const ExchangeContext& context, int frameLength, int attempt, int attempts,
                  HuntNotes& notes);

}  // namespace vkt53
