#include "app/cli/cli_commands.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

#include "app/cli/device_commands.h"
#include "app/cli/device_link.h"
#include "app/cli/file_commands.h"
#include "app/cli/report_command.h"
#include "app/cli/terminal_ui.h"
#include "app/settings_file.h"
#include "config/working_folders.h"
#include "link/exchange_recorder.h"
#include "support/file_io.h"
#include "support/program_folder.h"
#include "support/utf8.h"

namespace vkt53 {

namespace {

bool UsesDevice(const CommandLine& line) {
  switch (line.command) {
    case CliCommand::Identify:
    case CliCommand::Read:
    case CliCommand::Write:
    case CliCommand::Restore: return true;
    case CliCommand::Diff:
    case CliCommand::Report: return line.port.has_value();
    case CliCommand::Ports:
    case CliCommand::Show:
    case CliCommand::None: return false;
  }
  return false;
}

// --log: the exchange monitor's lines written as the exchange goes. A log
// that cannot be opened ends the command before it reaches the device.
bool StartLog(const CommandLine& line, ExchangeRecorder& recorder, DeviceLink& link,
              Outcome& outcome) {
  if (!line.log) return true;
  if (const std::string failure = recorder.StartLog(*line.log); !failure.empty()) {
    outcome.Fail(kExitFileError, {failure});
    return false;
  }
  link.Observe(&recorder);
  return true;
}

// A log that stopped on the way leaves the command's result as it is.
void NoteLogFailure(const ExchangeRecorder& recorder, Outcome& outcome) {
  if (recorder.Log() && !recorder.Log()->Writing()) {
    outcome.messages.push_back(recorder.Log()->Failure());
  }
}

}  // namespace

int RunCommand(const CommandLine& line, const CliStreams& streams) {
  Outcome outcome;
  outcome.data.Set("command", CommandName(line.command)).Set("exit", kExitDone);
  TerminalUi ui(streams.err, streams.progressLine);
  ExchangeRecorder recorder(1);  // for the log; the terminal shows no lines
  std::optional<DeviceLink> link;
  if (UsesDevice(line)) {
    const LinkSettings stored = LoadSettings(SettingsFilePath(IniFolderPath(WorkingFolder())));
    LinkChoice choice;
    if (const std::string error = ChooseLink(line, stored, choice); !error.empty()) {
      PrintUsageError(error, line.command, line.json, streams);
      return kExitUsage;
    }
    link.emplace(choice, ui);
    outcome.data.Set("link", LinkJson(*link));
    if (!StartLog(line, recorder, *link, outcome)) {
      PrintOutcome(line, outcome, streams);
      return outcome.exit;
    }
  }
  switch (line.command) {
    case CliCommand::Identify: Identify(line, *link, outcome); break;
    case CliCommand::Read: Read(line, *link, outcome); break;
    case CliCommand::Write: Write(line, *link, ui, outcome); break;
    case CliCommand::Restore: Restore(line, *link, ui, outcome); break;
    case CliCommand::Ports: Ports(outcome); break;
    case CliCommand::Show: Show(line, outcome); break;
    case CliCommand::Diff: Diff(line, link ? &*link : nullptr, outcome); break;
    case CliCommand::Report: Report(line, link ? &*link : nullptr, outcome); break;
    case CliCommand::None: break;
  }
  NoteLogFailure(recorder, outcome);
  ui.EndProgress();
  PrintOutcome(line, outcome, streams);
  return outcome.exit;
}

int RunCaught(const CommandLine& line, const CliStreams& streams,
              const std::function<int()>& command) {
  Outcome outcome;
  outcome.data.Set("command", CommandName(line.command));
  try {
    return command();
  } catch (const std::filesystem::filesystem_error& error) {
    outcome.Fail(kExitFileError, {"Ошибка обращения к файлу"});
    for (const std::filesystem::path& path : {error.path1(), error.path2()}) {
      if (!path.empty()) outcome.messages.push_back(Utf8OfPath(path));
    }
  } catch (const std::exception& error) {
    outcome.Fail(kExitLinkFailure, {"Внутренняя ошибка программы", ValidUtf8(error.what())});
  }
  // A progress line may be drawn: the message starts a line of its own.
  if (streams.progressLine) streams.err << '\n';
  PrintOutcome(line, outcome, streams);
  return outcome.exit;
}

int RunCli(const std::vector<std::string>& args, const CliStreams& streams) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (parsed.line.help) {
    streams.out << HelpText(parsed.line.command) << '\n'
                << WorkingFolderLine(WorkingFolder()) << '\n';
    return kExitDone;
  }
  if (!parsed.error.empty()) {
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    PrintUsageError(parsed.error, parsed.line.command, json, streams);
    return kExitUsage;
  }
  return RunCaught(parsed.line, streams, [&] { return RunCommand(parsed.line, streams); });
}

}  // namespace vkt53
