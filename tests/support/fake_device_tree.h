// A /dev and sysfs of a test's own, laid out as Linux lays them out: device
// nodes, /dev/serial/by-id links, /sys/class/tty/<name>/device links into
// /sys/devices, and the USB device's attribute files.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "link/port_discovery.h"

namespace vkt53 {

struct FakeUsbAdapter {
  std::string kernelName = "ttyUSB0";
  std::string byIdName;  // "" for none
  std::string idVendor = "0403";
  std::string idProduct = "6001";
  std::string manufacturer = "FTDI";
  std::string product = "FT232R USB UART";
  std::string serial = "A50285BI";
  bool acm = false;  // a CDC ACM device: the tty sits on the interface itself
};

class FakeDeviceTree {
 public:
  explicit FakeDeviceTree(DeviceRoots roots) : roots_(std::move(roots)) {
    std::filesystem::create_directories(roots_.dev);
    std::filesystem::create_directories(roots_.sys + "/class/tty");
  }

  const DeviceRoots& roots() const { return roots_; }
  std::string Node(const std::string& kernelName) const { return roots_.dev + "/" + kernelName; }

  // The device node as a plain file, or as a link to a real terminal (a
  // pseudo-terminal that plays the device).
  void AddNode(const std::string& kernelName, const std::string& realTerminal = "") const {
    const std::string node = Node(kernelName);
    std::filesystem::remove(node);
    if (realTerminal.empty()) {
      std::ofstream(node).put('\0');
    } else {
      std::filesystem::create_symlink(realTerminal, node);
    }
  }

  // The adapter on USB port 1-<busPort>; `realTerminal` as for AddNode.
  void AddUsb(const FakeUsbAdapter& adapter, int busPort,
              const std::string& realTerminal = "") const {
    const std::string usb =
        roots_.sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(busPort);
    const std::string interface = usb + "/1-" + std::to_string(busPort) + ":1.0";
    const std::string device = adapter.acm ? interface : interface + "/" + adapter.kernelName;
    std::filesystem::create_directories(device);
    Attribute(usb, "idVendor", adapter.idVendor);
    Attribute(usb, "idProduct", adapter.idProduct);
    Attribute(usb, "manufacturer", adapter.manufacturer);
    Attribute(usb, "product", adapter.product);
    Attribute(usb, "serial", adapter.serial);
    AddTty(adapter.kernelName, device);
    AddNode(adapter.kernelName, realTerminal);
    if (!adapter.byIdName.empty()) AddById(adapter.byIdName, adapter.kernelName);
  }

  // A /dev/serial/by-id link to ../../<kernelName>, as udev makes it.
  void AddById(const std::string& name, const std::string& kernelName) const {
    std::filesystem::create_directories(roots_.dev + "/serial/by-id");
    std::filesystem::create_symlink("../../" + kernelName, roots_.dev + "/serial/by-id/" + name);
  }

  // An on-board port of the 8250 driver; uartType 0 is its placeholder for
  // a UART that is not there.
  void AddOnBoard(const std::string& kernelName, int uartType, bool console = false) const {
    const std::string device = roots_.sys +
                               "/devices/platform/serial8250/serial8250:0/serial8250:0." +
                               kernelName.substr(4);
    std::filesystem::create_directories(device);
    AddTty(kernelName, device);
    Attribute(roots_.sys + "/class/tty/" + kernelName, "type", std::to_string(uartType));
    Attribute(roots_.sys + "/class/tty/" + kernelName, "console", console ? "Y" : "N");
    AddNode(kernelName);
  }

  // A terminal without a device behind it (tty0, console).
  void AddVirtual(const std::string& kernelName) const {
    std::filesystem::create_directories(roots_.sys + "/class/tty/" + kernelName);
    AddNode(kernelName);
  }

  // The adapter pulled out: its node, link and sysfs entry go.
  void Remove(const std::string& kernelName) const {
    std::filesystem::remove(Node(kernelName));
    std::filesystem::remove_all(roots_.sys + "/class/tty/" + kernelName);
    std::error_code error;
    for (const auto& link :
         std::filesystem::directory_iterator(roots_.dev + "/serial/by-id", error)) {
      if (std::filesystem::read_symlink(link.path()).filename() == kernelName)
        std::filesystem::remove(link.path());
    }
  }

 private:
  static void Attribute(const std::string& folder, const std::string& name,
                        const std::string& value) {
    if (value.empty()) return;
    std::ofstream(folder + "/" + name) << value << "\n";
  }

  // /sys/class/tty/<name> with its device link, relative as sysfs has it.
  void AddTty(const std::string& kernelName, const std::string& device) const {
    const std::string tty = roots_.sys + "/class/tty/" + kernelName;
    std::filesystem::create_directories(tty);
    std::filesystem::create_directory_symlink(std::filesystem::relative(device, tty),
                                              tty + "/device");
  }

  DeviceRoots roots_;
};

}  // namespace vkt53
