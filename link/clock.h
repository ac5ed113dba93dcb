// Time for waits and deadlines. The waits block for at least the stated time
// but sleep for most of it instead of spinning on a processor core.
//
// Every wait and deadline of the link reads one clock: the steady clock, or,
// in a test of the slow paths, a clock of the test's own that skips the
// waits, so that the real delays of the exchange cost the test nothing.
#pragma once

#include <chrono>
#include <cstdint>

namespace vkt53 {

using SteadyClock = std::chrono::steady_clock;

class Clock {
 public:
  virtual ~Clock() = default;

  virtual SteadyClock::time_point Now() = 0;
  // Blocks, asleep, until Now() has reached deadline.
  virtual void SleepUntil(SteadyClock::time_point deadline) = 0;
  // Blocks until Now() has passed deadline, waking precisely.
  virtual void WaitUntilPrecise(SteadyClock::time_point deadline) = 0;
};

// Makes clock the one every wait reads (null: the steady clock again) and
// returns the clock it replaces.
Clock* UseClock(Clock* clock);

// The time on the clock in use.
SteadyClock::time_point ClockNow();

// Blocks for at least ms milliseconds.
void WaitMs(uint32_t ms);

// Blocks, asleep, until the clock has reached deadline.
void SleepUntil(SteadyClock::time_point deadline);

// Blocks until the clock has passed deadline: sleeps until shortly before it
// and spins only for the last moment, so the wake-up is precise.
void WaitUntilPrecise(SteadyClock::time_point deadline);

}  // namespace vkt53
