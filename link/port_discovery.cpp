#include "link/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <optional>

#include "config/working_folders.h"
#include "link/network_port.h"
#include "support/file_io.h"
#include "support/key_value.h"
#include "support/program_folder.h"

namespace vkt53 {

namespace {

DeviceRoots& Roots() {
  static DeviceRoots roots;
  return roots;
}

constexpr char kRtsOption[] = "rts=";

// INI/comports: "COMn=/dev/..." or "COMn=rfc2217://HOST:PORT" a line, the
// first line for a port wins.
std::map<int, PortEntry> ReadPortEntries() {
  std::map<int, PortEntry> ports;
  const std::string path = IniFolderPath(WorkingFolder()) + PathSeparator() + "comports";
  std::ifstream file(PathFromUtf8(path));
  for (std::string line; std::getline(file, line);) {
    const KeyValueLine entry = ParseKeyValueLine(line);
    if (entry.kind != KeyValueKind::Entry || entry.value.empty()) continue;
    const int number = ComPortNumber(entry.key);
    if (number > 0) ports.emplace(number, ParsePortEntry(entry.value));
  }
  return ports;
}

// The devices the lines name, for the system's own mapping.
std::map<int, std::string> ListedDevices(const std::map<int, PortEntry>& entries) {
  std::map<int, std::string> devices;
  for (const auto& [number, entry] : entries) {
    if (!entry.device.empty()) devices.emplace(number, entry.device);
  }
  return devices;
}

std::string RtsModeText(const PortInfo& port) {
  if (!port.entryProblem.empty()) return ", " + port.entryProblem;
  if (port.rts == RtsMode::Normal) return {};
  return std::string(", ") + kRtsOption + RtsModeWord(port.rts);
}

// "сервер портов (RFC 2217)": what a network port's URL names.
std::string NetworkPortDescription(const std::string& name) {
  const std::optional<NetworkAddress> address = ParseNetworkPortName(name);
  if (!address) return "неверный адрес сервера портов";
  return address->kind == NetworkPortKind::Rfc2217 ? "сервер портов (RFC 2217)"
                                                   : "сервер портов (TCP)";
}

// A port a line of INI/comports maps to a device server. Whether the server
// is there is known only by connecting, so the port is always offered.
PortInfo NetworkPort(int number, const std::string& name) {
  PortInfo port;
  port.number = number;
  port.devicePath = name;
  port.description = NetworkPortDescription(name);
  port.listedInComportsFile = true;
  port.present = true;
  return port;
}

}  // namespace

PortEntry ParsePortEntry(const std::string& value) {
  PortEntry entry;
  std::string rest = value;
  // Options are the words at the end of the line that start with "rts=";
  // npos + 1 is 0, for a line of blanks and for its first word.
  for (;;) {
    rest.erase(rest.find_last_not_of(" \t") + 1);
    const std::size_t start = rest.find_last_of(" \t") + 1;
    const std::string word = rest.substr(start);
    if (!word.starts_with(kRtsOption)) break;
    if (const std::optional<RtsMode> mode = RtsModeOfWord(word.substr(sizeof kRtsOption - 1))) {
      entry.rts = *mode;
    } else {
      entry.problem = "в INI/comports неизвестный режим «" + word + "» (rts=normal, inverted или off)";
    }
    rest.erase(start);
  }
  entry.device = rest;
  return entry;
}

int ComPortNumber(const std::string& name) {
  if (name.size() < 4) return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  }
  int number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    number = number * 10 + (name[i] - '0');
    if (number > kHighestPortNumber) return 0;
  }
  return number;
}

void SetDeviceRoots(const DeviceRoots& roots) {
  Roots().dev = roots.dev.empty() ? "/dev" : roots.dev;
  Roots().sys = roots.sys.empty() ? "/sys" : roots.sys;
}

DeviceRoots CurrentDeviceRoots() { return Roots(); }

// A line of INI/comports may map any port to a device server, on either system.
std::vector<PortInfo> DiscoverPorts(int count, const DeviceRoots& roots) {
  const std::map<int, PortEntry> entries = ReadPortEntries();
  std::vector<PortInfo> ports = detail::SystemPorts(count, ListedDevices(entries), roots);
  for (const auto& [number, entry] : entries) {
    if (number > count) continue;
    PortInfo& port = ports[static_cast<std::size_t>(number - 1)];
    if (IsNetworkPortName(entry.device)) port = NetworkPort(number, entry.device);
    port.rts = entry.rts;
    port.entryProblem = entry.problem;
  }
  return ports;
}

std::vector<PortInfo> DiscoverPorts(int count) {
  return DiscoverPorts(count, CurrentDeviceRoots());
}

PortInfo DiscoverPort(int number) {
  if (number < 1) return {};
  return DiscoverPorts(number).back();
}

// A port above COM8 is there when it has a device, or a line of
// INI/comports names one that may come back.
std::vector<PortInfo> OfferedPorts(int chosen) {
  std::vector<PortInfo> ports = DiscoverPorts(kHighestPortNumber);
  std::erase_if(ports, [chosen](const PortInfo& port) {
    return port.number > kAlwaysOfferedPorts && port.number != chosen && !port.present &&
           !port.listedInComportsFile;
  });
  return ports;
}

std::string PortShownText(const PortInfo& port) {
  if (IsNetworkPortName(port.devicePath))
    return port.devicePath + detail::kDash + port.description + " (INI/comports)" +
           RtsModeText(port);
  return detail::SystemPortShownText(port) + RtsModeText(port);
}

}  // namespace vkt53
