// vkt53-cli: the jobs of the service program from a terminal.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>

#include "config/windows_api.h"
#else
#include <unistd.h>
#endif

#include "app/cli/cli_commands.h"
#include "app/cli/stop_signals.h"

namespace {

bool ErrorOutputIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The texts are UTF-8; the console shows them as such only when told.
  SetConsoleOutputCP(CP_UTF8);
#endif
  vkt53::CatchStopSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const vkt53::CliStreams streams{std::cout, std::cerr, ErrorOutputIsTerminal()};
  return vkt53::RunCli(args, streams);
}
