#include "port.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "config/key_value.h"
#include "config/program_folder.h"

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

#ifndef _WIN32

// The port number of a key "COMn" (any letter case), or -1.
int PortOfKey(const std::string& key) {
  if (key.size() < 4 || key.size() > 12) return -1;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(key[i])) != "COM"[i]) return -1;
  }
  int number = 0;
  for (std::size_t i = 3; i < key.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(key[i]))) return -1;
    number = number * 10 + (key[i] - '0');
    if (number > 1000000) return -1;
  }
  return number;
}

// The device INI/comports names for the port, or "" when it names none.
std::string MappedDevice(int portNumber) {
  std::ifstream file(ProgramFolder() + "INI" + PathSeparator() + "comports");
  for (std::string line; std::getline(file, line);) {
    const KeyValueLine entry = ParseKeyValueLine(line);
    if (entry.kind == KeyValueKind::Entry && !entry.value.empty() && PortOfKey(entry.key) == portNumber) {
      return entry.value;
    }
  }
  return {};
}
#endif

}  // namespace

// Windows: "\\.\COMn", the device namespace, for every number: the plain
// "COMn:" opens only COM1..COM9, and USB adapters often get COM10 and up.
//
// Linux has no COM names. A plain text file INI/comports beside the program
// maps them, one "COMn=/dev/..." a line (blank lines and lines starting with
// '#' ignored, spaces around the tokens trimmed, the first line for a port
// wins), so that a USB adapter (/dev/ttyUSB0) or a pseudo-terminal can stand
// for any COM port. A port the file does not list is /dev/ttyS(n-1), the
// mapping Wine and dosemu use. A device the user may not open (not in the
// dialout group) simply fails to open, and the caller reports the port as
// unavailable.
std::string PortDeviceName(int portNumber) {
#ifdef _WIN32
  return "\\\\.\\COM" + std::to_string(portNumber);
#else
  if (portNumber < 1) return {};
  std::string device = MappedDevice(portNumber);
  if (device.empty()) device = "/dev/ttyS" + std::to_string(portNumber - 1);
  return device;
#endif
}

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

PortHandle OpenPortDevice(const std::string& deviceName, int32_t speed, int dataBits,
                          int parityCode, int stopBitCode, int32_t inputQueue,
                          int32_t outputQueue, uint8_t dtr, uint8_t rts) {
  PortHandle port = OpenSerialDevice(deviceName);
  if (!port) return nullptr;
  LineSettings settings;
  if (!port->GetLineSettings(settings) ||
      !port->SetLineSettings(
          PortLineSettings(settings, speed, dataBits, parityCode, stopBitCode, dtr, rts)) ||
      !port->SetupQueues(ClampQueueSize(inputQueue), ClampQueueSize(outputQueue))) {
    port->Close();
    return nullptr;
  }
  return port;
}

PortHandle OpenPort(int portNumber, int32_t speed, int dataBits, int parityCode, int stopBitCode,
                    int32_t inputQueue, int32_t outputQueue, uint8_t dtr, uint8_t rts) {
  return OpenPortDevice(PortDeviceName(portNumber), speed, dataBits, parityCode, stopBitCode,
                        inputQueue, outputQueue, dtr, rts);
}

PortHandle OpenLinkPort(const std::string& deviceName) {
  return OpenPortDevice(deviceName, kLinkOpeningSpeed, kLinkDataBits, kNoParity, kOneStopBit,
                        kLinkQueueSize, kLinkQueueSize, kLineControlOn, kLineControlOn);
}

double CharacterBits(const LineSettings& line) {
  const double parity = line.parity == Parity::None ? 0.0 : 1.0;
  const double stop = line.stopBits == StopBits::Two ? 2.0 : line.stopBits == StopBits::OneAndHalf ? 1.5 : 1.0;
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
