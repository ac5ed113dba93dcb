// The serial port on Linux: termios2 for the line (any bit rate exactly, via
// BOTHER), and Windows' COMMTIMEOUTS semantics counted over the non-blocking
// descriptor by timed_transfer.h.
//
// <asm/termbits.h> and <termios.h> define the same names differently, so
// only the kernel header is included and the few termios library calls are
// made as the ioctls they stand for (tcflush = TCFLSH, tcdrain = TCSBRK 1).
#ifndef _WIN32
#ifndef __linux__
#error "serial_port_posix.cpp uses the Linux termios2 interface"
#endif

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "support/raw_terminal.h"
#include "link/serial_port.h"
#include "link/serial_port_posix.h"
#include "link/timed_transfer.h"

namespace vkt53 {

namespace {

// The terminal's descriptor as the channel the time-outs are counted over.
class TerminalChannel final : public ByteChannel {
 public:
  explicit TerminalChannel(int fd) : fd_(fd) {}

  std::optional<std::size_t> ReadSome(uint8_t* buffer, std::size_t count) override {
    for (;;) {
      const ssize_t n = read(fd_, buffer, count);
      if (n < 0 && errno == EINTR) continue;
      // 0 is end of file: the line was hung up.
      return Moved(n);
    }
  }

  std::optional<std::size_t> WriteSome(const uint8_t* bytes, std::size_t count) override {
    for (;;) {
      const ssize_t n = write(fd_, bytes, count);
      if (n < 0 && errno == EINTR) continue;
      return Moved(n);
    }
  }

  WaitEnd WaitReadable(Deadline deadline) override {
    return WaitForDescriptor(fd_, false, deadline);
  }
  WaitEnd WaitWritable(Deadline deadline) override {
    return WaitForDescriptor(fd_, true, deadline);
  }

 private:
  static std::optional<std::size_t> Moved(ssize_t n) {
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return std::size_t{0};
    return std::nullopt;
  }

