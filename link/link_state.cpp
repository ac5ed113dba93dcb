#include "link/link_state.h"

#include "link/port_operations.h"

namespace vkt53 {

bool LinkState::Open(const std::string& device, RtsMode rts) {
  context.rtsMode = rts;
  Attach(OpenLinkPort(device, rts));
  return IsOpen();
}

void LinkState::Attach(PortHandle port) { LoadExchangeParameters(context, settings, port); }

void LinkState::ApplySettings() { LoadExchangeParameters(context, settings, context.port); }

void LinkState::Close() {
  if (context.port) context.port->Close();
  context.port.reset();
}

}  // namespace vkt53
