// What a serial device server costs an exchange. Runs table reads (table 6,
// fields 0..129: the longest answer the program asks for) against the
// emulator at 115200 bit/s three ways, taking turns in rounds so that drift
// hits all alike: on its pseudo-terminal directly, and through ser2net on
// 127.0.0.1 as rfc2217:// and as tcp://. Each round opens its port afresh
// (ser2net and the program cannot hold the terminal at once); the opening and
// a first read are not timed. Prints per way the exchange time (median, 99th percentile) and,
// against the direct terminal, the ratio of the medians and the time added
// per exchange. Target: the network adds at most 2 ms per exchange.
//
//   network_port_bench [EXCHANGES]   exchanges per way (default 60)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "link/plcbox.h"
#include "link/port_operations.h"
#include "tests/support/emulator_process.h"
#include "tests/support/ser2net_process.h"

using namespace vkt53;

namespace {

constexpr int32_t kBenchSpeed = 115200;
constexpr int kRound = 10;
constexpr int kOpeningTries = 100;
constexpr auto kOpeningPause = std::chrono::milliseconds(20);

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

struct Way {
  const char* name;
  std::string device;
  std::vector<double> exchangeMs;
  int failures = 0;
};

const uint8_t kTableRead[] = {6, 0, 130, 0, 0, 0};

void Prepare(ExchangeContext& context, const PortHandle& port) {
  context.port = port;
  context.exchangeSpeed = kBenchSpeed;
  context.attemptCount = 1;
}

// The port opened and answering. ser2net closes the terminal a moment after
// a client has gone, and refuses its other port until then; the program's
// own opening may meet ser2net still closing it too. So a round starts with
// an untimed read that must succeed, tried again a little later if not.
PortHandle OpenAnswering(const std::string& device) {
  for (int tries = 0; tries < kOpeningTries; ++tries) {
    if (PortHandle port = OpenLinkPort(device)) {
      ExchangeContext context;
      Prepare(context, port);
      if (RunRequest(context, kTableFunction, kTableRead, sizeof kTableRead, 0)) return port;
      port->Close();
    }
    std::this_thread::sleep_for(kOpeningPause);
  }
  std::fprintf(stderr, "%s does not answer: %s\n", device.c_str(), PortOpenFailureReason(device).c_str());
  return nullptr;
}

// One round of timed table reads; false when the port does not answer.
bool RunRound(Way& way) {
  PortHandle port = OpenAnswering(way.device);
  if (!port) return false;
  ExchangeContext context;
  Prepare(context, port);
  for (int i = 0; i < kRound; ++i) {
    const auto start = SteadyClock::now();
    if (!RunRequest(context, kTableFunction, kTableRead, sizeof kTableRead, 0)) ++way.failures;
    way.exchangeMs.push_back(Ms(SteadyClock::now() - start));
  }
  port->Close();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = std::max(argc > 1 ? std::atoi(argv[1]) : 60, kRound);
  EmulatorProcess emulator(VKT53_EMU_PATH, {"--speed", std::to_string(kBenchSpeed)});
  Ser2netProcess server(emulator.terminalPath(), std::to_string(kBenchSpeed) + "n81");

  std::vector<Way> ways = {{"pseudo-terminal", emulator.terminalPath(), {}},
                           {"rfc2217://", server.Rfc2217Url(), {}},
                           {"tcp://", server.RawTcpUrl(), {}}};
  for (int done = 0; done < exchanges; done += kRound) {
    for (Way& way : ways) {
      if (!RunRound(way)) return 1;
    }
  }

  std::printf("table 6 reads (fields 0..129, 139-byte answers) at %d bit/s, %d per way, ser2net on 127.0.0.1\n",
              kBenchSpeed, static_cast<int>(ways[0].exchangeMs.size()));
  std::printf("%-16s %10s %10s %14s %16s %7s\n", "way", "median ms", "p99 ms", "ratio to pty", "added ms/exch",
              "failed");
  const double direct = Percentile(ways[0].exchangeMs, 0.5);
  int failures = 0;
  for (const Way& way : ways) {
    const double median = Percentile(way.exchangeMs, 0.5);
    std::printf("%-16s %10.3f %10.3f %14.3f %16.3f %7d\n", way.name, median, Percentile(way.exchangeMs, 0.99),
                median / direct, median - direct, way.failures);
    failures += way.failures;
  }
  return failures == 0 ? 0 : 1;
}
