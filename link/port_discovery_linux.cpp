// Which device each COM port stands for on Linux: the lines of INI/comports,
// then the serial devices found in /dev/serial/by-id and sysfs; and why a
// device that is there cannot be opened.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>

#include "link/port_discovery.h"
#include "support/key_value.h"

namespace vkt53 {

namespace {

namespace fs = std::filesystem;

// The first line of a small attribute file, trimmed; "" when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return TrimSpace(line);
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

// "ttyS10" sorts after "ttyS9": the name's letters, then its number.
std::tuple<std::string, long, std::string> KernelOrder(const std::string& name) {
  std::size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
  const std::string number = name.substr(digits);
  if (number.empty() || number.size() > 9) return {name, -1, name};
  return {name.substr(0, digits), std::stol(number), name};
}

// The USB device (the folder with idVendor) a tty's device folder belongs to:
// the interface's parent for ttyACM, one more up for a usb-serial port.
std::optional<fs::path> UsbDeviceOf(const fs::path& device, const fs::path& sysRoot) {
  fs::path folder = device;
  for (int up = 0; up < 5 && folder.has_relative_path() && folder != sysRoot; ++up) {
    if (Exists(folder / "idVendor")) return folder;
    folder = folder.parent_path();
  }
  return std::nullopt;
}

// "FTDI FT232R USB UART (0403:6001), № A50285BI".
std::string UsbDescription(const fs::path& usb) {
  const std::string manufacturer = ReadAttribute(usb / "manufacturer");
  const std::string product = ReadAttribute(usb / "product");
  std::string text = manufacturer;
  if (!product.empty()) {
    // Many adapters repeat the maker in the product string.
    if (!manufacturer.empty() && product.rfind(manufacturer, 0) == 0) {
      text = product;
    } else {
      text += (text.empty() ? "" : " ") + product;
    }
  }
  if (text.empty()) text = "USB-адаптер";
  const std::string vendor = ReadAttribute(usb / "idVendor");
  const std::string productId = ReadAttribute(usb / "idProduct");
  if (!vendor.empty() && !productId.empty()) text += " (" + vendor + ":" + productId + ")";
  const std::string serial = ReadAttribute(usb / "serial");
  if (!serial.empty()) text += ", № " + serial;
  return text;
}

// The serial_core type numbers of the common UARTs; 0 is "no UART".
std::string UartName(int type) {
  static const std::map<int, std::string> names = {
      {1, "8250"},   {2, "16450"},   {3, "16550"},  {4, "16550A"},  {5, "Cirrus"},
      {6, "16650"},  {7, "16650V2"}, {8, "16750"},  {10, "16C950"}, {11, "16654"},
      {12, "16850"}, {13, "RSA"},    {32, "PL011"},
  };
  const auto found = names.find(type);
  return found == names.end() ? std::string() : found->second;
}

int UartType(const fs::path& tty) {
  const std::string text = ReadAttribute(tty / "type");
  if (text.empty() || text.size() > 6 ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return 0;
  }
  return std::stoi(text);
}

std::string OnBoardDescription(int uartType) {
  const std::string uart = UartName(uartType);
  return uart.empty() ? "последовательный порт ПК" : "последовательный порт ПК (UART " + uart + ")";
}

// The path with every link resolved, or the path itself when it cannot be resolved.
std::string Resolved(const std::string& path) {
  std::error_code error;
  const fs::path resolved = fs::canonical(path, error);
  return error ? path : resolved.string();
}

bool IsPseudoTerminal(const std::string& resolvedPath, const DeviceRoots& roots) {
  for (const std::string& pts : {std::string("/dev/pts/"), roots.dev + "/pts/"}) {
    if (resolvedPath.rfind(pts, 0) == 0) return true;
  }
  return false;
}

// The port a line of INI/comports names, with what is known of its device.
PortInfo ListedPort(int number, const std::string& path, const std::vector<FoundDevice>& found,
                    const std::vector<std::string>& foundResolved, const DeviceRoots& roots) {
  PortInfo port;
  port.number = number;
  port.devicePath = path;
  port.listedInComportsFile = true;
  port.present = Exists(path);
  if (!port.present) return port;
  const std::string resolved = Resolved(path);
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (foundResolved[i] == resolved) port.description = found[i].description;
  }
  if (port.description.empty() && IsPseudoTerminal(resolved, roots))
    port.description = "псевдотерминал";
  return port;
}

}  // namespace

