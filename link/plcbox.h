// The protocol with the device: request and response frames and one
// exchange with its time-outs, retries and response checks, run on the
// context that holds all of it (exchange_context.h).
#pragma once

#include <cstdint>
#include <string>

#include "link/exchange_context.h"

namespace vkt53 {

inline constexpr uint8_t kRequestStart = 0xCC;
inline constexpr uint8_t kResponseStart = 0x33;
inline constexpr uint8_t kTableFunction = 29;
inline constexpr uint32_t kWriteAnswerExtensionMs = 7000;

struct LinkSettings;

// Loads the exchange parameters from the link settings and attaches the port
// (the first-byte wait is kept in seconds there, in milliseconds here).
void LoadExchangeParameters(ExchangeContext& context, const LinkSettings& settings,
                            const PortHandle& port);

// Builds the request for a function code and runs it with retries. The result
// code and the response frame stay in the context. Accepted function codes:
// 1, 2, 7, 8, 9, 11, 12, 25 and 29; value is used by functions 1 and 2 only.
bool RunRequest(ExchangeContext& context, uint8_t function, const uint8_t* data, int length,
                uint8_t value);

// Sends the built request once and receives and validates one response.
bool ExchangeOnce(ExchangeContext& context, int frameLength);

// "Команда %d.  %s" from the last function code and the result text of the
// last request, composed into the context's text buffer.
const std::string& FailureText(ExchangeContext& context);

}  // namespace vkt53
