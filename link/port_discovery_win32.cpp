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

// "COM5" -> 5, anything else -> 0.
int PortOfName(const std::wstring& name) {
  if (name.size() < 4 || name.size() > 10 || _wcsnicmp(name.c_str(), L"COM", 3) != 0) return 0;
  int number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return 0;
    number = number * 10 + (name[i] - L'0');
  }
  return number;
}

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
    const int number = PortOfName(RegistryText(key, L"PortName"));
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

std::vector<PortInfo> SystemComPorts(int count) {
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

}  // namespace detail

}  // namespace vkt53

#endif  // _WIN32