namespace detail {

// A device a line names is opened as named; the ports no line names take
// the devices found, in their order.
std::vector<PortInfo> SystemPorts(int count, const std::map<int, std::string>& listed,
                                  const DeviceRoots& roots) {
  const std::vector<FoundDevice> found = FindSerialDevices(roots);
  std::vector<std::string> foundResolved;
  for (const FoundDevice& device : found) foundResolved.push_back(Resolved(device.devicePath));

  // A device a line names, under any number, is not given to a second port.
  std::vector<bool> taken(found.size(), false);
  for (const auto& [number, path] : listed) {
    const std::string resolved = Resolved(path);
    for (std::size_t i = 0; i < found.size(); ++i) {
      if (foundResolved[i] == resolved) taken[i] = true;
    }
  }

  std::vector<PortInfo> ports;
  std::size_t next = 0;
  for (int number = 1; number <= count; ++number) {
    const auto line = listed.find(number);
    if (line != listed.end()) {
      ports.push_back(ListedPort(number, line->second, found, foundResolved, roots));
      continue;
    }
    while (next < found.size() && taken[next]) ++next;
    PortInfo port;
    port.number = number;
    if (next < found.size()) {
      port.devicePath = found[next].devicePath;
      port.description = found[next].description;
      port.present = true;
      ++next;
    }
    ports.push_back(port);
  }
  return ports;
}

std::string SystemPortShownText(const PortInfo& port) {
  if (port.devicePath.empty()) return kNoDevice;
  std::string text = port.devicePath;
  if (!port.present) {
    text += std::string(kDash) + kNoDevice;
  } else if (!port.description.empty()) {
    text += kDash + port.description;
  }
  if (port.listedInComportsFile) text += " (INI/comports)";
  return text;
}

}  // namespace detail

std::vector<FoundDevice> FindSerialDevices(const DeviceRoots& roots) {
  const fs::path dev(roots.dev);
  const fs::path sys(roots.sys);
  std::error_code error;

  // Kernel name -> by-id name (the smallest, should two name one node).
  std::map<std::string, std::string> byId;
  for (fs::directory_iterator it(dev / "serial" / "by-id", error), end; !error && it != end;
       it.increment(error)) {
    const fs::directory_entry& entry = *it;
    std::error_code linkError;
    const fs::path target = fs::read_symlink(entry.path(), linkError);
    if (linkError) continue;
    const std::string kernel = target.filename().string();
    const std::string name = entry.path().filename().string();
    auto [slot, added] = byId.emplace(kernel, name);
    if (!added && name < slot->second) slot->second = name;
  }

  std::map<std::string, FoundDevice> usb;  // by kernel name
  std::vector<std::pair<FoundDevice, int>> onBoard;
  for (fs::directory_iterator it(sys / "class" / "tty", error), end; !error && it != end;
       it.increment(error)) {
    const fs::directory_entry& entry = *it;
    const std::string kernel = entry.path().filename().string();
    if (!Exists(dev / kernel)) continue;
    std::error_code linkError;
    const fs::path device = fs::canonical(entry.path() / "device", linkError);
    if (linkError) continue;  // virtual terminals, pseudo-terminals
    FoundDevice found;
    found.kernelName = kernel;
    found.devicePath = (dev / kernel).string();
    if (const std::optional<fs::path> usbDevice = UsbDeviceOf(device, sys)) {
      found.kind = DeviceKind::Usb;
      found.description = UsbDescription(*usbDevice);
      usb.emplace(kernel, found);
      continue;
    }
    const int type = UartType(entry.path());
    if (type == 0) continue;  // the driver's placeholder: no UART behind it
    if (ReadAttribute(entry.path() / "console") == "Y") continue;
    found.kind = DeviceKind::OnBoard;
    found.description = OnBoardDescription(type);
    onBoard.emplace_back(found, type);
  }

  std::vector<FoundDevice> withId;
  std::vector<FoundDevice> withoutId;
  for (const auto& [kernel, name] : byId) {
    if (!Exists(dev / kernel)) continue;
    FoundDevice found;
    const auto known = usb.find(kernel);
    if (known != usb.end()) {
      found = known->second;
      usb.erase(known);
    } else {  // no sysfs to describe it: the link's name does
      found.kind = DeviceKind::Usb;
      found.kernelName = kernel;
      found.devicePath = (dev / kernel).string();
      found.description = name;
    }
    found.byIdName = name;
    withId.push_back(found);
  }
  for (auto& [kernel, found] : usb) withoutId.push_back(found);

  const auto byName = [](const FoundDevice& a, const FoundDevice& b) {
    return a.byIdName < b.byIdName;
  };
  const auto byKernel = [](const FoundDevice& a, const FoundDevice& b) {
    return KernelOrder(a.kernelName) < KernelOrder(b.kernelName);
  };
  std::sort(withId.begin(), withId.end(), byName);
  std::sort(withoutId.begin(), withoutId.end(), byKernel);
  std::vector<FoundDevice> ports;
  for (auto& [found, type] : onBoard) ports.push_back(found);
  std::sort(ports.begin(), ports.end(), byKernel);
  ports.insert(ports.begin(), withoutId.begin(), withoutId.end());
  ports.insert(ports.begin(), withId.begin(), withId.end());
  return ports;
}

