// How precisely the transmitter is released, and what waiting costs.
// Runs a few hundred identification reads against the emulator and prints
// how late RTS was dropped against the computed hold time (median and
// maximum) and the processor time the process used against wall time.
// Targets: median lateness at most 1 ms, processor time at most 10 %.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/plcbox.h"
#include "link/port.h"
#include "support/emulator_process.h"

namespace {

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::atoi(argv[1]) : 300;
  EmulatorProcess emulator(VKT53_EMU_PATH, {"--speed", "115200", "--no-wire-delay"});
  PortHandle port = OpenPortDevice(emulator.terminalPath(), 1200, 8, 0, 0, 1000, 1000, 1, 1);
  if (!port) {
    std::fprintf(stderr, "cannot open %s\n", emulator.terminalPath().c_str());
    return 1;
  }
  ExchangeContext context;
  context.port = port;
  context.exchangeSpeed = 115200;
  context.attemptCount = 1;

  const uint8_t identRead[] = {0, 0, 17, 0, 0, 0};
  std::vector<double> lateness;
  int failures = 0;
  const double cpuStart = ProcessCpuSeconds();
  const auto wallStart = SteadyClock::now();
  for (int i = 0; i < exchanges; ++i) {
    if (!RunRequest(context, kTableFunction, identRead, sizeof identRead, 0)) ++failures;
    lateness.push_back(Ms(context.lastTiming.rtsDropped - context.lastTiming.holdUntil));
  }
  const double wall = std::chrono::duration<double>(SteadyClock::now() - wallStart).count();
  const double cpu = ProcessCpuSeconds() - cpuStart;

  std::sort(lateness.begin(), lateness.end());
  std::printf("exchanges:            %d (%d failed)\n", exchanges, failures);
  std::printf("RTS drop lateness:    median %.3f ms, maximum %.3f ms (target: median <= 1 ms)\n",
              lateness[lateness.size() / 2], lateness.back());
  std::printf("processor time:       %.2f s of %.2f s wall = %.1f %% (target: <= 10 %%)\n", cpu, wall,
              100.0 * cpu / wall);
  return failures == 0 ? 0 : 1;
}
