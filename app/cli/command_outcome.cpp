#include "app/cli/command_outcome.h"

namespace vkt53 {

void PrintOutcome(const CommandLine& line, const Outcome& outcome, const CliStreams& streams) {
  if (line.json) {
    JsonValue data = outcome.data;
    JsonValue messages = JsonValue::Array();
    for (const std::string& text : outcome.messages) messages.Push(text);
    data.Set("exit", outcome.exit).Set("messages", std::move(messages));
    streams.out << data.Text() << '\n';
  } else {
    for (const std::string& text : outcome.lines) streams.out << text << '\n';
    for (const std::string& text : outcome.messages) streams.err << text << '\n';
  }
  streams.out.flush();
}

void PrintUsageError(const std::string& text, CliCommand command, bool json,
                     const CliStreams& streams) {
  if (json) {
    JsonValue messages = JsonValue::Array();
    messages.Push(text);
    JsonValue data = JsonValue::Object();
    data.Set("command", CommandName(command))
        .Set("exit", kExitUsage)
        .Set("messages", std::move(messages));
    streams.out << data.Text() << '\n';
    return;
  }
  const std::string about =
      command == CliCommand::None ? "" : std::string(" ") + CommandName(command);
  streams.err << "vkt53-cli: " << text << '\n' << "Справка: vkt53-cli" << about << " --help\n";
}

}  // namespace vkt53