std::string PermissionReasonText(const AccessFacts& facts) {
  if (!facts.denied) return {};
  const std::string head = "Нет прав на чтение и запись " + facts.devicePath;
  const std::string& group = facts.groupName;
  if (group.empty() || group == "root" || !facts.groupMayReadWrite || facts.processInGroup) {
    return head + (group.empty() ? "." : " (группа устройства " + group + ").");
  }
  const std::string user = facts.userName.empty() ? "" : " " + facts.userName;
  if (facts.userListedInGroup) {
    return head + ":\nпользователь" + user + " уже добавлен в группу " + group +
           ",\nно это действует только после нового входа в систему.\nВыйдите и войдите в систему "
           "заново.";
  }
  return head + ":\nпользователь" + user + " не входит в группу " + group +
         ".\nДобавьте его в группу командой\nsudo usermod -aG " + group +
         " $USER\nи войдите в систему заново.";
}

AccessFacts GatherAccessFacts(const std::string& devicePath) {
  AccessFacts facts;
  facts.devicePath = devicePath;
  if (devicePath.empty() || access(devicePath.c_str(), R_OK | W_OK) == 0) return facts;
  if (errno != EACCES && errno != EPERM) return facts;
  facts.denied = true;
  struct stat status {};
  if (stat(devicePath.c_str(), &status) != 0) return facts;
  facts.groupMayReadWrite = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);

  gid_t processGroups[256];
  const int processCount = getgroups(256, processGroups);
  facts.processInGroup = getegid() == status.st_gid ||
                         std::find(processGroups, processGroups + std::max(processCount, 0),
                                   status.st_gid) != processGroups + std::max(processCount, 0);

  if (const group* deviceGroup = getgrgid(status.st_gid)) facts.groupName = deviceGroup->gr_name;
  if (const passwd* user = getpwuid(geteuid())) {
    facts.userName = user->pw_name;
    // What a new login would have: the group database, not this process.
    std::vector<gid_t> userGroups(256);
    int userCount = static_cast<int>(userGroups.size());
    if (getgrouplist(user->pw_name, user->pw_gid, userGroups.data(), &userCount) < 0) {
      userGroups.resize(static_cast<std::size_t>(userCount));
      getgrouplist(user->pw_name, user->pw_gid, userGroups.data(), &userCount);
    }
    userGroups.resize(static_cast<std::size_t>(std::max(userCount, 0)));
    facts.userListedInGroup =
        std::find(userGroups.begin(), userGroups.end(), status.st_gid) != userGroups.end();
  }
  return facts;
}

std::string PortPermissionReason(const std::string& devicePath) {
  return PermissionReasonText(GatherAccessFacts(devicePath));
}

}  // namespace vkt53
