// The serial port on Windows: the Win32 communications calls, one for one.
// COMMTIMEOUTS passes straight through, so the read and write time-outs are
// the system's own.
#ifdef _WIN32

#include "support/windows_api.h"

#include <algorithm>
#include <cstdint>

#include "link/serial_port.h"
#include "support/wide_text.h"

namespace vkt53 {

namespace {

constexpr std::size_t kMaxTransfer = MAXDWORD;

class Win32SerialPort final : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
  ~Win32SerialPort() override { Close(); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  bool GetLineSettings(LineSettings& settings) override {
    DCB dcb;
    if (!GetState(dcb)) return false;
    settings.baudRate = static_cast<int32_t>(dcb.BaudRate);
    settings.dataBits = dcb.ByteSize;
    switch (dcb.Parity) {
      case EVENPARITY: settings.parity = Parity::Even; break;
      case ODDPARITY: settings.parity = Parity::Odd; break;
      default: settings.parity = Parity::None; break;  // none (mark, space: not used here)
    }
    switch (dcb.StopBits) {
      case ONE5STOPBITS: settings.stopBits = StopBits::OneAndHalf; break;
      case TWOSTOPBITS: settings.stopBits = StopBits::Two; break;
      default: settings.stopBits = StopBits::One; break;
    }
    settings.dtrControl = dcb.fDtrControl == DTR_CONTROL_ENABLE;
    settings.rtsControl = dcb.fRtsControl == RTS_CONTROL_ENABLE;
    settings.rtsLeftAlone = rtsLeftAlone_;
    return true;
  }

  // Reads the state first and changes only the fields LineSettings holds;
  // flow control, special characters and the rest stay as reported.
  bool SetLineSettings(const LineSettings& settings) override {
    if (settings.baudRate <= 0 || settings.dataBits < 0 || settings.dataBits > 255) return false;
    DCB dcb;
    if (!GetState(dcb)) return false;
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    switch (settings.parity) {
      case Parity::Even: dcb.Parity = EVENPARITY; break;
      case Parity::Odd: dcb.Parity = ODDPARITY; break;
      default: dcb.Parity = NOPARITY; break;
    }
    switch (settings.stopBits) {
      case StopBits::OneAndHalf: dcb.StopBits = ONE5STOPBITS; break;
      case StopBits::Two: dcb.StopBits = TWOSTOPBITS; break;
      default: dcb.StopBits = ONESTOPBIT; break;
    }
    dcb.fDtrControl = settings.dtrControl ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    // Left alone, RTS keeps the control the system has for it (the driver's
    // own toggling, for instance).
    rtsLeftAlone_ = settings.rtsLeftAlone;
    if (!rtsLeftAlone_)
      dcb.fRtsControl = settings.rtsControl ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    return SetCommState(handle_, &dcb) != FALSE;
  }

  bool SetupQueues(uint32_t inputSize, uint32_t outputSize) override {
    return IsOpen() && SetupComm(handle_, inputSize, outputSize) != FALSE;
  }

  bool GetTimeouts(CommTimeouts& timeouts) override {
    COMMTIMEOUTS ct{};
    if (!IsOpen() || !GetCommTimeouts(handle_, &ct)) return false;
    timeouts.readInterval = ct.ReadIntervalTimeout;
    timeouts.readPerByte = ct.ReadTotalTimeoutMultiplier;
    timeouts.readConstant = ct.ReadTotalTimeoutConstant;
    timeouts.writePerByte = ct.WriteTotalTimeoutMultiplier;
    timeouts.writeConstant = ct.WriteTotalTimeoutConstant;
    return true;
  }

  bool SetTimeouts(const CommTimeouts& timeouts) override {
    if (!IsOpen()) return false;
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = timeouts.readInterval;
    ct.ReadTotalTimeoutMultiplier = timeouts.readPerByte;
    ct.ReadTotalTimeoutConstant = timeouts.readConstant;
    ct.WriteTotalTimeoutMultiplier = timeouts.writePerByte;
    ct.WriteTotalTimeoutConstant = timeouts.writeConstant;
    return SetCommTimeouts(handle_, &ct) != FALSE;
  }

  bool Purge() override {
    return IsOpen() && PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR | PURGE_TXABORT |
                                              PURGE_RXABORT) != FALSE;
  }

  bool SetDtr(bool raised) override { return Escape(raised ? SETDTR : CLRDTR); }
  bool SetRts(bool raised) override { return Escape(raised ? SETRTS : CLRRTS); }

  // Nothing acts on the error flags and status; clearing them is the point.
  bool ClearErrors() override {
    if (!IsOpen()) return false;
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(handle_, &errors, &status) != FALSE;
  }

  // A time-out completes ReadFile successfully with fewer bytes.
  bool Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) override {
    bytesRead = 0;
    if (!IsOpen()) return false;
    if (count == 0) return true;
    DWORD got = 0;
    const BOOL ok =
        ReadFile(handle_, buffer, static_cast<DWORD>(std::min(count, kMaxTransfer)), &got, nullptr);
    bytesRead = got;
    return ok != FALSE;
  }

  // A write time-out also completes WriteFile successfully, with fewer bytes
  // written; that is a failure here.
  bool Write(const uint8_t* bytes, std::size_t count) override {
    if (!IsOpen()) return false;
    std::size_t done = 0;
    do {
      const DWORD chunk = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
      DWORD written = 0;
      if (!WriteFile(handle_, bytes + done, chunk, &written, nullptr) || written != chunk) {
        return false;
      }
      done += chunk;
    } while (done < count);
    return true;
  }

  void Close() override {
    if (!IsOpen()) return;
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  bool GetState(DCB& dcb) {
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    return IsOpen() && GetCommState(handle_, &dcb) != FALSE;
  }

  bool Escape(DWORD function) { return IsOpen() && EscapeCommFunction(handle_, function) != FALSE; }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool rtsLeftAlone_ = false;
};

// The device's frames are binary: every byte value must pass. A port keeps
// what the last program set, so flow control and character handling are
// switched off here, as raw mode does on POSIX: with XON/XOFF left on, the
// bytes 0x11 and 0x13 of an answer would be swallowed.
bool MakeBinaryLine(HANDLE handle) {
  DCB dcb;
  ZeroMemory(&dcb, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb)) return false;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  return SetCommState(handle, &dcb) != FALSE;
}

}  // namespace

// Reading and writing, no sharing (exclusive), existing device only, no
// special attributes (synchronous I/O); a binary line without flow control.
PortHandle OpenSerialDevice(const std::string& deviceName) {
  if (deviceName.empty()) return nullptr;
  const HANDLE handle = CreateFileW(WideFromUtf8(deviceName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!MakeBinaryLine(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  return std::make_shared<Win32SerialPort>(handle);
}

}  // namespace vkt53

#endif  // _WIN32
