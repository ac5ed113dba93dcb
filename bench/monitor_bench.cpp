// What the exchange monitor costs the exchange. Runs table reads (table 6,
// fields 0..129: the longest answer the program asks for) against the
// emulator on a pseudo-terminal in three ways, taking turns in rounds so
// that drift hits all three alike: with nothing watching the exchange, with
// the monitor's record taking each frame, and with the record and the
// monitor window open and painting. Between requests pending events run,
// as the table service lets them; that is where the window paints what came
// within its repaint interval. Prints per way the exchange time (median,
// 99th percentile), the processor time, the time spent in the observer
// itself per exchange, and the time the events between requests took.
//
//   monitor_bench [EXCHANGES]   exchanges per way (default 60)
//
// The window needs a display: QT_QPA_PLATFORM=offscreen, or an X server.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <time.h>
#include <vector>

#include "app/ui/exchange_monitor.h"
#include "link/exchange_recorder.h"
#include "link/plcbox.h"
#include "link/port_operations.h"
#include "tests/support/emulator_process.h"

using namespace vkt53;

namespace {

constexpr int32_t kBenchSpeed = 115200;
constexpr int kRound = 10;

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Passes each report on and adds up the time it took.
class TimedObserver final : public ExchangeObserver {
 public:
  explicit TimedObserver(ExchangeObserver& inner) : inner_(inner) {}
  void FrameSent(const SentFrame& sent) override { Time([&] { inner_.FrameSent(sent); }); }
  void AnswerEnded(const AnswerOutcome& answer) override { Time([&] { inner_.AnswerEnded(answer); }); }
  void RequestFailed(const RequestFailure& failure) override { Time([&] { inner_.RequestFailed(failure); }); }
  SteadyClock::duration spent{};

 private:
  template <typename F>
  void Time(F f) {
    const auto start = SteadyClock::now();
    f();
    spent += SteadyClock::now() - start;
  }
  ExchangeObserver& inner_;
};

struct Way {
  const char* name;
  ExchangeObserver* observer;
  TimedObserver* timed;
  std::vector<double> exchangeMs;
  double cpuSeconds = 0;
  double eventsMs = 0;
  int failures = 0;
};

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int exchanges = std::max(argc > 1 ? std::atoi(argv[1]) : 60, kRound);

  EmulatorProcess emulator(VKT53_EMU_PATH, {"--speed", "115200"});
  PortHandle port = OpenLinkPort(emulator.terminalPath());
  if (!port) {
    std::fprintf(stderr, "cannot open %s\n", emulator.terminalPath().c_str());
    return 1;
  }
  ExchangeContext context;
  context.port = port;
  context.exchangeSpeed = kBenchSpeed;
  context.attemptCount = 1;

  ExchangeRecorder recordOnly;
  TimedObserver timedRecord(recordOnly);
  ExchangeRecorder recordShown;
  TimedObserver timedShown(recordShown);
  TFormExchangeMonitor window(recordShown);
  window.Open();
  QApplication::processEvents();

  std::vector<Way> ways = {{"no monitor", nullptr, nullptr, {}},
                           {"record", &timedRecord, &timedRecord, {}},
                           {"record + window", &timedShown, &timedShown, {}}};
  const uint8_t read[] = {6, 0, 130, 0, 0, 0};
  for (int done = 0; done < exchanges; done += kRound) {
    for (Way& way : ways) {
      context.observer = way.observer;
      const double cpuStart = ProcessCpuSeconds();
      for (int i = 0; i < kRound; ++i) {
        const auto start = SteadyClock::now();
        if (!RunRequest(context, kTableFunction, read, sizeof read, 0)) ++way.failures;
        const auto end = SteadyClock::now();
        way.exchangeMs.push_back(Ms(end - start));
        QApplication::processEvents();  // as the table service lets events run between requests
        way.eventsMs += Ms(SteadyClock::now() - end);
      }
      way.cpuSeconds += ProcessCpuSeconds() - cpuStart;
    }
  }

  std::printf("table 6 reads (fields 0..129, 139-byte answers) at %d bit/s, %d per way, platform %s\n",
              kBenchSpeed, static_cast<int>(ways[0].exchangeMs.size()),
              qPrintable(QGuiApplication::platformName()));
  std::printf("%-16s %10s %10s %12s %17s %15s %7s\n", "way", "median ms", "p99 ms", "cpu ms/exch",
              "observer us/exch", "events ms/exch", "failed");
  for (const Way& way : ways) {
    const double n = static_cast<double>(way.exchangeMs.size());
    const double observerUs = way.timed ? Ms(way.timed->spent) * 1000.0 / n : 0.0;
    std::printf("%-16s %10.3f %10.3f %12.3f %17.1f %15.3f %7d\n", way.name, Percentile(way.exchangeMs, 0.5),
                Percentile(way.exchangeMs, 0.99), way.cpuSeconds * 1000.0 / n, observerUs, way.eventsMs / n,
                way.failures);
  }
  std::printf("lines kept: record %zu, record + window %zu\n", recordOnly.Size(), recordShown.Size());
  int failures = 0;
  for (const Way& way : ways) failures += way.failures;
  return failures == 0 ? 0 : 1;
}
