// vkt53-emu: a vkt53-sx device on a pseudo-terminal, for the tool's tests,
// benchmarks and for trying the tool without a device.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "emulator/device_state.h"
#include "emulator/emulator.h"
#include "emulator/exchange_log.h"
#include "emulator/options.h"
#include "emulator/pty.h"
#include "emulator/state_file.h"
#include "emulator/terminal_link.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kRunError = 1;

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// The stop signals are blocked except while the emulator waits, so one that
// comes while it works is seen at the next wait instead of being missed.
sigset_t BlockStopSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
    sigaddset(&stopSignals, signal);
  }
  std::signal(SIGPIPE, SIG_IGN);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigdelset(&waitMask, signal);
  return waitMask;
}

int Fail(int code, const std::string& text) {
  std::fprintf(stderr, "vkt53-emu: %s\n", text.c_str());
  return code;
}

bool LoadState(const emu::Options& options, emu::DeviceState& state, std::string* error) {
  state = emu::DefaultDeviceState();
  if (!options.statePath.empty() && FileExists(options.statePath) &&
      !emu::LoadStateFile(options.statePath, state, error)) {
    return false;
  }
  emu::ApplyOptions(options, state);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  emu::Options options;
  std::string error;
  if (!emu::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    return Fail(kUsageError, error + " (see --help)");
  }
  if (options.help) {
    std::fputs(emu::HelpText().c_str(), stdout);
    return 0;
  }
  // Refused now rather than found at the first save, with the writes lost.
  if (!options.statePath.empty() && !emu::CheckStatePath(options.statePath, &error)) {
    return Fail(kUsageError, "--state " + error);
  }
  emu::DeviceState state;
  if (!LoadState(options, state, &error)) return Fail(kUsageError, error);

  const sigset_t waitMask = BlockStopSignals();
  emu::PseudoTerminal terminal;
  if (!terminal.Open(emu::MasterBitRate(state), &error)) return Fail(kRunError, error);
  if (!options.linkPath.empty() &&
      !emu::CreateTerminalLink(options.linkPath, terminal.path(), &error)) {
    return Fail(kRunError, error);
  }
  std::printf("%s\n", terminal.path().c_str());
  std::fflush(stdout);

  emu::ExchangeLog log(stderr, options.log);
  emu::EmulatorSettings settings{options.wireDelay, options.turnaround, options.statePath,
                                 options.faults};
  emu::Emulator emulator(terminal, state, settings, log);
  const bool ran = emulator.Run(stopRequested, waitMask);
  emulator.SaveState();
  if (!options.linkPath.empty()) emu::RemoveTerminalLink(options.linkPath, terminal.path());
  return ran ? 0 : Fail(kRunError, "the terminal failed");
}
