// The protocol with the device: request and response frames, one exchange
// with its time-outs, retries and response checks, and the context that
// holds all of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/clock.h"
#include "config/config_tables.h"
#include "link/exchange_observer.h"
#include "link/result_codes.h"
#include "link/serial_port.h"

namespace vkt53 {

inline constexpr uint8_t kRequestStart = 0xCC;
inline constexpr uint8_t kResponseStart = 0x33;
inline constexpr uint8_t kTableFunction = 29;
inline constexpr uint32_t kWriteAnswerExtensionMs = 7000;

struct LinkSettings;

// Moments of the last attempt's transmission, kept for timing measurements.
struct TransmitTiming {
  SteadyClock::time_point writeStart{};  // just before the frame was written
  SteadyClock::time_point holdUntil{};   // the computed end of transmission
  SteadyClock::time_point rtsDropped{};  // when RTS was dropped
};

class ExchangeContext {
 public:
  explicit ExchangeContext(uint8_t address = 0);

  std::array<uint8_t, 256> request{};
  std::array<uint8_t, 256> response{};
  PortHandle port;
  uint8_t deviceAddress = 0;

  // Exchange parameters, in the units the exchange uses.
  int32_t exchangeSpeed = 1200;  // bit/s
  uint8_t preambleCount = 0;
  std::array<uint8_t, 12> userName{};
  std::array<uint8_t, 4> password{};
  uint32_t followingBytesWaitMs = 10;
  uint32_t firstByteWaitMs = 2000;
  uint32_t rtsPauseMs = 2;
  uint8_t attemptCount = 2;

  MessageTable messages;
  int32_t resultCode = kResultOk;
  ConfigTableList tables;
  std::string textBuffer;  // where failure lines are composed
  uint8_t lastFunctionCode = 0;

  TransmitTiming lastTiming;

  // Told what each attempt sends and receives; none: nothing is reported
  // and nothing is noted for it.
  ExchangeObserver* observer = nullptr;
};

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
