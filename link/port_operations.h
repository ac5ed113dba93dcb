// Port operations the link runs on: open and configure a COM port by number,
// set its speed and time-outs, clear its error state.
#pragma once

#include <cstdint>
#include <string>

#include "link/rts_mode.h"
#include "link/serial_port.h"

namespace vkt53 {

// Platform device name of COMn. The file INI/comports beside the program
// may map a port to a device server with a line "COMn=rfc2217://HOST:PORT"
// or "COMn=tcp://HOST:PORT". Otherwise on Windows it is "\\.\COMn"; on
// Linux a line "COMn=/dev/..." maps it, a port not listed takes the next
// serial device found (port_discovery.h), and "" when there is none.
std::string PortDeviceName(int portNumber);

// Opens COMportNumber and configures it. Parity code 0 none, 1 even, 2 odd,
// other none; stop-bit code 0 one, 1 one and a half, 2 two, other one;
// speed clamped to 110..256000, data bits to 4..8, queues to 1000..1000000;
// only the value 1 switches DTR or RTS control on. Null on any failure.
PortHandle OpenPort(int portNumber, int32_t speed, int dataBits, int parityCode, int stopBitCode,
                    int32_t inputQueue, int32_t outputQueue, uint8_t dtr, uint8_t rts);

// The same on a device named directly: a device path (tests, the emulator's
// terminal) or a port on a serial device server, "rfc2217://HOST:PORT" or
// "tcp://HOST:PORT" (network_port.h).
PortHandle OpenPortDevice(const std::string& deviceName, int32_t speed, int dataBits,
                          int parityCode, int stopBitCode, int32_t inputQueue,
                          int32_t outputQueue, uint8_t dtr, uint8_t rts);

// Why the last open of deviceName failed, in lines to show beside the port:
// for a network port what the connection met (refused, unreachable, no
// answer), for a device the missing permission. "" when it is not known.
std::string PortOpenFailureReason(const std::string& deviceName);

// How the link always opens its port: 1200 bit/s, 8 data bits, no parity,
// one stop bit, queues of 1000 bytes, DTR and RTS control on (RTS raised is
// receiving in both the normal and the inverted mode); in the mode off RTS
// is left as it is. The exchange sets its own speed before every request.
PortHandle OpenLinkPort(const std::string& deviceName, RtsMode rts = RtsMode::Normal);

// The clamps and codes OpenPort applies, for tests and for
// the dialogs that show what will be configured.
int32_t ClampPortSpeed(int32_t speed);        // 110..256000
int ClampDataBits(int dataBits);              // 4..8
uint32_t ClampQueueSize(int32_t size);        // 1000..1000000
Parity ParityOfCode(int parityCode);          // 0 none, 1 even, 2 odd, other none
StopBits StopBitsOfCode(int stopBitCode);     // 0 one, 1 one and a half, 2 two, other one
// `current` (as the system reports it) with the fields OpenPort sets replaced.
LineSettings PortLineSettings(LineSettings current, int32_t speed, int dataBits, int parityCode,
                              int stopBitCode, uint8_t dtr, uint8_t rts);

// Bits one character takes on the wire: start, data, parity and stop bits.
double CharacterBits(const LineSettings& line);

bool SetPortSpeed(const PortHandle& port, int32_t speed);
bool SetReadTimeouts(const PortHandle& port, uint32_t intervalMs, uint32_t perByteMs,
                     uint32_t constantMs);
bool SetWriteTimeouts(const PortHandle& port, uint32_t perByteMs, uint32_t constantMs);
bool ClearPortErrors(const PortHandle& port);

}  // namespace vkt53
