// Everything one exchange with the device works with: the port, the
// request and response frames, the exchange parameters, the result of the
// last request and who watches the line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/config_tables.h"
#include "link/clock.h"
#include "link/exchange_observer.h"
#include "link/result_codes.h"
#include "link/rts_mode.h"
#include "link/serial_port.h"

namespace vkt53 {

// Moments of the last attempt's transmission, kept for timing measurements.
struct TransmitTiming {
  SteadyClock::time_point writeStart{};  // just before the frame was written
  SteadyClock::time_point holdUntil{};   // the computed end of transmission
  SteadyClock::time_point rtsDropped{};  // when the line went back to receiving (RTS dropped)
};

class ExchangeContext {
 public:
  explicit ExchangeContext(uint8_t address = 0)
      : deviceAddress(address), messages(MakeMessageTable()), tables(MakeConfigTableList()) {
    userName.fill(' ');
    password.fill(' ');
  }

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
  RtsMode rtsMode = RtsMode::Normal;  // how RTS switches the line's direction
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

}  // namespace vkt53
