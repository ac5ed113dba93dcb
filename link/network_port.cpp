#include "link/network_port.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>

#include "link/socket_stream.h"
#include "link/telnet_com_port.h"
#include "link/timed_transfer.h"

namespace vkt53 {

namespace {

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kRawTcpScheme = "tcp://";
constexpr std::string_view kSchemeEnd = "://";
constexpr uint32_t kLargestTcpPort = 65535;

// A purge drops at most this much of a raw connection's data still arriving.
constexpr std::size_t kLongestRawPurge = 1 << 16;

bool StartsWithIgnoringCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

std::optional<uint16_t> ParseTcpPort(const std::string& digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  uint32_t port = 0;
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    port = port * 10 + static_cast<uint32_t>(c - '0');
  }
  if (port == 0 || port > kLargestTcpPort) return std::nullopt;
  return static_cast<uint16_t>(port);
}

// "HOST:PORT" or "[IPV6]:PORT".
bool ParseHostAndPort(const std::string& rest, NetworkAddress& address) {
  std::size_t colon;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
      return false;
    address.host = rest.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = rest.rfind(':');
    if (colon == std::string::npos) return false;
    address.host = rest.substr(0, colon);
    if (address.host.find(':') != std::string::npos) return false;  // IPv6 needs its brackets
  }
  const std::optional<uint16_t> port = ParseTcpPort(rest.substr(colon + 1));
  if (address.host.empty() || !port) return false;
  address.port = *port;
  return true;
}

// Where the name points, as the user wrote it: "10.0.5.21:4001".
std::string ServerOf(const std::string& name) {
  const std::size_t end = name.find(kSchemeEnd);
  return end == std::string::npos ? name : name.substr(end + kSchemeEnd.size());
}

std::string ConnectFailureText(const std::string& name, const NetworkAddress& address,
                               ConnectFailure failure) {
  const std::string server = "Сервер портов " + ServerOf(name);
  switch (failure) {
    case ConnectFailure::NameNotFound: return "Имя " + address.host + " не найдено в сети.";
    case ConnectFailure::Refused:
      return server + " отклонил соединение:\nна этом порту сервера никто не принимает соединений.";
    case ConnectFailure::Unreachable: return server + " недоступен: нет пути к нему по сети.";
    case ConnectFailure::TimedOut:
      return server + " не ответил за " +
             std::to_string(
                 std::chrono::duration_cast<std::chrono::seconds>(kConnectTime).count()) +
             " с.";
    default: return "Соединение с сервером портов " + ServerOf(name) + " не установлено.";
  }
}

// A serial port at the far end of a connection to a device server.
class NetworkPort final : public PortWithKeptTimeouts {
 public:
  NetworkPort(std::unique_ptr<SocketStream> socket, NetworkPortKind kind)
      : socket_(std::move(socket)) {
    if (kind == NetworkPortKind::Rfc2217) telnet_ = std::make_unique<TelnetComPort>(*socket_);
  }
  ~NetworkPort() override { Close(); }
  NetworkPort(const NetworkPort&) = delete;
  NetworkPort& operator=(const NetworkPort&) = delete;

  bool Negotiate(std::chrono::milliseconds wait) { return !telnet_ || telnet_->Negotiate(wait); }

  bool GetLineSettings(LineSettings& settings) override {
    if (!IsOpen()) return false;
    settings = settings_;
    return true;
  }

  bool SetLineSettings(const LineSettings& settings) override {
    if (!IsOpen() || settings.baudRate <= 0 || settings.dataBits < 5 || settings.dataBits > 8)
      return false;
    if (telnet_ &&
        !(telnet_->SetBaudRate(settings.baudRate) && telnet_->SetDataSize(settings.dataBits) &&
          telnet_->SetParity(settings.parity) && telnet_->SetStopSize(settings.stopBits))) {
      return false;
    }
    // As on a local port: the control lines are driven only when their
    // control setting changes, so that the exchange setting its speed
    // before every attempt does not raise RTS.
    const bool driveDtr = !controlsSet_ || settings_.dtrControl != settings.dtrControl;
    const bool driveRts =
        !settings.rtsLeftAlone && (!controlsSet_ || settings_.rtsControl != settings.rtsControl);
    settings_ = settings;
    controlsSet_ = true;
    return (!driveDtr || SetDtr(settings.dtrControl)) && (!driveRts || SetRts(settings.rtsControl));
  }

