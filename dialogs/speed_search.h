// Finding the speed at which the device answers: the identification read is
// sent once at each table speed in turn until one gets a valid response.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vkt53 {

class ExchangeContext;

// The search's own exchange parameters: short waits and one attempt, so that
// a wrong speed costs little. The link settings keep the user's values.
inline constexpr uint32_t kSearchFollowingBytesWaitMs = 100;
inline constexpr uint32_t kSearchFirstByteWaitMs = 300;
inline constexpr uint8_t kSearchAttemptCount = 1;

// Why the search cannot run on the context's port, "" when it can: the line
// of a raw network port (tcp://) is set up by its server, so every try would
// go at the same speed and an answer would name a speed the line is not at.
std::string SpeedSearchRefusal(const ExchangeContext& context);

// Sends nothing and returns 0 where SpeedSearchRefusal gives a reason.
// Otherwise overrides the exchange parameters for the search and tries the
// table speeds from the second (600) to the last; 300 bit/s is not tried.
// beforeTry is called with each speed before it is tried; a stop asked for by
// then ends the search. Returns the speed that answered, or 0 when none did or
// the search was stopped. The context keeps the search parameters and the last
// speed tried.
int32_t SearchExchangeSpeed(ExchangeContext& context, const std::function<void(int32_t)>& beforeTry,
                            const std::function<bool()>& stopRequested = {});

}  // namespace vkt53
