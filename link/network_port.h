// Ports on serial device servers, named by URL:
//   rfc2217://HOST:PORT  Telnet with the COM-PORT-OPTION: the line's speed,
//                        format and control lines are set through the server;
//   tcp://HOST:PORT      raw bytes: the server's own line settings hold, and
//                        setting them here does nothing and succeeds.
// HOST is a name, an IPv4 address or an IPv6 address in brackets. Either is
// one more SerialPort; the read and write time-outs mean what they mean on a
// local port. The program only connects; it never listens.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "link/serial_port.h"

namespace vkt53 {

enum class NetworkPortKind { Rfc2217, RawTcp };

struct NetworkAddress {
  NetworkPortKind kind = NetworkPortKind::Rfc2217;
  std::string host;  // without the brackets of an IPv6 address
  uint16_t port = 0;
};

// The longest a connection may take to be made, Telnet's option negotiation
// included.
inline constexpr std::chrono::milliseconds kConnectTime{3000};

// A name with a scheme ("…://"), a malformed one included: such a name is
// never a device path.
bool IsNetworkPortName(const std::string& name);

// The address of a well-formed rfc2217:// or tcp:// name (scheme in any
// letter case, port 1..65535, nothing after it).
std::optional<NetworkAddress> ParseNetworkPortName(const std::string& name);

// Connects to the server; the line settings are not touched yet. Null when
// the name is malformed, the server refuses or cannot be reached in
// kConnectTime, or an rfc2217:// server does not take the COM-PORT-OPTION;
// `failure` then says which, in lines to show the user.
PortHandle OpenNetworkPort(const std::string& name, std::string& failure);

// The failure text of a server that took the connection and closed it again
// (ser2net does so when its device is busy or cannot be opened).
std::string ServerClosedText(const std::string& name);

}  // namespace vkt53