  // The connection's buffers are the system's; the sizes are accepted.
  bool SetupQueues(uint32_t, uint32_t) override { return IsOpen(); }

  // The server's buffers (over RFC 2217), then whatever has come here.
  bool Purge() override {
    if (!IsOpen()) return false;
    if (telnet_) return telnet_->Purge();
    uint8_t scratch[1024];
    for (std::size_t dropped = 0; dropped < kLongestRawPurge;) {
      const std::optional<std::size_t> n = socket_->ReadSome(scratch, sizeof scratch);
      if (!n) return false;
      if (*n == 0) break;
      dropped += *n;
    }
    return true;
  }

  bool SetDtr(bool raised) override { return IsOpen() && (!telnet_ || telnet_->SetDtr(raised)); }
  bool SetRts(bool raised) override { return IsOpen() && (!telnet_ || telnet_->SetRts(raised)); }

  // The server keeps the line's error state; nothing is latched here.
  bool ClearErrors() override { return IsOpen(); }

  bool Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) override {
    bytesRead = 0;
    if (!IsOpen()) return false;
    ByteSource& source = telnet_ ? static_cast<ByteSource&>(*telnet_) : *socket_;
    return TimedRead(source, timeouts_, buffer, count, bytesRead);
  }

  // Done when the system has taken every byte for the connection, as a
  // local port's write is done once the driver has them.
  bool Write(const uint8_t* bytes, std::size_t count) override {
    if (!IsOpen()) return false;
    const Deadline deadline = WriteDeadline(timeouts_, count);
    return telnet_ ? telnet_->WriteData(bytes, count, deadline)
                   : WriteAll(*socket_, bytes, count, deadline);
  }

  void Close() override { socket_->Close(); }
  bool IsOpen() const override { return socket_->IsOpen(); }

  bool SetsLineSpeed() const override { return telnet_ != nullptr; }

 private:
  std::unique_ptr<SocketStream> socket_;
  std::unique_ptr<TelnetComPort> telnet_;  // null for raw TCP
  LineSettings settings_;
  bool controlsSet_ = false;  // false until the first SetLineSettings
};

}  // namespace

bool IsNetworkPortName(const std::string& name) {
  return name.find(kSchemeEnd) != std::string::npos;
}

std::optional<NetworkAddress> ParseNetworkPortName(const std::string& name) {
  NetworkAddress address;
  std::size_t schemeLength;
  if (StartsWithIgnoringCase(name, kRfc2217Scheme)) {
    address.kind = NetworkPortKind::Rfc2217;
    schemeLength = kRfc2217Scheme.size();
  } else if (StartsWithIgnoringCase(name, kRawTcpScheme)) {
    address.kind = NetworkPortKind::RawTcp;
    schemeLength = kRawTcpScheme.size();
  } else {
    return std::nullopt;
  }
  if (!ParseHostAndPort(name.substr(schemeLength), address)) return std::nullopt;
  return address;
}

std::string ServerClosedText(const std::string& name) {
  return "Сервер портов " + ServerOf(name) +
         " закрыл соединение:\nего порт занят другим клиентом или устройство порта недоступно.";
}

PortHandle OpenNetworkPort(const std::string& name, std::string& failure) {
  failure.clear();
  const std::optional<NetworkAddress> address = ParseNetworkPortName(name);
  if (!address) {
    failure = "Адрес порта " + name + " не понят:\nнужно rfc2217://УЗЕЛ:ПОРТ или tcp://УЗЕЛ:ПОРТ.";
    return nullptr;
  }
  const auto start = SteadyClock::now();
  Connection connection = ConnectTcp(address->host, address->port, kConnectTime);
  if (!connection.stream) {
    failure = ConnectFailureText(name, *address, connection.failure);
    return nullptr;
  }
  auto port = std::make_shared<NetworkPort>(std::move(connection.stream), address->kind);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      kConnectTime - (SteadyClock::now() - start));
  if (!port->Negotiate(std::max(left, std::chrono::milliseconds(0)))) {
    failure =
        "Сервер портов " + ServerOf(name) +
        " не управляет линией по RFC 2217.\nЕсли линию настраивает сам сервер, укажите tcp://" +
        ServerOf(name) + ".";
    return nullptr;
  }
  return port;
}

}  // namespace vkt53
