#include "support/fake_clock.h"

FakeClock::FakeClock() : replaced_(UseClock(this)) {}

FakeClock::~FakeClock() { UseClock(replaced_); }

SteadyClock::time_point FakeClock::Now() { return SteadyClock::now() + skipped_; }

void FakeClock::SleepUntil(SteadyClock::time_point deadline) {
  const SteadyClock::duration left = deadline - Now();
  waits_.push_back(std::max(left, SteadyClock::duration::zero()));
  if (left > SteadyClock::duration::zero()) skipped_ += left;
}

void FakeClock::WaitUntilPrecise(SteadyClock::time_point deadline) { SleepUntil(deadline); }

void FakeClock::Advance(SteadyClock::duration by) { skipped_ += by; }

double Milliseconds(SteadyClock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}
