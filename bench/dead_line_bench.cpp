// What hunting for an answer costs when the line's far end is gone.
// The far end takes each request and hangs up (an adapter pulled out, the
// emulator stopped while the tool waits); the exchange then hunts on a dead
// line, where every read fails at once, until its first-byte wait is over.
// Prints the outcome and the processor time the process used against wall
// time. Target: processor time at most 5 % of wall time.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "link/plcbox.h"
#include "link/port_operations.h"
#include "tests/support/pty_peer.h"

using namespace vkt53;

namespace {

constexpr uint32_t kFirstByteWaitMs = 2000;
constexpr std::size_t kRequestLength = 12;  // an identification read

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Figures {
  double cpu = 0;
  double wall = 0;
  bool noAnswer = true;  // every exchange ended with result code 10
};

// One identification read whose far end hangs up once the request is in.
bool ExchangeWithAVanishingPeer(int32_t speed, Figures& figures) {
  PtyPeer peer;
  PortHandle port = OpenLinkPort(peer.slavePath());
  if (!port) return false;
  ExchangeContext context;
  context.port = port;
  context.exchangeSpeed = speed;
  context.firstByteWaitMs = kFirstByteWaitMs;
  context.attemptCount = 1;
  std::thread farEnd([&peer] {
    peer.Receive(kRequestLength, std::chrono::seconds(5));
    peer.HangUp();
  });
  const uint8_t identRead[] = {0, 0, 17, 0, 0, 0};
  const double cpuStart = ProcessCpuSeconds();
  const auto wallStart = SteadyClock::now();
  RunRequest(context, kTableFunction, identRead, sizeof identRead, 0);
  figures.wall += std::chrono::duration<double>(SteadyClock::now() - wallStart).count();
  figures.cpu += ProcessCpuSeconds() - cpuStart;
  figures.noAnswer = figures.noAnswer && context.resultCode == kResultNoAnswer;
  farEnd.join();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int exchanges = argc > 1 ? std::atoi(argv[1]) : 3;
  std::printf("first-byte wait %u ms, %d exchanges per speed\n", kFirstByteWaitMs, exchanges);
  bool allNoAnswer = true;
  for (int32_t speed : {1200, 115200}) {
    Figures figures;
    for (int i = 0; i < exchanges; ++i) {
      if (!ExchangeWithAVanishingPeer(speed, figures)) {
        std::fprintf(stderr, "cannot open a pseudo-terminal\n");
        return 1;
      }
    }
    allNoAnswer = allNoAnswer && figures.noAnswer;
    std::printf("%6d bit/s: processor time %.3f s of %.2f s wall = %.1f %% (target: <= 5 %%), %s\n",
                speed, figures.cpu, figures.wall, 100.0 * figures.cpu / figures.wall,
                figures.noAnswer ? "result code 10 every time" : "OTHER RESULT CODES");
  }
  return allNoAnswer ? 0 : 1;
}
