#include "clock.h"

#include <thread>

namespace {
// The scheduler may wake a sleeper this late; the rest is spun.
constexpr auto kSpinMargin = std::chrono::microseconds(1500);
}  // namespace

uint32_t TickCount() {
  const auto now = SteadyClock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void WaitMs(uint32_t ms) { SleepUntil(SteadyClock::now() + std::chrono::milliseconds(ms)); }

void SleepUntil(SteadyClock::time_point deadline) {
  while (SteadyClock::now() < deadline) std::this_thread::sleep_until(deadline);
}

void WaitUntilPrecise(SteadyClock::time_point deadline) {
  const auto sleepUntil = deadline - kSpinMargin;
  if (SteadyClock::now() < sleepUntil) std::this_thread::sleep_until(sleepUntil);
  while (SteadyClock::now() < deadline) {
    std::this_thread::yield();
  }
}
