#include "app/cli/stop_signals.h"

#include <atomic>

#ifdef _WIN32
#include "support/windows_api.h"
#else
#include <csignal>
#endif

namespace vkt53 {

namespace {

// A handler may only set a lock-free atomic flag.
std::atomic<bool> stopSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  stopSignalled.store(true);
  return TRUE;
}
#else
void OnStopSignal(int) { stopSignalled.store(true); }
#endif

}  // namespace

void CatchStopSignals() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Calls a signal interrupts are restarted; the port's waits restart
  // themselves (they are interrupted whatever the flag says).
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

bool StopSignalled() { return stopSignalled.load(); }

}  // namespace vkt53
