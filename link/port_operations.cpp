#include "link/port_operations.h"

#include <algorithm>
#include <functional>
#include <mutex>

#include "link/network_port.h"
#include "link/port_discovery.h"

namespace vkt53 {

namespace {

constexpr int32_t kMinSpeed = 110;
constexpr int32_t kMaxSpeed = 256000;
constexpr int kMinDataBits = 4;
constexpr int kMaxDataBits = 8;
constexpr int32_t kMinQueue = 1000;
constexpr int32_t kMaxQueue = 1000000;

constexpr int32_t kLinkOpeningSpeed = 1200;
constexpr int kLinkDataBits = 8;
constexpr int kNoParity = 0;
constexpr int kOneStopBit = 0;
constexpr int32_t kLinkQueueSize = 1000;
constexpr uint8_t kLineControlOn = 1;

bool IsOpen(const PortHandle& port) { return port && port->IsOpen(); }

// The reason a network port last failed to open: only the connection knew it.
struct NetworkFailure {
  std::mutex lock;
  std::string name;
  std::string reason;
};

NetworkFailure& LastNetworkFailure() {
  static NetworkFailure failure;
  return failure;
}

void RememberNetworkFailure(const std::string& name, const std::string& reason) {
  NetworkFailure& last = LastNetworkFailure();
  const std::lock_guard<std::mutex> hold(last.lock);
  last.name = name;
  last.reason = reason;
}

// Every way of opening a port comes here, so that a URL works wherever a
// device path does.
PortHandle OpenDevice(const std::string& deviceName) {
  if (!IsNetworkPortName(deviceName)) return OpenSerialDevice(deviceName);
  std::string reason;
  PortHandle port = OpenNetworkPort(deviceName, reason);
  RememberNetworkFailure(deviceName, reason);
  return port;
}

}  // namespace

// A line of INI/comports may map any port to a device server's URL, on
// either system (port_discovery.h).
//
// Windows: "\\.\COMn", the device namespace, for every number: the plain
// "COMn:" opens only COM1..COM9, and USB adapters often get COM10 and up.
//
// Linux has no COM names: INI/comports and the devices found map them
// (port_discovery.h). A device the user may not open (not in the dialout
// group) simply fails to open; the caller reports the port as unavailable
// and may ask PortPermissionReason why.
std::string PortDeviceName(int portNumber) { return DiscoverPort(portNumber).devicePath; }

int32_t ClampPortSpeed(int32_t speed) { return std::clamp(speed, kMinSpeed, kMaxSpeed); }

int ClampDataBits(int dataBits) { return std::clamp(dataBits, kMinDataBits, kMaxDataBits); }

uint32_t ClampQueueSize(int32_t size) {
  return static_cast<uint32_t>(std::clamp(size, kMinQueue, kMaxQueue));
}

Parity ParityOfCode(int parityCode) {
  switch (parityCode) {
    case 1: return Parity::Even;
    case 2: return Parity::Odd;
    default: return Parity::None;
  }
}

StopBits StopBitsOfCode(int stopBitCode) {
  switch (stopBitCode) {
    case 1: return StopBits::OneAndHalf;
    case 2: return StopBits::Two;
    default: return StopBits::One;
  }
}

LineSettings PortLineSettings(LineSettings current, int32_t speed, int dataBits, int parityCode,
                              int stopBitCode, uint8_t dtr, uint8_t rts) {
  current.baudRate = ClampPortSpeed(speed);
  current.dataBits = ClampDataBits(dataBits);
  current.parity = ParityOfCode(parityCode);
  current.stopBits = StopBitsOfCode(stopBitCode);
  current.dtrControl = dtr == 1;
  current.rtsControl = rts == 1;
  return current;
}

namespace {

// Opens the device and sets it up: the line settings `settingsOf` makes of
// those the system reports, and the queues.
PortHandle OpenConfigured(const std::string& deviceName,
                          const std::function<LineSettings(LineSettings)>& settingsOf,
                          int32_t inputQueue, int32_t outputQueue) {
  PortHandle port = OpenDevice(deviceName);
  if (!port) return nullptr;
  LineSettings settings;
  if (!port->GetLineSettings(settings) || !port->SetLineSettings(settingsOf(settings)) ||
      !port->SetupQueues(ClampQueueSize(inputQueue), ClampQueueSize(outputQueue))) {
    port->Close();
    // A server that took the connection and then closed it: its port is in
    // use by another client, or its device cannot be opened there.
    if (IsNetworkPortName(deviceName))
      RememberNetworkFailure(deviceName, ServerClosedText(deviceName));
    return nullptr;
  }
  return port;
}

}  // namespace

PortHandle OpenPortDevice(const std::string& deviceName, int32_t speed, int dataBits,
                          int parityCode, int stopBitCode, int32_t inputQueue, int32_t outputQueue,
                          uint8_t dtr, uint8_t rts) {
  return OpenConfigured(
      deviceName,
      [&](const LineSettings& current) {
        return PortLineSettings(current, speed, dataBits, parityCode, stopBitCode, dtr, rts);
      },
      inputQueue, outputQueue);
}

PortHandle OpenPort(int portNumber, int32_t speed, int dataBits, int parityCode, int stopBitCode,
                    int32_t inputQueue, int32_t outputQueue, uint8_t dtr, uint8_t rts) {
  return OpenPortDevice(PortDeviceName(portNumber), speed, dataBits, parityCode, stopBitCode,
                        inputQueue, outputQueue, dtr, rts);
}

std::string PortOpenFailureReason(const std::string& deviceName) {
  if (!IsNetworkPortName(deviceName)) return PortPermissionReason(deviceName);
  NetworkFailure& last = LastNetworkFailure();
  const std::lock_guard<std::mutex> hold(last.lock);
  return last.name == deviceName ? last.reason : std::string();
}

PortHandle OpenLinkPort(const std::string& deviceName, RtsMode rts) {
  return OpenConfigured(
      deviceName,
      [rts](const LineSettings& current) {
        LineSettings settings =
            PortLineSettings(current, kLinkOpeningSpeed, kLinkDataBits, kNoParity, kOneStopBit,
                             kLineControlOn, kLineControlOn);
        settings.rtsLeftAlone = rts == RtsMode::Off;
        return settings;
      },
      kLinkQueueSize, kLinkQueueSize);
}

double CharacterBits(const LineSettings& line) {
  const double parity = line.parity == Parity::None ? 0.0 : 1.0;
  const double stop = line.stopBits == StopBits::Two          ? 2.0
                      : line.stopBits == StopBits::OneAndHalf ? 1.5
                                                              : 1.0;
  return 1.0 + line.dataBits + parity + stop;
}

bool SetPortSpeed(const PortHandle& port, int32_t speed) {
  if (!IsOpen(port)) return false;
  LineSettings settings;
  if (!port->GetLineSettings(settings)) return false;
  settings.baudRate = ClampPortSpeed(speed);
  return port->SetLineSettings(settings);
}

bool SetReadTimeouts(const PortHandle& port, uint32_t intervalMs, uint32_t perByteMs,
                     uint32_t constantMs) {
  if (!IsOpen(port)) return false;
  CommTimeouts timeouts;
  if (!port->GetTimeouts(timeouts)) return false;
  timeouts.readInterval = intervalMs;
  timeouts.readPerByte = perByteMs;
  timeouts.readConstant = constantMs;
  return port->SetTimeouts(timeouts);
}

bool SetWriteTimeouts(const PortHandle& port, uint32_t perByteMs, uint32_t constantMs) {
  if (!IsOpen(port)) return false;
  CommTimeouts timeouts;
  if (!port->GetTimeouts(timeouts)) return false;
  timeouts.writePerByte = perByteMs;
  timeouts.writeConstant = constantMs;
  return port->SetTimeouts(timeouts);
}

bool ClearPortErrors(const PortHandle& port) { return IsOpen(port) && port->ClearErrors(); }

}  // namespace vkt53
