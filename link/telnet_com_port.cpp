#include "link/telnet_com_port.h"

#include <algorithm>

namespace vkt53 {

namespace {

// Telnet (RFC 854, 856) and its COM-PORT-OPTION (RFC 2217).
constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;

constexpr uint8_t kBinary = 0;
constexpr uint8_t kComPort = 44;

constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kPurgeData = 12;
constexpr uint8_t kServerReplyOffset = 100;  // the server's answer to command c is c + 100

constexpr uint8_t kDtrOn = 8;
constexpr uint8_t kDtrOff = 9;
constexpr uint8_t kRtsOn = 11;
constexpr uint8_t kRtsOff = 12;
constexpr uint8_t kPurgeBothBuffers = 3;

// A subnegotiation longer than any the option has is cut, not grown.
constexpr std::size_t kLongestSubnegotiation = 64;
// A purge drops at most this much still arriving; a server that sends
// without end does not hold it.
constexpr std::size_t kLongestPurge = 1 << 16;
constexpr std::size_t kReceiveChunk = 1024;

uint8_t ParityCode(Parity parity) {
  switch (parity) {
    case Parity::Odd: return 2;
    case Parity::Even: return 3;
    default: return 1;
  }
}

uint8_t StopSizeCode(StopBits stopBits) {
  switch (stopBits) {
    case StopBits::Two: return 2;
    case StopBits::OneAndHalf: return 3;
    default: return 1;
  }
}

void AppendDoubled(std::vector<uint8_t>& out, const uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == kIac) out.push_back(kIac);
  }
}

}  // namespace

TelnetComPort::TelnetComPort(ByteChannel& connection) : connection_(connection) {}

bool TelnetComPort::Negotiate(std::chrono::milliseconds wait) {
  const std::vector<uint8_t> offer = {kIac,    kWill, kBinary, kIac,    kDo,
                                      kBinary, kIac,  kWill,   kComPort};
  const auto deadline = SteadyClock::now() + wait;
  if (!WriteAll(connection_, offer.data(), offer.size(), deadline)) return false;
  while (!comPortAccepted_ && !comPortRefused_) {
    const WaitEnd end = connection_.WaitReadable(deadline);
    if (end == WaitEnd::TimedOut || end == WaitEnd::Failed) return false;
    const std::optional<std::size_t> came = ReceiveAvailable();
    if (!came || (*came == 0 && end == WaitEnd::HungUp)) return false;
  }
  return comPortAccepted_;
}

bool TelnetComPort::SetBaudRate(int32_t bitsPerSecond) {
  if (baudRate_ == bitsPerSecond) return true;
  const auto rate = static_cast<uint32_t>(bitsPerSecond);
  if (!SendComPortCommand(kSetBaudRate,
                          {static_cast<uint8_t>(rate >> 24), static_cast<uint8_t>(rate >> 16),
                           static_cast<uint8_t>(rate >> 8), static_cast<uint8_t>(rate)})) {
    return false;
  }
  baudRate_ = bitsPerSecond;
  return true;
}

bool TelnetComPort::SetDataSize(int dataBits) {
  if (dataSize_ == dataBits) return true;
  if (!SendComPortCommand(kSetDataSize, {static_cast<uint8_t>(dataBits)})) return false;
  dataSize_ = dataBits;
  return true;
}

bool TelnetComPort::SetParity(Parity parity) {
  if (parity_ == parity) return true;
  if (!SendComPortCommand(kSetParity, {ParityCode(parity)})) return false;
  parity_ = parity;
  return true;
}

bool TelnetComPort::SetStopSize(StopBits stopBits) {
  if (stopSize_ == stopBits) return true;
  if (!SendComPortCommand(kSetStopSize, {StopSizeCode(stopBits)})) return false;
  stopSize_ = stopBits;
  return true;
}

bool TelnetComPort::SetDtr(bool raised) { return SendControl(raised ? kDtrOn : kDtrOff, dtr_); }

bool TelnetComPort::SetRts(bool raised) { return SendControl(raised ? kRtsOn : kRtsOff, rts_); }

bool TelnetComPort::SendControl(uint8_t value, std::optional<uint8_t>& lastSent) {
  if (lastSent == value) return true;
  if (!SendComPortCommand(kSetControl, {value})) return false;
  lastSent = value;
  return true;
}

bool TelnetComPort::Purge() {
  if (!SendComPortCommand(kPurgeData, {kPurgeBothBuffers})) return false;
  data_.clear();
  for (std::size_t received = 0; received < kLongestPurge;) {
    const std::optional<std::size_t> came = ReceiveAvailable();
    if (!came) return false;
    data_.clear();
    if (*came == 0) break;
    received += *came;
  }
  return true;
}

bool TelnetComPort::WriteData(const uint8_t* bytes, std::size_t count, Deadline deadline) {
  std::vector<uint8_t> wire;
  wire.reserve(count + count / 8);
  AppendDoubled(wire, bytes, count);
  return WriteAll(connection_, wire.data(), wire.size(), deadline);
}