  int fd_;
};

// Bit rate from the classic Bnnn code, for a driver that left c_ospeed at 0.
int32_t RateOfBaudCode(tcflag_t code) {
  struct Entry {
    tcflag_t code;
    int32_t rate;
  };
  static constexpr Entry kRates[] = {
      {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
      {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
      {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
      {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
  for (const auto& e : kRates) {
    if (e.code == code) return e.rate;
  }
  return 0;
}

class PosixSerialPort final : public PortWithKeptTimeouts {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd) {}
  ~PosixSerialPort() override { Close(); }
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool GetLineSettings(LineSettings& settings) override {
    termios2 tio{};
    if (!GetTermios(tio)) return false;
    settings.baudRate = static_cast<int32_t>(tio.c_ospeed);
    if (settings.baudRate == 0 && (tio.c_cflag & CBAUD) != BOTHER) {
      settings.baudRate = RateOfBaudCode(tio.c_cflag & CBAUD);
    }
    DecodeLineFormat(tio.c_cflag, settings);
    // Linux raises both lines when a port is opened; until the settings name
    // them, that is what they are.
    settings.dtrControl = dtrControl_.value_or(true);
    settings.rtsControl = rtsControl_.value_or(true);
    settings.rtsLeftAlone = rtsLeftAlone_;
    return true;
  }

  bool SetLineSettings(const LineSettings& settings) override {
    if (settings.baudRate <= 0) return false;
    termios2 tio{};
    if (!GetTermios(tio)) return false;
    uint32_t cflag = tio.c_cflag;
    if (!EncodeLineFormat(settings, cflag)) return false;
    tio.c_cflag = cflag;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ospeed = static_cast<speed_t>(settings.baudRate);
    tio.c_ispeed = static_cast<speed_t>(settings.baudRate);
    if (ioctl(fd_, TCSETS2, &tio) != 0) return false;

    // As Windows' SetCommState does, the control lines are driven only when
    // their control setting changes: re-applying the same settings (the
    // exchange sets the speed before every attempt) must not raise RTS,
    // the transmit enable. A line that does not exist (a pseudo-terminal)
    // is no failure of the line settings.
    if (dtrControl_ != settings.dtrControl) {
      SetDtr(settings.dtrControl);
      dtrControl_ = settings.dtrControl;
    }
    rtsLeftAlone_ = settings.rtsLeftAlone;
    if (!rtsLeftAlone_ && rtsControl_ != settings.rtsControl) {
      SetRts(settings.rtsControl);
      rtsControl_ = settings.rtsControl;
    }
    return true;
  }

  // Linux has no settable driver queues (the tty layer sizes its own
  // buffers); the sizes are accepted and ignored.
  bool SetupQueues(uint32_t, uint32_t) override { return IsOpen(); }

  bool Purge() override { return IsOpen() && ioctl(fd_, TCFLSH, TCIOFLUSH) == 0; }

  // On a pseudo-terminal these fail with ENOTTY (older kernels EINVAL).
  bool SetDtr(bool raised) override { return SetModemLine(TIOCM_DTR, raised); }
  bool SetRts(bool raised) override { return SetModemLine(TIOCM_RTS, raised); }

  // Windows latches a line error (overrun, parity, framing, break) and, with
  // fAbortOnError, fails every read and write until ClearCommError. Linux
  // latches nothing: with the raw line set here a damaged byte is delivered
  // as it came (no INPCK), overruns only count in the driver's statistics,
  // and a failed read or write leaves no state behind. So there is nothing
  // to clear.
  bool ClearErrors() override { return IsOpen(); }

  bool Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) override {
    bytesRead = 0;
    if (!IsOpen()) return false;
    TerminalChannel channel(fd_);
    return TimedRead(channel, timeouts_, buffer, count, bytesRead);
  }

  // Done when the driver has taken every byte, as on Windows, where the
  // serial driver completes a write once its bytes are queued; the exchange
  // holds RTS by timing for the bytes still on their way.
  bool Write(const uint8_t* bytes, std::size_t count) override {
    if (!IsOpen()) return false;
    TerminalChannel channel(fd_);
    return WriteAll(channel, bytes, count, WriteDeadline(timeouts_, count));
  }

  void Close() override {
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);
    close(fd_);  // also releases the flock
    fd_ = -1;
  }

  bool IsOpen() const override { return fd_ >= 0; }

 private:
  bool GetTermios(termios2& tio) const { return IsOpen() && ioctl(fd_, TCGETS2, &tio) == 0; }

  bool SetModemLine(int line, bool raised) {
    if (!IsOpen()) return false;
    return ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &line) == 0;
  }

  int fd_ = -1;
  // The control settings last written; none until the first SetLineSettings.
  std::optional<bool> dtrControl_;
  std::optional<bool> rtsControl_;
  bool rtsLeftAlone_ = false;
};

}  // namespace

bool EncodeLineFormat(const LineSettings& settings, uint32_t& cflag) {
  if (settings.dataBits < 5 || settings.dataBits > 8) return false;
  if (settings.stopBits == StopBits::OneAndHalf && settings.dataBits != 5) return false;
  if (settings.stopBits == StopBits::Two && settings.dataBits == 5) return false;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  uint32_t bits = cflag & ~static_cast<uint32_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  bits |= kSizes[settings.dataBits - 5];
  if (settings.parity == Parity::Even) bits |= PARENB;
  if (settings.parity == Parity::Odd) bits |= PARENB | PARODD;
  if (settings.stopBits != StopBits::One) bits |= CSTOPB;
  cflag = bits;
  return true;
}

void DecodeLineFormat(uint32_t cflag, LineSettings& settings) {
  switch (cflag & CSIZE) {
    case CS5: settings.dataBits = 5; break;
    case CS6: settings.dataBits = 6; break;
    case CS7: settings.dataBits = 7; break;
    default: settings.dataBits = 8; break;
  }
  if ((cflag & PARENB) == 0) {
    settings.parity = Parity::None;
  } else {
    settings.parity = (cflag & PARODD) != 0 ? Parity::Odd : Parity::Even;
  }
  // The UART's one stop-bit switch gives 1.5 stop bits with 5 data bits and
  // 2 with more; Windows' serial driver names them the same way.
  if ((cflag & CSTOPB) == 0) {
    settings.stopBits = StopBits::One;
  } else {
    settings.stopBits = settings.dataBits == 5 ? StopBits::OneAndHalf : StopBits::Two;
  }
}

PortHandle OpenSerialDevice(const std::string& deviceName) {
  if (deviceName.empty()) return nullptr;
  // O_NONBLOCK so that opening does not wait for carrier detect; the port
  // stays non-blocking and every wait is a poll() under its time-outs.
  const int fd = open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // TIOCEXCL refuses later opens, but not to root; the flock holds for
  // everyone who opens through this code. A second opener fails either way.
  // Nothing is changed on the line before the lock is ours.
  termios2 probe{};
  if (ioctl(fd, TCGETS2, &probe) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0 ||
      ioctl(fd, TIOCEXCL) != 0) {
    close(fd);
    return nullptr;
  }
  if (!MakeRawTerminal(fd)) {
    ioctl(fd, TIOCNXCL);
    close(fd);
    return nullptr;
  }
  return std::make_shared<PosixSerialPort>(fd);
}

}  // namespace vkt53

#endif  // !_WIN32
