#include "link/exchange_reports.h"

#include <algorithm>

namespace vkt53 {

std::span<const uint8_t> HuntNotes::Skipped() {
  const std::size_t kept = std::min(skipped_, kKept);
  for (std::size_t i = 0; i < kept; ++i) ordered_[i] = ring_[(skipped_ - kept + i) % kKept];
  return {ordered_.data(), kept};
}

void ReportFailure(const ExchangeContext& context, uint8_t function, int sent, int received) {
  if (!context.observer) return;
  RequestFailure failure;
  failure.at = ClockNow();
  failure.function = function;
  failure.resultCode = context.resultCode;
  failure.sentIdentifier = sent;
  failure.receivedIdentifier = received;
  context.observer->RequestFailed(failure);
}

void ReportSent(const ExchangeContext& context, int frameLength, int attempt, int attempts,
                SteadyClock::time_point rtsRaised, bool writeFailed) {
  const TransmitTiming& timing = context.lastTiming;
  SentFrame sent;
  sent.writeStart = timing.writeStart;
  sent.frame = {context.request.data(), static_cast<std::size_t>(frameLength)};
  sent.preambleCount = context.preambleCount;
  sent.bitRate = context.exchangeSpeed;
  sent.attempt = attempt;
  sent.attempts = attempts;
  sent.rtsMode = context.rtsMode;
  sent.rtsPauseMs = context.rtsPauseMs;
  sent.rtsPause = timing.writeStart - rtsRaised;
  sent.hold = timing.holdUntil - timing.writeStart;
  sent.rtsHeld = writeFailed ? SteadyClock::duration{} : timing.rtsDropped - timing.writeStart;
  sent.writeFailed = writeFailed;
  context.observer->FrameSent(sent);
}

void ReportAnswer(const ExchangeContext& context, int frameLength, int attempt, int attempts,
                  HuntNotes& notes) {
  AnswerOutcome answer;
  answer.end = ClockNow();
  answer.request = {context.request.data(), static_cast<std::size_t>(frameLength)};
  answer.frame = {context.response.data(), notes.startSymbolSeen ? notes.frameBytes : 0};
  answer.skipped = notes.Skipped();
  answer.skippedCount = notes.SkippedCount();
  answer.startSymbolSeen = notes.startSymbolSeen;
  if (notes.startSymbolSeen) answer.firstByte = notes.startSymbolAt - context.lastTiming.rtsDropped;
  answer.bitRate = context.exchangeSpeed;
  answer.attempt = attempt;
  answer.attempts = attempts;
  answer.waitMs = context.firstByteWaitMs;
  answer.resultCode = context.resultCode;
  context.observer->AnswerEnded(answer);
}

}  // namespace vkt53
