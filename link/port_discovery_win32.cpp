// The COM ports Windows has: a port is there when the system knows the DOS
// device COMn; what it is comes from the device manager's friendly name
// ("USB Serial Port (COM5)"), or, for a port it does not list (a port that
// wine maps), from the device the name stands for.
#ifdef _WIN32

#include "support/windows_api.h"

#include <setupapi.h>

#include <map>
#include <string>
#include <vector>

#include "link/port_discovery.h"
#include "support/wide_text.h"

namespace vkt53 {

namespace {

// The setup class "Ports (COM & LPT)".
const GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::wstring RegistryText(HKEY key, const wchar_t* value) {
  wchar_t text[256] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return text;
}

// Port number -> friendly name, for the ports the device manager has now.
std::map<int, std::wstring> FriendlyNames() {
  std::map<int, std::wstring> names;
  HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return names;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    const int number = ComPortNumber(Utf8FromWide(RegistryText(key, L"PortName")));
    RegCloseKey(key);
    if (number == 0) continue;
    wchar_t friendly[256] = {};
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(friendly),
                                          sizeof(friendly) - sizeof(wchar_t), nullptr)) {
      names[number] = friendly;
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

}  // namespace

namespace detail {

// Windows has its own names for its ports; INI/comports only adds the
// ports on device servers.
std::vector<PortInfo> SystemPorts(int count, const std::map<int, std::string>&,
                                  const DeviceRoots&) {
  const std::map<int, std::wstring> friendly = FriendlyNames();
  std::vector<PortInfo> ports;
  for (int number = 1; number <= count; ++number) {
    PortInfo port;
    port.number = number;
    port.devicePath = "\\\\.\\COM" + std::to_string(number);
    const std::wstring name = L"COM" + std::to_wstring(number);
    wchar_t target[1024] = {};
    port.present = QueryDosDeviceW(name.c_str(), target, 1023) != 0;
    const auto known = friendly.find(number);
    if (known != friendly.end()) {
      port.present = true;
      port.description = Utf8FromWide(known->second);
    } else if (port.present) {
      port.description = Utf8FromWide(target);
    }
    ports.push_back(port);
  }
  return ports;
}

// Windows names its ports itself: the friendly name says what the port is.
std::string SystemPortShownText(const PortInfo& port) {
  if (!port.present) return kNoDevice;
  return port.description.empty() ? "COM" + std::to_string(port.number) : port.description;
}

}  // namespace detail

// Windows gives no reason beside the port.
std::string PortPermissionReason(const std::string&) { return {}; }

}  // namespace vkt53

#endif  // _WIN32
