// The program-wide state, created with the main window and released when it
// closes: the link to the device, the configuration as last read and the
// paths beside the program.
#pragma once

#include <optional>
#include <string>

#include "app/config_report.h"
#include "config/config_record.h"
#include "link/link_state.h"

namespace vkt53 {

struct ProgramState {
  LinkState link;
  ConfigRecord record;
  bool supportedDevice = false;

  std::string configFolder;    // "%sCONFIG"
  std::string settingsFolder;  // "%sINI"
  std::string settingsPath;    // vkt53.ini in the settings folder
  std::string configFilePath;  // the configuration file last opened or saved; empty at start
  // The whole configuration as last read from the device in this run, for
  // the configuration report; forgotten once a write leaves the device
  // holding something else that was not read back.
  std::optional<ReportedConfiguration> deviceReading;
};

}  // namespace vkt53