std::optional<std::size_t> TelnetComPort::ReadSome(uint8_t* buffer, std::size_t count) {
  // What has come is handed out first, even from a connection that failed since.
  if (data_.empty() && !ReceiveAvailable()) return std::nullopt;
  const std::size_t n = std::min(count, data_.size());
  std::copy_n(data_.begin(), n, buffer);
  data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

WaitEnd TelnetComPort::WaitReadable(Deadline deadline) {
  return data_.empty() ? connection_.WaitReadable(deadline) : WaitEnd::Ready;
}

bool TelnetComPort::SendComPortCommand(uint8_t command, const std::vector<uint8_t>& value) {
  std::vector<uint8_t> frame = {kIac, kSb, kComPort, command};
  AppendDoubled(frame, value.data(), value.size());
  frame.insert(frame.end(), {kIac, kSe});
  const uint32_t before = acknowledged_[command];
  const auto deadline = SteadyClock::now() + kAcknowledgementWait;
  return WriteAll(connection_, frame.data(), frame.size(), deadline) &&
         AwaitAcknowledgement(command, before);
}

bool TelnetComPort::AwaitAcknowledgement(uint8_t command, uint32_t acknowledgedBefore) {
  if (unacknowledged_[command]) return true;
  const auto deadline = SteadyClock::now() + kAcknowledgementWait;
  while (acknowledged_[command] == acknowledgedBefore) {
    const WaitEnd end = connection_.WaitReadable(deadline);
    if (end == WaitEnd::Failed) return false;
    if (end == WaitEnd::TimedOut) {
      unacknowledged_[command] = true;
      return true;
    }
    const std::optional<std::size_t> came = ReceiveAvailable();
    if (!came || (*came == 0 && end == WaitEnd::HungUp)) return false;
  }
  return true;
}

std::optional<std::size_t> TelnetComPort::ReceiveAvailable() {
  uint8_t chunk[kReceiveChunk];
  const std::optional<std::size_t> came = connection_.ReadSome(chunk, sizeof chunk);
  if (!came) return std::nullopt;
  for (std::size_t i = 0; i < *came; ++i) Take(chunk[i]);
  if (!SendReplies()) return std::nullopt;
  return came;
}

void TelnetComPort::Take(uint8_t byte) {
  switch (state_) {
    case Parse::Data:
      if (byte == kIac) {
        state_ = Parse::Command;
      } else {
        data_.push_back(byte);
      }
      break;
    case Parse::Command:
      state_ = Parse::Data;
      if (byte == kIac) {
        data_.push_back(kIac);
      } else if (byte >= kWill) {
        verb_ = byte;
        state_ = Parse::Option;
      } else if (byte == kSb) {
        subnegotiation_.clear();
        state_ = Parse::Subnegotiation;
      }  // any other command (NOP, GA, a stray SE) carries nothing for the line
      break;
    case Parse::Option:
      OnOption(verb_, byte);
      state_ = Parse::Data;
      break;
    case Parse::Subnegotiation:
      if (byte == kIac) {
        state_ = Parse::SubnegotiationCommand;
      } else if (subnegotiation_.size() < kLongestSubnegotiation) {
        subnegotiation_.push_back(byte);
      }
      break;
    case Parse::SubnegotiationCommand:
      if (byte == kIac) {
        if (subnegotiation_.size() < kLongestSubnegotiation) subnegotiation_.push_back(kIac);
        state_ = Parse::Subnegotiation;
      } else {
        if (byte == kSe) OnSubnegotiation();
        state_ = Parse::Data;  // SE, or a broken one that ends it all the same
      }
      break;
  }
}

// BINARY and COM-PORT-OPTION were offered at the start, so the server's DO or
// WILL of them is its answer and needs none. Every other option is refused;
// a refusal is never answered, so no loop can start.
void TelnetComPort::OnOption(uint8_t verb, uint8_t option) {
  switch (verb) {
    case kDo:
      if (option == kComPort) comPortAccepted_ = true;
      if (option != kBinary && option != kComPort)
        replies_.insert(replies_.end(), {kIac, kWont, option});
      break;
    case kDont:
      if (option == kComPort) comPortRefused_ = true;
      break;
    case kWill:
      if (option != kBinary) replies_.insert(replies_.end(), {kIac, kDont, option});
      break;
    default: break;  // WONT: nothing of it is used
  }
}

void TelnetComPort::OnSubnegotiation() {
  if (subnegotiation_.size() < 2 || subnegotiation_[0] != kComPort) return;
  const uint8_t code = subnegotiation_[1];
  if (code >= kServerReplyOffset && code - kServerReplyOffset < static_cast<int>(kCommandCount)) {
    ++acknowledged_[code - kServerReplyOffset];
  }
}

bool TelnetComPort::SendReplies() {
  if (replies_.empty()) return true;
  const bool sent = WriteAll(connection_, replies_.data(), replies_.size(),
                             SteadyClock::now() + kAcknowledgementWait);
  replies_.clear();
  return sent;
}

}  // namespace vkt53
