#include "link/timed_transfer.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>

namespace vkt53 {

namespace {

using std::chrono::milliseconds;

constexpr uint32_t kMaxDword = std::numeric_limits<uint32_t>::max();

// A total time-out longer than this (about 31 years) is treated as none; it
// keeps the deadline arithmetic far away from the clock's range.
constexpr uint64_t kLongestTotalMs = uint64_t{1} << 40;

// perByte x count + constant in ms, or nothing when there is no total limit
// (both terms 0, as on Windows, or a product beyond any practical wait).
std::optional<milliseconds> TotalTimeout(uint32_t perByte, uint32_t constant, std::size_t count) {
  if (perByte == 0 && constant == 0) return std::nullopt;
  uint64_t total = constant;
  if (perByte != 0 && count != 0) {
    if (count > (kLongestTotalMs - total) / perByte) return std::nullopt;
    total += uint64_t{perByte} * count;
  }
  if (total > kLongestTotalMs) return std::nullopt;
  return milliseconds(total);
}

}  // namespace

bool TimedRead(ByteSource& channel, const CommTimeouts& t, uint8_t* buffer, std::size_t count,
               std::size_t& bytesRead) {
  bytesRead = 0;
  if (count == 0) return true;

  const auto start = SteadyClock::now();
  // Windows' two special cases of an interval of MAXDWORD: return at once
  // with what is there, or wait up to the constant for the first byte and
  // return as soon as any has come.
  const bool returnAtOnce =
      t.readInterval == kMaxDword && t.readPerByte == 0 && t.readConstant == 0;
  const bool returnOnAny = t.readInterval == kMaxDword && t.readPerByte == kMaxDword &&
                           t.readConstant != 0 && t.readConstant != kMaxDword;

  Deadline totalEnd;
  if (returnOnAny) {
    totalEnd = start + milliseconds(t.readConstant);
  } else if (!returnAtOnce) {
    if (auto total = TotalTimeout(t.readPerByte, t.readConstant, count)) totalEnd = start + *total;
  }
  const bool useInterval = !returnAtOnce && !returnOnAny && t.readInterval != 0;

  SteadyClock::time_point lastByte{};
  bool hungUp = false;
  while (bytesRead < count) {
    const std::optional<std::size_t> n = channel.ReadSome(buffer + bytesRead, count - bytesRead);
    if (!n) return false;
    if (*n > 0) {
      bytesRead += *n;
      lastByte = SteadyClock::now();
      if (returnOnAny) return true;
      continue;
    }
    // Should a channel that reported a hang-up still have nothing, give up
    // rather than wait again and spin.
    if (hungUp) return false;
    if (returnAtOnce) return true;

    Deadline end = totalEnd;
    if (useInterval && bytesRead > 0) {
      const auto gapEnd = lastByte + milliseconds(t.readInterval);
      end = end ? std::min(*end, gapEnd) : gapEnd;
    }
    switch (channel.WaitReadable(end)) {
      case WaitEnd::Ready: break;
      case WaitEnd::TimedOut: return true;  // a time-out is no failure
      case WaitEnd::HungUp: hungUp = true; break;
      case WaitEnd::Failed: return false;
    }
  }
  return true;
}

Deadline WriteDeadline(const CommTimeouts& timeouts, std::size_t count) {
  if (auto total = TotalTimeout(timeouts.writePerByte, timeouts.writeConstant, count)) {
    return SteadyClock::now() + *total;
  }
  return std::nullopt;
}

bool WriteAll(ByteChannel& channel, const uint8_t* bytes, std::size_t count, Deadline deadline) {
  std::size_t done = 0;
  while (done < count) {
    const std::optional<std::size_t> n = channel.WriteSome(bytes + done, count - done);
    if (!n) return false;
    if (*n > 0) {
      done += *n;
      continue;
    }
    // Not all written in time, a hang-up or a failure.
    if (channel.WaitWritable(deadline) != WaitEnd::Ready) return false;
  }
  return true;
}

#ifdef _WIN32

// select() rather than WSAPoll: the same on every Windows and under wine. A
// failed connection is reported in the exception set.
WaitEnd WaitForDescriptor(Descriptor descriptor, bool forWriting, Deadline deadline) {
  const SOCKET socket = static_cast<SOCKET>(descriptor);
  for (;;) {
    fd_set ready{};
    ready.fd_count = 1;
    ready.fd_array[0] = socket;
    fd_set errors = ready;
    timeval limit{};
    if (deadline) {
      const auto left = *deadline - SteadyClock::now();
      if (left <= SteadyClock::duration::zero()) return WaitEnd::TimedOut;
      const auto us = std::chrono::ceil<std::chrono::microseconds>(left).count();
      limit.tv_sec = static_cast<long>(us / 1000000);
      limit.tv_usec = static_cast<long>(us % 1000000);
    }
    const int r = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &errors,
                         deadline ? &limit : nullptr);
    if (r == SOCKET_ERROR) return WaitEnd::Failed;
    if (r == 0) continue;  // early by our clock: until the deadline has really passed
    return errors.fd_count > 0 ? WaitEnd::HungUp : WaitEnd::Ready;
  }
}

#else

WaitEnd WaitForDescriptor(Descriptor descriptor, bool forWriting, Deadline deadline) {
  const short events = forWriting ? POLLOUT : POLLIN;
  for (;;) {
    pollfd p{descriptor, events, 0};
    int r;
    if (deadline) {
      const auto left = *deadline - SteadyClock::now();
      if (left <= SteadyClock::duration::zero()) return WaitEnd::TimedOut;
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
      r = ppoll(&p, 1, &ts, nullptr);
    } else {
      r = ppoll(&p, 1, nullptr, nullptr);
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || (p.revents & POLLNVAL) != 0) return WaitEnd::Failed;
    // ppoll may come back a hair early by the clock we measure with; loop
    // until the deadline has really passed.
    if (r == 0) continue;
    // On a hang-up or an error poll reports the descriptor without the event.
    return (p.revents & events) != 0 ? WaitEnd::Ready : WaitEnd::HungUp;
  }
}

#endif

}  // namespace vkt53
