// The program's link to its device: the link settings the connection dialog
// stores and the settings file keeps, and the exchange context that runs on
// the port while one is open. The context holds the port; nothing else does.
#pragma once

#include <string>

#include "link/conffun.h"
#include "link/link_settings.h"
#include "link/plcbox.h"

namespace vkt53 {

class LinkState {
 public:
  LinkState() = default;
  LinkState(const LinkState&) = delete;
  LinkState& operator=(const LinkState&) = delete;

  // Opens the device as the link always opens its port (OpenLinkPort) and
  // loads the settings into the exchange. False when it did not open; the
  // link then has no port.
  // RTS switches the line's direction as `rts` says.
  bool Open(const std::string& device, RtsMode rts = RtsMode::Normal);
  // The same with a port opened otherwise; a null port is none.
  void Attach(PortHandle port);
  // Loads the settings into the exchange again after they changed with the
  // port open (the speed search found a speed).
  void ApplySettings();
  // Closes the port if one is open; the exchanges then fail as on a closed
  // port, sending nothing.
  void Close();

  bool IsOpen() const { return context.port != nullptr; }
  const PortHandle& port() const { return context.port; }

  // The table service on this link, showing what it does through ui.
  LinkSession Session(ServiceUi& ui) { return {context, settings, ui}; }

  LinkSettings settings;
  ExchangeContext context;
};

}  // namespace vkt53
