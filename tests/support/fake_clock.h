// A clock for tests of the link's slow paths. It runs with real time but
// skips every wait: a wait moves the clock on to the wait's end at once. While
// it lives it is the clock the link reads, so that the RTS hold, the pauses
// after long table sequences and, on a scripted port, the time-outs of a
// silent try cost the test nothing. The waits are kept for the test to check.
//
// With a real line (the emulator) the reads still take their real time, which
// the clock sees pass, so the exchange's deadlines hold there too.
#pragma once

#include <vector>

#include "link/clock.h"

namespace vkt53 {

class FakeClock final : public Clock {
 public:
  FakeClock();
  ~FakeClock() override;
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  SteadyClock::time_point Now() override;
  void SleepUntil(SteadyClock::time_point deadline) override;
  void WaitUntilPrecise(SteadyClock::time_point deadline) override;

  // Time that passes in a blocking call rather than a wait: what a port
  // operation without a line behind it would have taken.
  void Advance(SteadyClock::duration by);

  // Every wait the link asked for, in order, as long as it was meant: from
  // the clock's last reading to the wait's end.
  const std::vector<SteadyClock::duration>& waits() const { return waits_; }

 private:
  SteadyClock::duration skipped_{};
  SteadyClock::time_point lastRead_{};
  std::vector<SteadyClock::duration> waits_;
  Clock* replaced_ = nullptr;
};

// Milliseconds of a duration, for comparing waits.
double Milliseconds(SteadyClock::duration duration);

}  // namespace vkt53
