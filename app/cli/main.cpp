// vkt53-cli: the jobs of the service program from a terminal.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>

#include "app/cli/windows_console.h"
#include "support/wide_text.h"
#include "support/windows_api.h"
// After <windows.h>, which it needs.
#include <shellapi.h>
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

// The arguments after the program's name, in UTF-8. Windows keeps them in
// UTF-16; the narrow ones come in the machine's ANSI code page, in which a
// file name of another alphabet is lost and the rest is not UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc, (void)argv;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(vkt53::Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  const vkt53::ConsoleText consoleText;  // Russian in a console window
#endif
  vkt53::CatchStopSignals();
  const vkt53::CliStreams streams{std::cout, std::cerr, ErrorOutputIsTerminal()};
  return vkt53::RunCli(Arguments(argc, argv), streams);
}
