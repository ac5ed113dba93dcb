// The exchange monitor's lines: one line of text per frame the exchange
// reported, with the time, the direction, the bit rate, the preamble apart
// from the frame, the frame in hex and what it means.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "link/exchange_observer.h"
#include "support/hex_text.h"

namespace vkt53 {

// What a request frame asks: "чтение таблицы 6, поля 0-130",
// "запись таблицы 3, поля 0-7" (the upper number first + count, as the
// status line counts), or the function code.
std::string RequestMeaning(std::span<const uint8_t> frame);

// Times are milliseconds since epoch.
std::string SentLine(const SentFrame& sent, SteadyClock::time_point epoch);
std::string AnswerLine(const AnswerOutcome& answer, SteadyClock::time_point epoch);
std::string RequestFailureLine(const RequestFailure& failure, SteadyClock::time_point epoch);

}  // namespace vkt53
