// Windows' read and write time-outs (CommTimeouts) over any non-blocking byte
// channel: a serial device on Linux, a TCP connection to a serial device
// server, the Telnet layer over it. The channel only says what is there now
// and waits until more may come; the time-outs are counted here, one way for
// every kind of port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "link/clock.h"
#include "link/serial_port.h"

namespace vkt53 {

// A port whose read and write time-outs the program keeps and applies
// itself (through TimedRead and WriteDeadline below): the system has none
// for a POSIX terminal or a socket. What was set is what is read back.
class PortWithKeptTimeouts : public SerialPort {
 public:
  bool GetTimeouts(CommTimeouts& timeouts) override {
    if (!IsOpen()) return false;
    timeouts = timeouts_;
    return true;
  }

  bool SetTimeouts(const CommTimeouts& timeouts) override {
    if (!IsOpen()) return false;
    timeouts_ = timeouts;
    return true;
  }

 protected:
  CommTimeouts timeouts_{};
};

using Deadline = std::optional<SteadyClock::time_point>;  // none: no limit

enum class WaitEnd {
  Ready,     // the next transfer may make progress
  TimedOut,  // the deadline passed first
  HungUp,    // the far end hung up or failed; the next transfer tells which
  Failed,    // the wait itself failed
};

// What a read needs of a channel.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Takes up to count bytes without waiting: how many came (0: none just
  // now), or nothing when the channel failed or its far end closed it.
  virtual std::optional<std::size_t> ReadSome(uint8_t* buffer, std::size_t count) = 0;
  virtual WaitEnd WaitReadable(Deadline deadline) = 0;
};

// A channel both ways.
class ByteChannel : public ByteSource {
 public:
  // Hands over up to count bytes without waiting, as ReadSome takes them.
  virtual std::optional<std::size_t> WriteSome(const uint8_t* bytes, std::size_t count) = 0;
  virtual WaitEnd WaitWritable(Deadline deadline) = 0;
};

// A read under the read time-outs, as SerialPort::Read: false when the
// channel fails; a time-out returns true with the bytes that came.
bool TimedRead(ByteSource& channel, const CommTimeouts& timeouts, uint8_t* buffer,
               std::size_t count, std::size_t& bytesRead);

// When a write of count bytes starting now must be done (writePerByte x count
// + writeConstant; none for no limit).
Deadline WriteDeadline(const CommTimeouts& timeouts, std::size_t count);

// Writes every byte by the deadline; false on failure or when time ran out.
bool WriteAll(ByteChannel& channel, const uint8_t* bytes, std::size_t count, Deadline deadline);

// Waits for a descriptor (a file or a socket on Linux, a SOCKET on Windows)
// to become readable or writable.
#ifdef _WIN32
using Descriptor = std::uintptr_t;
#else
using Descriptor = int;
#endif
WaitEnd WaitForDescriptor(Descriptor descriptor, bool forWriting, Deadline deadline);

}  // namespace vkt53
