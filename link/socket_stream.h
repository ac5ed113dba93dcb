// A TCP connection as a byte channel: BSD sockets on Linux, Winsock on
// Windows. Non-blocking, without Nagle's delay (a request goes out at once,
// however short), and never a signal when the far end has gone.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "link/timed_transfer.h"

namespace vkt53 {

class SocketStream final : public ByteChannel {
 public:
  // Takes over a connected socket (or one end of a socket pair).
  explicit SocketStream(Descriptor connected);
  ~SocketStream() override;
  SocketStream(const SocketStream&) = delete;
  SocketStream& operator=(const SocketStream&) = delete;

  std::optional<std::size_t> ReadSome(uint8_t* buffer, std::size_t count) override;
  std::optional<std::size_t> WriteSome(const uint8_t* bytes, std::size_t count) override;
  WaitEnd WaitReadable(Deadline deadline) override;
  WaitEnd WaitWritable(Deadline deadline) override;

  // Every later transfer fails. Safe to call twice.
  void Close();
  bool IsOpen() const { return open_; }

 private:
  Descriptor socket_;
  bool open_ = true;
};

enum class ConnectFailure { None, NameNotFound, Refused, Unreachable, TimedOut, Other };

struct Connection {
  std::unique_ptr<SocketStream> stream;  // null when it failed
  ConnectFailure failure = ConnectFailure::None;
};

// Connects to host:port (a name, an IPv4 or an IPv6 address), trying each
// address the name has until one connects, within `limit` in all.
Connection ConnectTcp(const std::string& host, uint16_t port, std::chrono::milliseconds limit);

}  // namespace vkt53
