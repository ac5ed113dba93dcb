#include "link/clock.h"

#include <atomic>
#include <thread>

#ifdef _WIN32
#include "support/windows_api.h"
#include <timeapi.h>
#endif

namespace vkt53 {

namespace {

#ifdef _WIN32
// Windows wakes a sleeper only at its timer tick, about 15.6 ms unless a
// program asks for finer. At that tick RTS could be dropped well into the
// device's answer, so the program asks for 1 ms for as long as it runs.
class TimerResolution {
 public:
  TimerResolution() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
  ~TimerResolution() {
    if (raised_) timeEndPeriod(1);
  }
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;

 private:
  bool raised_;
};
const TimerResolution gTimerResolution;

// Even at 1 ms a sleep can end up to a tick late; the rest is spun.
constexpr auto kSpinMargin = std::chrono::microseconds(2500);
#else
// The scheduler may wake a sleeper this late; the rest is spun.
constexpr auto kSpinMargin = std::chrono::microseconds(1500);
#endif

// The steady clock, asleep for most of each wait.
class SteadyWaits final : public Clock {
 public:
  SteadyClock::time_point Now() override { return SteadyClock::now(); }

  void SleepUntil(SteadyClock::time_point deadline) override {
    while (SteadyClock::now() < deadline) std::this_thread::sleep_until(deadline);
  }

  void WaitUntilPrecise(SteadyClock::time_point deadline) override {
    const auto sleepUntil = deadline - kSpinMargin;
    if (SteadyClock::now() < sleepUntil) std::this_thread::sleep_until(sleepUntil);
    while (SteadyClock::now() < deadline) {
      std::this_thread::yield();
    }
  }
};

constinit SteadyWaits gSteadyWaits;
constinit std::atomic<Clock*> gClock{&gSteadyWaits};

}  // namespace

Clock* UseClock(Clock* clock) { return gClock.exchange(clock ? clock : &gSteadyWaits); }

SteadyClock::time_point ClockNow() { return gClock.load()->Now(); }

void WaitMs(uint32_t ms) { SleepUntil(ClockNow() + std::chrono::milliseconds(ms)); }

void SleepUntil(SteadyClock::time_point deadline) { gClock.load()->SleepUntil(deadline); }

void WaitUntilPrecise(SteadyClock::time_point deadline) { gClock.load()->WaitUntilPrecise(deadline); }

}  // namespace vkt53
