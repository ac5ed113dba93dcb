// The program-wide state, created with the main window and released when it
// closes: the link to the device, the configuration as last read, the link
// settings and the paths beside the program.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/config_report.h"
#include "config/config_record.h"
#include "link/link_settings.h"
#include "link/plcbox.h"
#include "link/serial_port.h"

namespace vkt53 {

struct ProgramState {
  std::unique_ptr<ExchangeContext> context = std::make_unique<ExchangeContext>(0);
  ConfigRecord record;
  PortHandle port;  // none while no port is open
  LinkSettings settings;
  bool supportedDevice = false;

  std::string configFolder;    // "%sCONFIG"
  std::string settingsFolder;  // "%sINI"
  std::string settingsPath;    // vkt53.ini in the settings folder
  std::string configFilePath;  // the configuration file last opened or saved; empty at start
  // The whole configuration as last read from the device in this run, for
  // the configuration report; forgotten once a write leaves the device
  // holding something else that was not read back.
  std::optional<ReportedConfiguration> deviceReading;

  // Closes the port if one is open; the context's copy then refers to a
  // closed port, whose exchanges fail.
  void ClosePort() {
    if (port) port->Close();
    port.reset();
  }
};

}  // namespace vkt53
