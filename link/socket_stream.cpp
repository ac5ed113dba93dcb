#include "link/socket_stream.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>

namespace vkt53 {

namespace {

#ifdef _WIN32

constexpr Descriptor kNoSocket = INVALID_SOCKET;

// Winsock is started once for the process and left running to its end.
bool StartSockets() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(0x0202, &data) == 0;  // version 2.2
  }();
  return started;
}

SOCKET Native(Descriptor socket) { return static_cast<SOCKET>(socket); }
int LastError() { return WSAGetLastError(); }
bool WouldBlock(int error) { return error == WSAEWOULDBLOCK; }
bool Interrupted(int error) { return error == WSAEINTR; }
bool ConnectPending(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }
void CloseSocket(Descriptor socket) { closesocket(Native(socket)); }

bool MakeNonBlocking(Descriptor socket) {
  u_long on = 1;
  return ioctlsocket(Native(socket), static_cast<long>(FIONBIO), &on) == 0;
}

Descriptor OpenSocket(const addrinfo& address) {
  const SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<Descriptor>(s);
}

int Chunk(std::size_t count) { return static_cast<int>(std::min<std::size_t>(count, INT_MAX)); }

ConnectFailure FailureOf(int error) {
  switch (error) {
    case WSAECONNREFUSED: return ConnectFailure::Refused;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH: return ConnectFailure::Unreachable;
    case WSAETIMEDOUT: return ConnectFailure::TimedOut;
    default: return ConnectFailure::Other;
  }
}

#else

constexpr Descriptor kNoSocket = -1;

bool StartSockets() { return true; }
int Native(Descriptor socket) { return socket; }
int LastError() { return errno; }
bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }
bool Interrupted(int error) { return error == EINTR; }
bool ConnectPending(int error) { return error == EINPROGRESS; }
void CloseSocket(Descriptor socket) { close(socket); }

bool MakeNonBlocking(Descriptor socket) {
  const int flags = fcntl(socket, F_GETFL);
  return flags >= 0 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

Descriptor OpenSocket(const addrinfo& address) {
  return socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
}

std::size_t Chunk(std::size_t count) { return count; }

ConnectFailure FailureOf(int error) {
  switch (error) {
    case ECONNREFUSED: return ConnectFailure::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH: return ConnectFailure::Unreachable;
    case ETIMEDOUT: return ConnectFailure::TimedOut;
    default: return ConnectFailure::Other;
  }
}

#endif

// What a send or a receive returned, as the channel reports it.
std::optional<std::size_t> Moved(long long n, int error) {
  if (n > 0) return static_cast<std::size_t>(n);
  if (n < 0 && WouldBlock(error)) return std::size_t{0};
  return std::nullopt;  // 0 from a receive: the far end closed the connection
}

// The error a connection attempt ended with, 0 when it connected.
int ConnectError(Descriptor socket) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) !=
      0) {
    return LastError();
  }
  return error;
}

constexpr int kTimedOut = -1;  // no system error has this value

// One address: the connection, or why not.
ConnectFailure ConnectOne(const addrinfo& address, SteadyClock::time_point deadline,
                          Descriptor& connected) {
  const Descriptor socket = OpenSocket(address);
  if (socket == kNoSocket) return ConnectFailure::Other;
  if (!MakeNonBlocking(socket)) {
    CloseSocket(socket);
    return ConnectFailure::Other;
  }
  int error = 0;
  if (connect(Native(socket), address.ai_addr, static_cast<socklen_t>(address.ai_addrlen)) != 0) {
    error = LastError();
    if (ConnectPending(error)) {
      switch (WaitForDescriptor(socket, true, deadline)) {
        case WaitEnd::TimedOut: error = kTimedOut; break;
        case WaitEnd::Failed: error = LastError(); break;
        default: error = ConnectError(socket); break;
      }
    }
  }
  if (error == 0) {
    connected = socket;
    return ConnectFailure::None;
  }
  CloseSocket(socket);
  return error == kTimedOut ? ConnectFailure::TimedOut : FailureOf(error);
}

}  // namespace

SocketStream::SocketStream(Descriptor connected) : socket_(connected) {
  MakeNonBlocking(socket_);
  // Fails harmlessly on a socket pair, which has no TCP.
  const int on = 1;
  setsockopt(Native(socket_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
             sizeof on);
}

SocketStream::~SocketStream() { Close(); }

void SocketStream::Close() {
  if (!open_) return;
  CloseSocket(socket_);
  open_ = false;
}

std::optional<std::size_t> SocketStream::ReadSome(uint8_t* buffer, std::size_t count) {
  if (!open_) return std::nullopt;
  for (;;) {
    const auto n = recv(Native(socket_), reinterpret_cast<char*>(buffer), Chunk(count), 0);
    const int error = n < 0 ? LastError() : 0;
    if (n < 0 && Interrupted(error)) continue;
    return Moved(n, error);
  }
}

std::optional<std::size_t> SocketStream::WriteSome(const uint8_t* bytes, std::size_t count) {
  if (!open_) return std::nullopt;
#ifdef _WIN32
  constexpr int kFlags = 0;
#else
  constexpr int kFlags = MSG_NOSIGNAL;  // a gone far end fails the send, not the program
#endif
  for (;;) {
    const auto n =
        send(Native(socket_), reinterpret_cast<const char*>(bytes), Chunk(count), kFlags);
    const int error = n < 0 ? LastError() : 0;
    if (n < 0 && Interrupted(error)) continue;
    return Moved(n, error);
  }
}

WaitEnd SocketStream::WaitReadable(Deadline deadline) {
  return open_ ? WaitForDescriptor(socket_, false, deadline) : WaitEnd::Failed;
}

WaitEnd SocketStream::WaitWritable(Deadline deadline) {
  return open_ ? WaitForDescriptor(socket_, true, deadline) : WaitEnd::Failed;
}

// The limit counts from after the name's lookup, which the system's resolver
// bounds by its own time-outs; a numeric address, what a device server
// usually has, needs none.
Connection ConnectTcp(const std::string& host, uint16_t port, std::chrono::milliseconds limit) {
  Connection result;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* addresses = nullptr;
  if (!StartSockets() ||
      getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) {
    result.failure = ConnectFailure::NameNotFound;
    return result;
  }
  const auto deadline = SteadyClock::now() + limit;
  result.failure = ConnectFailure::Other;
  for (const addrinfo* a = addresses; a != nullptr; a = a->ai_next) {
    Descriptor connected = kNoSocket;
    result.failure = ConnectOne(*a, deadline, connected);
    if (result.failure == ConnectFailure::None) {
      result.stream = std::make_unique<SocketStream>(connected);
      break;
    }
    if (result.failure == ConnectFailure::TimedOut) break;
  }
  freeaddrinfo(addresses);
  return result;
}

}  // namespace vkt53
