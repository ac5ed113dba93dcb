// Which device each COM port stands for, and what it is. On Linux the lines
// of INI/comports come first; a port they do not name takes the next serial
// device found in /dev/serial/by-id and sysfs (USB adapters by their by-id
// names, then on-board ports with a real UART). On Windows COMn is the
// system's own port, described by its friendly name. On both, a line of
// INI/comports may map any COMn to a port on a device server (its URL).
// The connection dialog shows this and opens what it showed; `vkt53-cli
// ports` prints the same.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "link/rts_mode.h"

namespace vkt53 {

// Where device files and sysfs are looked for. Tests give a tree of their own.
struct DeviceRoots {
  std::string dev = "/dev";
  std::string sys = "/sys";
};

// The roots every lookup without its own uses (the real ones unless set).
// An empty field goes back to the real folder.
void SetDeviceRoots(const DeviceRoots& roots);
DeviceRoots CurrentDeviceRoots();

#ifndef _WIN32
// What Linux finds for itself (port_discovery_linux.cpp); Windows names its
// ports and knows what they are.

enum class DeviceKind { Usb, OnBoard };

// A serial device found on this machine.
struct FoundDevice {
  DeviceKind kind = DeviceKind::Usb;
  std::string kernelName;   // ttyUSB0
  std::string devicePath;   // <dev>/ttyUSB0: what is opened
  std::string byIdName;     // usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0, or ""
  std::string description;  // "FTDI FT232R USB UART (0403:6001), № A50285BI"
};

// The devices a port not named in INI/comports may take, in the order they
// are taken: USB adapters with a /dev/serial/by-id link by that name, USB
// adapters without one by kernel name, then on-board ports whose UART is
// there (sysfs type not 0; the 8250 driver's placeholders for absent UARTs
// have 0), by number. Only devices whose node exists under <dev> count; a
// port that is the kernel's console is left out.
std::vector<FoundDevice> FindSerialDevices(const DeviceRoots& roots);
#endif

struct PortInfo {
  int number = 0;                     // n of COMn
  std::string devicePath;             // what opening COMn opens; "" when it maps to nothing
  std::string description;            // adapter, on-board port, pseudo-terminal; "" when unknown
  bool listedInComportsFile = false;  // a line of INI/comports names the device
  bool present = false;               // the device exists
  RtsMode rts = RtsMode::Normal;      // as the port's line of INI/comports names it
  std::string entryProblem;           // what is wrong with that line; "" when nothing
};

// A line of INI/comports after "COMn=": the device (a path, a device
// server's URL, or nothing for the port the system has), then options, for
// now only the RTS mode: "/dev/ttyUSB0 rts=inverted", "rts=off". A mode not
// known leaves the mode normal and says so in `problem`; such a port is not
// opened until the line is mended.
struct PortEntry {
  std::string device;
  RtsMode rts = RtsMode::Normal;
  std::string problem;
};
PortEntry ParsePortEntry(const std::string& value);

// COM1 .. COMcount as they map now: INI/comports and the devices read afresh.
// A number's mapping does not depend on count.
std::vector<PortInfo> DiscoverPorts(int count, const DeviceRoots& roots);
std::vector<PortInfo> DiscoverPorts(int count);  // the current roots
PortInfo DiscoverPort(int number);

// COM1 .. COM8 are always offered. The settings file keeps the port's
// number in a byte, so none above 255 can be chosen.
inline constexpr int kAlwaysOfferedPorts = 8;
inline constexpr int kHighestPortNumber = 255;

// n of "COMn" (any letter case) for n in 1 .. kHighestPortNumber, else 0:
// the keys of INI/comports, the port a person names, the system's own names.
int ComPortNumber(const std::string& name);

// The ports to choose from, by number, read afresh: COM1 .. COM8, then
// every higher port that is there now (Windows: the system has it; Linux: a
// line of INI/comports names it or a device found falls to it), and the
// port `chosen` whatever it maps to, so that a choice never drops out of
// the list under the user.
std::vector<PortInfo> OfferedPorts(int chosen = 0);

// The text shown beside COMn, for instance
// "/dev/ttyUSB0 — FTDI FT232R USB UART (0403:6001), № A50285BI" or "нет устройства",
// with ", rts=inverted" or ", rts=off" after it when the port's line names
// that mode, and the line's problem when it has one.
std::string PortShownText(const PortInfo& port);

// Why an existing device cannot be opened, when the reason is permission:
// lines naming the group the user is missing and the command that fixes it.
// "" when permission is not what stops it (and always on Windows).
std::string PortPermissionReason(const std::string& devicePath);

#ifndef _WIN32
// What the permission reason is decided from.
struct AccessFacts {
  bool denied = false;  // opening for reading and writing fails with EACCES or EPERM
  std::string devicePath;
  std::string userName;
  std::string groupName;           // the device's group
  bool groupMayReadWrite = false;  // the device's mode lets its group read and write
  bool processInGroup = false;     // this program runs with the group
  bool userListedInGroup = false;  // the group database lists the user (a later login has it)
};
AccessFacts GatherAccessFacts(const std::string& devicePath);
std::string PermissionReasonText(const AccessFacts& facts);
#endif

namespace detail {

// What each system does itself, one file per system
// (port_discovery_linux.cpp, port_discovery_win32.cpp); port_discovery.cpp
// holds what both share: INI/comports, the ports on device servers and the
// ports offered.

inline constexpr char kNoDevice[] = "нет устройства";
inline constexpr char kDash[] = " — ";

// COM1 .. COMcount as the system maps them. `listed` holds the lines of
// INI/comports by port number; the ports on device servers among them are
// laid over the result afterwards.
std::vector<PortInfo> SystemPorts(int count, const std::map<int, std::string>& listed,
                                  const DeviceRoots& roots);

// The text shown beside a port that is not on a device server.
std::string SystemPortShownText(const PortInfo& port);

}  // namespace detail

}  // namespace vkt53
