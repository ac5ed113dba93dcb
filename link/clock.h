// Time for waits and deadlines. The waits block for at least the stated time
// but sleep for most of it instead of spinning on a processor core.
#pragma once

#include <chrono>
#include <cstdint>

using SteadyClock = std::chrono::steady_clock;

// Milliseconds on a steady clock; wraps like the platform's tick count.
uint32_t TickCount();

// Blocks for at least ms milliseconds.
void WaitMs(uint32_t ms);

// Blocks, asleep, until the clock has reached deadline.
void SleepUntil(SteadyClock::time_point deadline);

// Blocks until the clock has passed deadline: sleeps until shortly before it
// and spins only for the last moment, so the wake-up is precise.
void WaitUntilPrecise(SteadyClock::time_point deadline);
