// How precisely the transmitter is released, and what waiting costs.
// Runs a few hundred identification reads and prints how late RTS was
// dropped against the computed hold time (median, 99th percentile and
// maximum) and the processor time the process used against wall time.
// Targets: median lateness at most 1 ms, processor time at most 10 %.
//
//   rts_hold_bench [EXCHANGES]          Linux: against the emulator it starts
//   rts_hold_bench [EXCHANGES [PORT]]   Windows: against the device on COMPORT
//                                       (default COM1), at 115200 bit/s
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "link/plcbox.h"
#include "link/port_operations.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>

#include "tests/support/emulator_process.h"
#endif

using namespace vkt53;

namespace {

constexpr int32_t kBenchSpeed = 115200;

#ifdef _WIN32
double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

PortHandle OpenBenchPort(int argc, char** argv) {
  const int portNumber = argc > 2 ? std::atoi(argv[2]) : 1;
  PortHandle port = OpenLinkPort(PortDeviceName(portNumber));
  if (!port) std::fprintf(stderr, "cannot open COM%d\n", portNumber);
  return port;
}
#else
double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

PortHandle OpenBenchPort(int, char**) {
  static auto emulator = std::make_unique<EmulatorProcess>(
      VKT53_EMU_PATH, std::vector<std::string>{"--speed", "115200", "--no-wire-delay"});
  PortHandle port = OpenLinkPort(emulator->terminalPath());
  if (!port) std::fprintf(stderr, "cannot open %s\n", emulator->terminalPath().c_str());
  return port;
}
#endif

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(const std::vector<double>& sorted, double fraction) {
  const auto at = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
  return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = std::max(argc > 1 ? std::atoi(argv[1]) : 300, 1);
  PortHandle port = OpenBenchPort(argc, argv);
  if (!port) return 1;
  ExchangeContext context;
  context.port = port;
  context.exchangeSpeed = kBenchSpeed;
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
  std::printf("RTS drop lateness:    median %.3f ms, p99 %.3f ms, maximum %.3f ms"
              " (target: median <= 1 ms)\n",
              Percentile(lateness, 0.5), Percentile(lateness, 0.99), lateness.back());
  std::printf("processor time:       %.2f s of %.2f s wall = %.1f %% (target: <= 10 %%)\n", cpu, wall,
              100.0 * cpu / wall);
  return failures == 0 ? 0 : 1;
}
