#include "tests/support/fake_clock.h"

namespace vkt53 {

FakeClock::FakeClock() : replaced_(UseClock(this)) {}

FakeClock::~FakeClock() { UseClock(replaced_); }

SteadyClock::time_point FakeClock::Now() {
  lastRead_ = SteadyClock::now() + skipped_;
  return lastRead_;
}

// A wait is kept as long as its caller meant it, from the time it read
// last; the moment since then is real time and not skipped again.
void FakeClock::SleepUntil(SteadyClock::time_point deadline) {
  waits_.push_back(std::max(deadline - lastRead_, SteadyClock::duration::zero()));
  const SteadyClock::duration left = deadline - Now();
  if (left > SteadyClock::duration::zero()) skipped_ += left;
}

void FakeClock::WaitUntilPrecise(SteadyClock::time_point deadline) { SleepUntil(deadline); }

void FakeClock::Advance(SteadyClock::duration by) { skipped_ += by; }

double Milliseconds(SteadyClock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace vkt53
