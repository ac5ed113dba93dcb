// What the exchange reports, for whoever watches the line: each request
// frame as it went out, how each attempt's answer ended, and the failures
// that end a request without an attempt of their own. The exchange calls
// the observer on its own thread, in the middle of a request; an observer
// only takes note and returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/clock.h"
#include "link/rts_mode.h"

namespace vkt53 {

// One attempt's request, reported once RTS has been dropped.
struct SentFrame {
  SteadyClock::time_point writeStart{};  // just before the bytes were written
  std::span<const uint8_t> frame;        // the request frame, start symbol to checksum
  int preambleCount = 0;                 // 0xFF bytes sent before it
  int32_t bitRate = 0;
  int attempt = 1;  // 1-based, of attempts
  int attempts = 1;
  RtsMode rtsMode = RtsMode::Normal;
  uint32_t rtsPauseMs = 0;                    // as set
  SteadyClock::duration rtsPause{};           // RTS raised to the write, as waited
  SteadyClock::duration hold{};               // the computed transmit hold
  SteadyClock::duration rtsHeld{};            // the write to RTS dropped, as held
  bool writeFailed = false;                   // the write failed: result code 3, no answer
};

// How one attempt's receiving ended.
struct AnswerOutcome {
  SteadyClock::time_point end{};          // when the attempt's hunt ended
  std::span<const uint8_t> request;       // the request frame it answers
  std::span<const uint8_t> frame;         // the answer's bytes as far as they came; empty if none
  std::span<const uint8_t> skipped;       // bytes skipped while hunting, the first of them
  std::size_t skippedCount = 0;           // all bytes skipped while hunting
  bool startSymbolSeen = false;           // the frame's start symbol came
  SteadyClock::duration firstByte{};      // RTS dropped to the frame's start symbol
  int32_t bitRate = 0;
  int attempt = 1;
  int attempts = 1;
  uint32_t waitMs = 0;  // the first-byte wait of the attempt
  int resultCode = 0;   // the attempt's result code
};

// A request that failed without an attempt's outcome saying so: a function
// code the exchange does not build (nothing sent), or an identified request
// answered with another identifier.
struct RequestFailure {
  SteadyClock::time_point at{};
  uint8_t function = 0;
  int resultCode = 0;
  int sentIdentifier = 0;  // function 8 only
  int receivedIdentifier = 0;
};

class ExchangeObserver {
 public:
  virtual ~ExchangeObserver() = default;

  virtual void FrameSent(const SentFrame& sent) = 0;
  virtual void AnswerEnded(const AnswerOutcome& answer) = 0;
  virtual void RequestFailed(const RequestFailure& failure) = 0;
};

}  // namespace vkt53
