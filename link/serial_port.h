// The serial port: one small interface over the platform's serial
// communications, with one implementation per platform
// (serial_port_posix.cpp, serial_port_win32.cpp). The exchange never sees
// which platform it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vkt53 {

enum class Parity { None, Even, Odd };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
  int32_t baudRate = 1200;
  int dataBits = 8;
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  bool dtrControl = true;  // DTR raised while the port is open
  bool rtsControl = true;  // RTS raised while the port is open
  // RTS belongs to a converter that switches direction by itself: the port
  // never sets it, neither with these settings nor afterwards while they
  // stay in force (rtsControl is then ignored).
  bool rtsLeftAlone = false;
};

// The five time-outs, in milliseconds, with the meaning Windows gives them.
// Read: the total allowed is readPerByte x bytes asked + readConstant, counted
// from the start of the read; once a byte has come, a gap longer than
// readInterval between two bytes ends the read with what has come.
// Write: writePerByte x bytes + writeConstant for the whole write.
// A zero total (both terms 0) means no total limit, as on Windows.
struct CommTimeouts {
  uint32_t readInterval = 0;
  uint32_t readPerByte = 0;
  uint32_t readConstant = 0;
  uint32_t writePerByte = 0;
  uint32_t writeConstant = 0;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  virtual bool GetLineSettings(LineSettings& settings) = 0;
  virtual bool SetLineSettings(const LineSettings& settings) = 0;
  virtual bool SetupQueues(uint32_t inputSize, uint32_t outputSize) = 0;
  virtual bool GetTimeouts(CommTimeouts& timeouts) = 0;
  virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;

  // Discards both the transmit and the receive buffer.
  virtual bool Purge() = 0;
  // Raise or drop a control line directly. May fail where the line does
  // not exist (a pseudo-terminal has neither); that is never fatal.
  virtual bool SetDtr(bool raised) = 0;
  virtual bool SetRts(bool raised) = 0;
  virtual bool ClearErrors() = 0;

  // Reads up to count bytes under the read time-outs. Returns false when the
  // system call fails; bytesRead tells how many came (fewer on a time-out).
  virtual bool Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) = 0;
  // Writes count bytes under the write time-outs; false on failure or when
  // not all were written in time.
  virtual bool Write(const uint8_t* bytes, std::size_t count) = 0;

  // Whether the line's speed is set from here. A raw network port's line is
  // set up by its server: setting it there does nothing.
  virtual bool SetsLineSpeed() const { return true; }

  // Closes the port; every later operation fails. Safe to call twice.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

// Shared so that a copy held elsewhere (the exchange context) never dangles:
// after Close() it refers to a closed port whose operations fail.
using PortHandle = std::shared_ptr<SerialPort>;

// Opens a device by its platform name for reading and writing, exclusively,
// existing device only. Line settings are left as the system has them
// (on POSIX the line is made raw). Returns null on failure.
PortHandle OpenSerialDevice(const std::string& deviceName);

}  // namespace vkt53
