// The client side of Telnet with the COM-PORT-OPTION (RFC 2217), over a
// connection to a serial device server: the line's settings, its control
// lines and its purge go to the server as commands, and the data both ways
// is the line's bytes, 0xFF doubled on the wire.
//
// The server acknowledges a command once it has carried it out. Commands
// after it on the connection are carried out after it anyway, so an
// acknowledgement is waited for only briefly, and a server that leaves one
// kind of command unacknowledged once (a server in front of a line without
// modem lines does so for the control lines) is not waited for again on that
// kind. A missing acknowledgement is never a failure.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "link/serial_port.h"
#include "link/timed_transfer.h"

namespace vkt53 {

// The longest wait for one acknowledgement.
inline constexpr std::chrono::milliseconds kAcknowledgementWait{250};

class TelnetComPort final : public ByteSource {
 public:
  // Over a connected stream, which stays the caller's.
  explicit TelnetComPort(ByteChannel& connection);

  // Offers BINARY both ways and COM-PORT-OPTION and waits up to `wait` for
  // the server to take COM-PORT-OPTION. False when it refuses it, does not
  // answer in time, or the connection fails.
  bool Negotiate(std::chrono::milliseconds wait);

  // Each sends its command only when the value differs from the one sent
  // last. False only when the connection fails.
  bool SetBaudRate(int32_t bitsPerSecond);
  bool SetDataSize(int dataBits);
  bool SetParity(Parity parity);
  bool SetStopSize(StopBits stopBits);
  bool SetDtr(bool raised);
  bool SetRts(bool raised);

  // Has the server purge both of its buffers (PURGE-DATA), then drops what
  // had come from it until then: received before the acknowledgement, or,
  // without one, by the time the wait ended.
  bool Purge();

  // Writes the line's bytes, 0xFF doubled, by the deadline.
  bool WriteData(const uint8_t* bytes, std::size_t count, Deadline deadline);

  // The line's bytes, commands and subnegotiations taken out wherever the
  // reads split them.
  std::optional<std::size_t> ReadSome(uint8_t* buffer, std::size_t count) override;
  WaitEnd WaitReadable(Deadline deadline) override;

 private:
  enum class Parse { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

  static constexpr std::size_t kCommandCount = 13;  // SIGNATURE .. PURGE-DATA

  bool SendComPortCommand(uint8_t command, const std::vector<uint8_t>& value);
  bool SendControl(uint8_t value, std::optional<uint8_t>& lastSent);
  bool AwaitAcknowledgement(uint8_t command, uint32_t acknowledgedBefore);
  // One read of whatever the server sent, parsed: how many bytes came (0:
  // none now), nothing on failure.
  std::optional<std::size_t> ReceiveAvailable();
  void Take(uint8_t byte);
  void OnOption(uint8_t verb, uint8_t option);
  void OnSubnegotiation();
  bool SendReplies();

  ByteChannel& connection_;
  std::deque<uint8_t> data_;  // the line's bytes received, not yet read
  Parse state_ = Parse::Data;
  uint8_t verb_ = 0;
  std::vector<uint8_t> subnegotiation_;
  std::vector<uint8_t> replies_;  // option refusals due to the server
  bool comPortAccepted_ = false;
  bool comPortRefused_ = false;
  std::array<uint32_t, kCommandCount> acknowledged_{};  // acknowledgements seen, per command
  std::array<bool, kCommandCount> unacknowledged_{};    // one went missing: not waited for again

  std::optional<int32_t> baudRate_;
  std::optional<int> dataSize_;
  std::optional<Parity> parity_;
  std::optional<StopBits> stopSize_;
  std::optional<uint8_t> dtr_;  // SET-CONTROL values last sent
  std::optional<uint8_t> rts_;
};

}  // namespace vkt53
