// The link to a device the way the program holds it, for the tests that
// talk to one: the port opened as the connection dialog opens it (1200
// bit/s, 8N1, DTR and RTS on; the exchange sets its own speed), the link
// settings, the exchange context loaded from them, and a status line and a
// retry question that record what a user would see.
#pragma once

#include <cstdint>
#include <string>

#include "link/conffun.h"
#include "link/port_operations.h"
#include "tests/support/recording_ui.h"

namespace vkt53 {

class TestLink {
 public:
  // The device on the terminal at `path`.
  TestLink(const std::string& path, int32_t speed, int32_t firstByteWaitSec = 1) {
    Attach(OpenLinkPort(path), speed, firstByteWaitSec);
  }
  // The device on COM<portNumber>, found as the program finds it.
  TestLink(int portNumber, int32_t speed, int32_t firstByteWaitSec = 1) {
    settings.portNumber = static_cast<uint8_t>(portNumber);
    Attach(OpenLinkPort(PortDeviceName(portNumber)), speed, firstByteWaitSec);
  }
  // The device behind a port opened already (a scripted one).
  TestLink(PortHandle opened, int32_t speed, int32_t firstByteWaitSec = 1) {
    Attach(std::move(opened), speed, firstByteWaitSec);
  }
  ~TestLink() {
    if (port) port->Close();
  }
  TestLink(const TestLink&) = delete;
  TestLink& operator=(const TestLink&) = delete;

  LinkSettings settings;
  ExchangeContext context;
  RecordingUi ui;
  LinkSession session{context, settings, ui};
  PortHandle port;  // null when it did not open

 private:
  void Attach(PortHandle opened, int32_t speed, int32_t firstByteWaitSec) {
    port = std::move(opened);
    settings.exchangeSpeed = speed;
    settings.firstByteWaitSec = firstByteWaitSec;
    LoadExchangeParameters(context, settings, port);
  }
};

// The identification read (table 0, fields 0..16) as one exchange on the
// context's link, its answer left in the context: the plainest request a
// device answers.
inline bool RequestIdentification(ExchangeContext& context) {
  const uint8_t request[] = {0, 0, kIdentificationSize, 0, 0, 0};
  return RunRequest(context, kTableFunction, request, sizeof request, 0);
}

}  // namespace vkt53
