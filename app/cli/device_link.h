// The link of a vkt53-cli command: the ports it may name, the port and the
// link settings chosen from the command line over the settings file, and the
// link to the device set up as "Связаться" sets it up.
#pragma once

#include <string>

#include "app/cli/command_line.h"
#include "app/cli/command_outcome.h"
#include "app/cli/json_value.h"
#include "app/cli/terminal_ui.h"
#include "config/config_record.h"
#include "link/conffun.h"
#include "link/link_settings.h"
#include "link/link_state.h"

namespace vkt53 {

// "ports": the ports the connection dialog offers, as it shows them, read
// afresh.
void Ports(Outcome& outcome);

struct LinkChoice {
  std::string device;    // what is opened
  std::string portName;  // what the person named: "COM3" or the path
  RtsMode rts = RtsMode::Normal;
  std::string portProblem;  // why the port's line of INI/comports cannot be used
  LinkSettings settings;
};

// The link settings from the settings file with the command line's values
// laid over them, checked as the connection dialog checks them. An error
// text when they cannot be used.
std::string ChooseLink(const CommandLine& line, const LinkSettings& stored, LinkChoice& choice);

// The program's link to one device. Each step reports its failure into the
// outcome and returns false.
class DeviceLink {
 public:
  DeviceLink(const LinkChoice& choice, TerminalUi& ui);

  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  bool Open(Outcome& outcome);
  // The speed search of the connection dialog; the link then runs with the
  // settings' own waits and attempts at the speed found.
  bool SearchSpeed(Outcome& outcome);
  // As at start-up: DTR and the pause, the identification, the model and
  // software version checks.
  bool Identify(Outcome& outcome);
  // The whole configuration into the record, as before the online editor
  // opens.
  bool ReadWhole(Outcome& outcome);

  const LinkChoice& choice() const { return choice_; }
  const LinkSettings& settings() const { return link_.settings; }
  const ExchangeContext& context() const { return link_.context; }
  void Observe(ExchangeObserver* observer) { link_.context.observer = observer; }
  // The identification and the configuration as read.
  ConfigRecord& record() { return record_; }
  TerminalUi& ui() { return ui_; }
  LinkSession& session() { return session_; }

 private:
  LinkChoice choice_;
  TerminalUi& ui_;
  LinkState link_;
  ConfigRecord record_;
  LinkSession session_ = link_.Session(ui_);
};

// The port as named and the device opened, for --json.
JsonValue LinkJson(const DeviceLink& link);

}  // namespace vkt53
