// The serial port layer over a real pseudo-terminal: the code under
// test opens the slave side, the test plays the far end on the master side.
//
// Timing tests assert "no earlier than the timing asks" exactly and "no later
// than that plus a generous margin", so a loaded machine cannot make them fail.
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "link/port_operations.h"
#include "support/raw_terminal.h"
#include "support/program_folder.h"
#include "link/serial_port.h"
#include "link/serial_port_posix.h"
#include "config/speed_table.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/pty_peer.h"

using namespace vkt53;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint32_t kMaxDword = std::numeric_limits<uint32_t>::max();
// How late a wait may end on a loaded two-core machine before a test calls it wrong.
constexpr long kSlackMs = 500;

long MsSince(Clock::time_point from) {
  return static_cast<long>(
      std::chrono::duration_cast<milliseconds>(Clock::now() - from).count());
}

// Processor time this thread has used, in ms: a wait that spins shows here.
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The slave's termios as the code under test left it; termios ioctls on a
// pseudo-terminal's master act on its slave.
termios2 SlaveTermios(const PtyPeer& peer) {
  termios2 tio{};
  EXPECT_EQ(ioctl(peer.masterFd(), TCGETS2, &tio), 0);
  return tio;
}

// Whether this kernel's pseudo-terminal keeps data bits and parity enable.
// Recent kernels force CS8 and clear PARENB on a pty whatever is set (PARODD,
// CMSPAR and CSTOPB are kept); there only the encoding tests see those bits.
bool PtyKeepsDataBitsAndParity(const PtyPeer& peer) {
  termios2 saved{};
  if (ioctl(peer.masterFd(), TCGETS2, &saved) != 0) return false;
  termios2 probe = saved;
  probe.c_cflag = (probe.c_cflag & ~CSIZE) | CS7 | PARENB;
  ioctl(peer.masterFd(), TCSETS2, &probe);
  termios2 back{};
  ioctl(peer.masterFd(), TCGETS2, &back);
  ioctl(peer.masterFd(), TCSETS2, &saved);
  return (back.c_cflag & CSIZE) == CS7 && (back.c_cflag & PARENB) != 0;
}

// What the checks of the line format on a pseudo-terminal say when they
// cannot run; the LineFormat tests check the same encoding without one.
constexpr char kPtyForcesFormat[] =
    "this kernel's pseudo-terminal forces 8 data bits and no parity whatever is set, so data "
    "bits and parity cannot be seen on it (LineFormat.* checks their encoding instead)";

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> v;
  for (int x : values) v.push_back(static_cast<uint8_t>(x));
  return v;
}

// The far end writing at known moments after t0, on a thread of its own.
class ScheduledSender {
 public:
  struct Step {
    int atMs;
    std::vector<uint8_t> bytes;
  };
  ScheduledSender(PtyPeer& peer, Clock::time_point t0, std::vector<Step> plan)
      : thread_([&peer, t0, plan = std::move(plan)] {
          for (const auto& step : plan) {
            std::this_thread::sleep_until(t0 + milliseconds(step.atMs));
            peer.Send(step.bytes);
          }
        }) {}
  ~ScheduledSender() { thread_.join(); }
  ScheduledSender(const ScheduledSender&) = delete;
  ScheduledSender& operator=(const ScheduledSender&) = delete;

 private:
  std::thread thread_;
};

// ---------------------------------------------------------------- opening

class SerialOpenTest : public ::testing::Test {
 protected:
  PtyPeer peer;
};

TEST_F(SerialOpenTest, OpensTheSlaveAndMakesTheLineRaw) {
  PortHandle port = OpenSerialDevice(peer.slavePath());
  ASSERT_TRUE(port);
  EXPECT_TRUE(port->IsOpen());
  const termios2 tio = SlaveTermios(peer);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP | INPCK), 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST_F(SerialOpenTest, SecondOpenOfTheSameDeviceFails) {
  PortHandle first = OpenSerialDevice(peer.slavePath());
  ASSERT_TRUE(first);
  EXPECT_FALSE(OpenSerialDevice(peer.slavePath()));
  EXPECT_FALSE(OpenLinkPort(peer.slavePath()));
  // The refused opener changed nothing: the first still works.
  ASSERT_TRUE(SetReadTimeouts(first, kMaxDword, 0, 0));
  peer.Send(Bytes({0x42}));
  std::this_thread::sleep_for(milliseconds(50));
  uint8_t b = 0;
  std::size_t got = 0;
  EXPECT_TRUE(first->Read(&b, 1, got));
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(b, 0x42);
}

TEST_F(SerialOpenTest, ClosingReleasesTheDevice) {
  PortHandle first = OpenSerialDevice(peer.slavePath());
  ASSERT_TRUE(first);
  first->Close();
  PortHandle second = OpenSerialDevice(peer.slavePath());
  EXPECT_TRUE(second);
  second.reset();  // the last handle gone closes the port too
  EXPECT_TRUE(OpenSerialDevice(peer.slavePath()));
}

TEST_F(SerialOpenTest, MissingOrNonTerminalDeviceFails) {
  EXPECT_FALSE(OpenSerialDevice("/dev/vkt53-no-such-device"));
  EXPECT_FALSE(OpenSerialDevice(""));
  EXPECT_FALSE(OpenLinkPort("/dev/vkt53-no-such-device"));
  char path[] = "/tmp/vkt53-notatty-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_FALSE(OpenSerialDevice(path));
  unlink(path);
}

TEST_F(SerialOpenTest, DeviceWithoutPermissionFails) {
  if (geteuid() != 0) {
    struct stat st {};
    ASSERT_EQ(stat(peer.slavePath().c_str(), &st), 0);
    ASSERT_EQ(chmod(peer.slavePath().c_str(), 0), 0);
    EXPECT_FALSE(OpenLinkPort(peer.slavePath()));
    chmod(peer.slavePath().c_str(), st.st_mode & 07777);
    return;
  }
  // Root may open anything: try as an unprivileged user in a child process.
  ASSERT_EQ(chmod(peer.slavePath().c_str(), 0600), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(OpenLinkPort(peer.slavePath()) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened without permission, 2: could not drop root";
}

TEST_F(SerialOpenTest, OpenPortDefaultsAreTheLinkSettings) {
  PortHandle port = OpenLinkPort(peer.slavePath());
  ASSERT_TRUE(port);
  const termios2 tio = SlaveTermios(peer);
  EXPECT_EQ(tio.c_ospeed, 1200u);
  EXPECT_EQ(tio.c_ispeed, 1200u);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CSTOPB), 0u);
  LineSettings s;
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_EQ(s.baudRate, 1200);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.parity, Parity::None);
  EXPECT_EQ(s.stopBits, StopBits::One);
  EXPECT_TRUE(s.dtrControl);
  EXPECT_TRUE(s.rtsControl);
  EXPECT_FALSE(s.rtsLeftAlone);

  // A converter that switches direction by itself: RTS stays its own, also
  // through the speed the exchange sets before every request.
  port->Close();
  port = OpenLinkPort(peer.slavePath(), RtsMode::Off);
  ASSERT_TRUE(port);
  ASSERT_TRUE(SetPortSpeed(port, 9600));
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_EQ(s.baudRate, 9600);
  EXPECT_TRUE(s.rtsLeftAlone);
}

struct SpeedCase {
  int32_t asked;
  int32_t configured;
};

class OpenPortSpeedTest : public ::testing::TestWithParam<SpeedCase> {
 protected:
  PtyPeer peer;
};

TEST_P(OpenPortSpeedTest, SpeedIsClampedOrSetExactly) {
  PortHandle port = OpenPortDevice(peer.slavePath(), GetParam().asked, 8, 0, 0, 1000, 1000, 1, 1);
  ASSERT_TRUE(port);
  EXPECT_EQ(peer.SlaveBitRate(), GetParam().configured);
  LineSettings s;
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_EQ(s.baudRate, GetParam().configured);
}

INSTANTIATE_TEST_SUITE_P(Part11, OpenPortSpeedTest,
                         ::testing::Values(SpeedCase{50, 110}, SpeedCase{-5, 110},
                                           SpeedCase{110, 110}, SpeedCase{300000, 256000},
                                           SpeedCase{256000, 256000}, SpeedCase{230400, 230400},
                                           SpeedCase{3200, 3200}, SpeedCase{5760, 5760},
                                           SpeedCase{7680, 7680}));

TEST_F(SerialOpenTest, EverySpeedOfTheExchangeTableIsSetExactly) {
  PortHandle port = OpenLinkPort(peer.slavePath());
  ASSERT_TRUE(port);
  for (int32_t speed : kExchangeSpeeds) {
    ASSERT_TRUE(SetPortSpeed(port, speed)) << speed;
    EXPECT_EQ(peer.SlaveBitRate(), speed);
    EXPECT_EQ(SlaveTermios(peer).c_ispeed, static_cast<speed_t>(speed));
    LineSettings s;
    ASSERT_TRUE(port->GetLineSettings(s));
    EXPECT_EQ(s.baudRate, speed);
  }
}

TEST_F(SerialOpenTest, SetPortSpeedKeepsDataBitsAndParity) {
  if (!PtyKeepsDataBitsAndParity(peer)) GTEST_SKIP() << kPtyForcesFormat;
  PortHandle port = OpenPortDevice(peer.slavePath(), 1200, 7, 2, 2, 1000, 1000, 0, 1);
  ASSERT_TRUE(port);
  ASSERT_TRUE(SetPortSpeed(port, 19200));
  const termios2 tio = SlaveTermios(peer);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB | PARODD));
}

TEST_F(SerialOpenTest, SetPortSpeedClampsAndChangesOnlyTheSpeed) {
  PortHandle port = OpenPortDevice(peer.slavePath(), 1200, 7, 2, 2, 1000, 1000, 0, 1);
  ASSERT_TRUE(port);
  ASSERT_TRUE(SetPortSpeed(port, 19200));
  termios2 tio = SlaveTermios(peer);
  EXPECT_EQ(tio.c_ospeed, 19200u);
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  LineSettings s;
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_EQ(s.stopBits, StopBits::Two);
  EXPECT_FALSE(s.dtrControl);
  EXPECT_TRUE(s.rtsControl);
  ASSERT_TRUE(SetPortSpeed(port, 50));
  EXPECT_EQ(peer.SlaveBitRate(), 110);
  ASSERT_TRUE(SetPortSpeed(port, 1000000));
  EXPECT_EQ(peer.SlaveBitRate(), 256000);
}

TEST(PortDecoding, ClampsAndCodesOfPart11) {
  EXPECT_EQ(ClampPortSpeed(50), 110);
  EXPECT_EQ(ClampPortSpeed(300000), 256000);
  EXPECT_EQ(ClampPortSpeed(230400), 230400);
  EXPECT_EQ(ClampDataBits(9), 8);
  EXPECT_EQ(ClampDataBits(3), 4);
  EXPECT_EQ(ClampDataBits(7), 7);
  EXPECT_EQ(ClampQueueSize(0), 1000u);
  EXPECT_EQ(ClampQueueSize(500), 1000u);
  EXPECT_EQ(ClampQueueSize(-1), 1000u);
  EXPECT_EQ(ClampQueueSize(5000), 5000u);
  EXPECT_EQ(ClampQueueSize(2000000), 1000000u);
  EXPECT_EQ(ParityOfCode(0), Parity::None);
  EXPECT_EQ(ParityOfCode(1), Parity::Even);
  EXPECT_EQ(ParityOfCode(2), Parity::Odd);
  EXPECT_EQ(ParityOfCode(3), Parity::None);
  EXPECT_EQ(ParityOfCode(-1), Parity::None);
  EXPECT_EQ(StopBitsOfCode(0), StopBits::One);
  EXPECT_EQ(StopBitsOfCode(1), StopBits::OneAndHalf);
  EXPECT_EQ(StopBitsOfCode(2), StopBits::Two);
  EXPECT_EQ(StopBitsOfCode(3), StopBits::One);

  LineSettings current;
  current.dtrControl = false;
  const LineSettings s = PortLineSettings(current, 50, 3, 2, 1, 2, 1);
  EXPECT_EQ(s.baudRate, 110);
  EXPECT_EQ(s.dataBits, 4);
  EXPECT_EQ(s.parity, Parity::Odd);
  EXPECT_EQ(s.stopBits, StopBits::OneAndHalf);
  EXPECT_FALSE(s.dtrControl);  // 2 is not 1
  EXPECT_TRUE(s.rtsControl);
}

TEST(SpeedTable, SpeedIndexesAndSpeedsConvertBothWays) {
  // The 22 speeds in the order the device numbers them.
  const int32_t listed[] = {300,   600,   1200,  2400,  3200,  3600,   4800,  5760,
                            6400,  7200,  7680,  9600,  11520, 12800,  14400, 19200,
                            23040, 28800, 38400, 57600, 115200, 230400};
  for (int i = 0; i < 22; ++i) {
    EXPECT_EQ(SpeedOfIndex(i), listed[i]) << i;
    EXPECT_EQ(IndexOfSpeed(listed[i]), i) << listed[i];
  }
  EXPECT_EQ(IndexOfSpeed(1200), 2);
  for (int32_t notListed : {1000, 0, -1200, 110, 256000, 460800}) {
    EXPECT_EQ(IndexOfSpeed(notListed), -1) << notListed;
  }
  EXPECT_EQ(SpeedOfIndex(21), 230400);
  for (int outside : {22, 31, 255, -1}) EXPECT_EQ(SpeedOfIndex(outside), 0) << outside;
}

TEST(LineFormat, DataBitsParityAndStopBitsInTheControlWord) {
  const tcflag_t kFormat = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
  const tcflag_t kOther = CREAD | CLOCAL | HUPCL | BOTHER;
  struct Case {
    int dataBits;
    Parity parity;
    StopBits stopBits;
    tcflag_t expected;
  };
  const Case cases[] = {
      {8, Parity::None, StopBits::One, CS8},
      {7, Parity::Even, StopBits::One, CS7 | PARENB},
      {6, Parity::Odd, StopBits::Two, CS6 | PARENB | PARODD | CSTOPB},
      {5, Parity::None, StopBits::OneAndHalf, CS5 | CSTOPB},
      {8, Parity::Odd, StopBits::Two, CS8 | PARENB | PARODD | CSTOPB},
  };
  for (const Case& c : cases) {
    LineSettings s;
    s.dataBits = c.dataBits;
    s.parity = c.parity;
    s.stopBits = c.stopBits;
    uint32_t cflag = kOther | CMSPAR | CS5 | PARODD;  // old format bits go
    ASSERT_TRUE(EncodeLineFormat(s, cflag)) << c.dataBits;
    EXPECT_EQ(cflag & kFormat, c.expected) << c.dataBits;
    EXPECT_EQ(cflag & ~kFormat, kOther) << c.dataBits;
    LineSettings back;
    DecodeLineFormat(cflag, back);
    EXPECT_EQ(back.dataBits, c.dataBits);
    EXPECT_EQ(back.parity, c.parity);
    EXPECT_EQ(back.stopBits, c.stopBits);
  }
  // What neither the UART nor Windows' serial driver takes.
  const Case refused[] = {{4, Parity::None, StopBits::One, 0},
                          {9, Parity::None, StopBits::One, 0},
                          {8, Parity::None, StopBits::OneAndHalf, 0},
                          {6, Parity::Even, StopBits::OneAndHalf, 0},
                          {5, Parity::None, StopBits::Two, 0}};
  for (const Case& c : refused) {
    LineSettings s;
    s.dataBits = c.dataBits;
    s.parity = c.parity;
    s.stopBits = c.stopBits;
    uint32_t cflag = CS8 | CREAD;
    EXPECT_FALSE(EncodeLineFormat(s, cflag)) << c.dataBits;
    EXPECT_EQ(cflag, static_cast<uint32_t>(CS8 | CREAD));
  }
  // OpenPort's clamp of 9 data bits is 8.
  uint32_t cflag = 0;
  ASSERT_TRUE(EncodeLineFormat(PortLineSettings(LineSettings{}, 1200, 9, 0, 0, 1, 1), cflag));
  EXPECT_EQ(cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

// OpenPort's data bits as the line shows them.
const std::pair<int, tcflag_t> kDataBitCases[] = {{9, CS8}, {5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
// OpenPort's parity codes: 2 is odd, not even; anything else is none.
const std::pair<int, tcflag_t> kParityCases[] = {{0, 0},           {1, PARENB}, {2, PARENB | PARODD},
                                                 {3, 0},           {-1, 0},     {255, 0}};

TEST(LineFormat, OpenPortCodesReachTheControlWord) {
  // What OpenPort writes for its data bits, parity and stop-bit codes, and
  // that SetPortSpeed, which reads the settings back and writes them again,
  // keeps it: the checks the pseudo-terminal above may not be able to make.
  const tcflag_t kFormat = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
  auto controlWord = [](int dataBits, int parityCode, int stopBitCode) {
    uint32_t cflag = CREAD | CLOCAL;
    const LineSettings s = PortLineSettings(LineSettings{}, 1200, dataBits, parityCode, stopBitCode, 1, 1);
    EXPECT_TRUE(EncodeLineFormat(s, cflag)) << dataBits << " " << parityCode << " " << stopBitCode;
    return cflag;
  };
  auto afterSetPortSpeed = [](uint32_t cflag) {
    LineSettings s;
    DecodeLineFormat(cflag, s);
    s.baudRate = 19200;
    EXPECT_TRUE(EncodeLineFormat(s, cflag));
    return cflag;
  };
  for (const auto& [bits, flag] : kDataBitCases) {
    const uint32_t cflag = controlWord(bits, 0, 0);
    EXPECT_EQ(cflag & kFormat, flag) << bits;
    EXPECT_EQ(afterSetPortSpeed(cflag), cflag) << bits;
  }
  for (const auto& [code, flags] : kParityCases) {
    const uint32_t cflag = controlWord(8, code, 0);
    EXPECT_EQ(cflag & kFormat, CS8 | flags) << code;
    EXPECT_EQ(afterSetPortSpeed(cflag), cflag) << code;
  }
  EXPECT_EQ(controlWord(5, 0, 1) & kFormat, static_cast<tcflag_t>(CS5 | CSTOPB));
  EXPECT_EQ(afterSetPortSpeed(controlWord(7, 2, 2)) & kFormat,
            static_cast<tcflag_t>(CS7 | PARENB | PARODD | CSTOPB));
}

TEST_F(SerialOpenTest, DataBitsAreSetOnTheLine) {
  if (!PtyKeepsDataBitsAndParity(peer)) GTEST_SKIP() << kPtyForcesFormat;
  for (const auto& [bits, flag] : kDataBitCases) {
    PortHandle port = OpenPortDevice(peer.slavePath(), 1200, bits, 0, 0, 1000, 1000, 1, 1);
    ASSERT_TRUE(port) << bits;
    EXPECT_EQ(SlaveTermios(peer).c_cflag & CSIZE, flag) << bits;
    LineSettings s;
    ASSERT_TRUE(port->GetLineSettings(s));
    EXPECT_EQ(s.dataBits, std::min(bits, 8));
  }
}

TEST_F(SerialOpenTest, DataBitsFiveToNineOpenAndThreeIsRefused) {
  for (const auto& [bits, flag] : kDataBitCases) {
    EXPECT_TRUE(OpenPortDevice(peer.slavePath(), 1200, bits, 0, 0, 1000, 1000, 1, 1)) << bits;
  }
  // 3 is clamped to 4, which no termios (and no Windows serial driver) has:
  // the port refuses the settings, so OpenPort fails and leaves it closed.
  EXPECT_FALSE(OpenPortDevice(peer.slavePath(), 1200, 3, 0, 0, 1000, 1000, 1, 1));
  EXPECT_TRUE(OpenLinkPort(peer.slavePath()));
}

TEST_F(SerialOpenTest, ParityCodesSetOddOrEven) {
  // PARODD survives on every pseudo-terminal: 2 is odd, not even.
  for (const auto& [code, flags] : kParityCases) {
    PortHandle port = OpenPortDevice(peer.slavePath(), 1200, 8, code, 0, 1000, 1000, 1, 1);
    ASSERT_TRUE(port) << code;
    EXPECT_EQ(SlaveTermios(peer).c_cflag & (PARODD | CMSPAR), flags & PARODD) << code;
  }
}

TEST_F(SerialOpenTest, ParityCodesSwitchParityOnTheLine) {
  if (!PtyKeepsDataBitsAndParity(peer)) GTEST_SKIP() << kPtyForcesFormat;
  for (const auto& [code, flags] : kParityCases) {
    PortHandle port = OpenPortDevice(peer.slavePath(), 1200, 8, code, 0, 1000, 1000, 1, 1);
    ASSERT_TRUE(port) << code;
    EXPECT_EQ(SlaveTermios(peer).c_cflag & PARENB, flags & PARENB) << code;
    LineSettings s;
    ASSERT_TRUE(port->GetLineSettings(s));
    EXPECT_EQ(s.parity, ParityOfCode(code));
  }
}

TEST_F(SerialOpenTest, OneAndAHalfStopBitsAreFiveDataBitsWithTheStopSwitch) {
  if (!PtyKeepsDataBitsAndParity(peer)) GTEST_SKIP() << kPtyForcesFormat;
  PortHandle port = OpenPortDevice(peer.slavePath(), 1200, 5, 0, 1, 1000, 1000, 1, 1);
  ASSERT_TRUE(port);
  const termios2 tio = SlaveTermios(peer);
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
  LineSettings s;
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_EQ(s.stopBits, StopBits::OneAndHalf);
}

TEST_F(SerialOpenTest, StopBitCodes) {
  LineSettings s;
  const std::pair<int, bool> eightBitCases[] = {{0, false}, {7, false}, {-1, false}, {2, true}};
  for (const auto& [code, stopSwitch] : eightBitCases) {
    PortHandle port = OpenPortDevice(peer.slavePath(), 1200, 8, 0, code, 1000, 1000, 1, 1);
    ASSERT_TRUE(port) << code;
    EXPECT_EQ((SlaveTermios(peer).c_cflag & CSTOPB) != 0, stopSwitch) << code;
    ASSERT_TRUE(port->GetLineSettings(s));
    EXPECT_EQ(s.stopBits, stopSwitch ? StopBits::Two : StopBits::One) << code;
  }
  // One and a half stop bits: the UART's stop-bit switch with 5 data bits.
  EXPECT_TRUE(OpenPortDevice(peer.slavePath(), 1200, 5, 0, 1, 1000, 1000, 1, 1));
  EXPECT_NE(SlaveTermios(peer).c_cflag & CSTOPB, 0u);
  // Combinations the hardware cannot make are refused, as Windows' serial
  // driver refuses them: 1.5 stop bits with 6..8 data bits, 2 with 5.
  EXPECT_FALSE(OpenPortDevice(peer.slavePath(), 1200, 8, 0, 1, 1000, 1000, 1, 1));
  EXPECT_FALSE(OpenPortDevice(peer.slavePath(), 1200, 5, 0, 2, 1000, 1000, 1, 1));
}

TEST_F(SerialOpenTest, ControlLinesFailOnAPseudoTerminalButOpenSucceeds) {
  PortHandle port = OpenLinkPort(peer.slavePath());
  ASSERT_TRUE(port);
  EXPECT_FALSE(port->SetDtr(true));
  EXPECT_FALSE(port->SetRts(true));
  EXPECT_FALSE(port->SetRts(false));
  EXPECT_TRUE(port->IsOpen());  // never fatal
  port->Close();

  // Only 1 switches a line's control on; each change is tried on the line.
  port = OpenPortDevice(peer.slavePath(), 1200, 8, 0, 0, 1000, 1000, 2, 0);
  ASSERT_TRUE(port);
  LineSettings s;
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_FALSE(s.dtrControl);
  EXPECT_FALSE(s.rtsControl);
  s.dtrControl = true;
  EXPECT_TRUE(port->SetLineSettings(s));
  ASSERT_TRUE(port->GetLineSettings(s));
  EXPECT_TRUE(s.dtrControl);
  EXPECT_FALSE(s.rtsControl);
}

TEST_F(SerialOpenTest, QueueSizesOfAnyValueOpen) {
  EXPECT_TRUE(OpenPortDevice(peer.slavePath(), 1200, 8, 0, 0, 0, 2000000, 1, 1));
  PortHandle port = OpenLinkPort(peer.slavePath());
  ASSERT_TRUE(port);
  EXPECT_TRUE(port->SetupQueues(1000, 1000));
  EXPECT_TRUE(port->ClearErrors());
  EXPECT_TRUE(ClearPortErrors(port));
}

TEST_F(SerialOpenTest, TimeoutSettersKeepTheOtherFields) {
  PortHandle port = OpenLinkPort(peer.slavePath());
  ASSERT_TRUE(port);
  ASSERT_TRUE(SetWriteTimeouts(port, 50, 60));
  ASSERT_TRUE(SetReadTimeouts(port, 10, 20, 30));
  CommTimeouts t;
  ASSERT_TRUE(port->GetTimeouts(t));
  EXPECT_EQ(t.readInterval, 10u);
  EXPECT_EQ(t.readPerByte, 20u);
  EXPECT_EQ(t.readConstant, 30u);
  EXPECT_EQ(t.writePerByte, 50u);
  EXPECT_EQ(t.writeConstant, 60u);
  ASSERT_TRUE(SetWriteTimeouts(port, 1, 2));
  ASSERT_TRUE(port->GetTimeouts(t));
  EXPECT_EQ(t.readInterval, 10u);
  EXPECT_EQ(t.readPerByte, 20u);
  EXPECT_EQ(t.readConstant, 30u);
  EXPECT_EQ(t.writePerByte, 1u);
  EXPECT_EQ(t.writeConstant, 2u);
}

// ---------------------------------------------------------------- port names

class PortNameTest : public ::testing::Test {
 protected:
  void WriteMap(const std::string& text) { folder_.WritePortMap(text); }

  ProgramFolderFixture folder_;
};

// The fixture's device tree is empty: a port no line names maps to nothing
// (port_discovery_test.cpp has the devices found).
TEST_F(PortNameTest, WithoutAMapOrDevicesPortsMapToNothing) {
  EXPECT_EQ(PortDeviceName(1), "");
  EXPECT_EQ(PortDeviceName(8), "");
  EXPECT_EQ(PortDeviceName(0), "");
}

TEST_F(PortNameTest, TheMapFileNamesDevices) {
  WriteMap(
      "# ports of this PC\n"
      "\n"
      "   \n"
      "  COM3 =   /dev/ttyUSB0   \r\n"
      "com5=/dev/serial/by-id/usb-FTDI-if00-port0\n"
      "#COM6=/dev/commented\n"
      "COM4\n"
      "COM2=\n"
      "COM10=/dev/ttyUSB9\n"
      "COMX=/dev/nothing\n"
      "COM3=/dev/second-mention\n"
      "\tCOM7\t=\t/dev/ttyACM0");
  EXPECT_EQ(PortDeviceName(3), "/dev/ttyUSB0");
  EXPECT_EQ(PortDeviceName(5), "/dev/serial/by-id/usb-FTDI-if00-port0");
  EXPECT_EQ(PortDeviceName(7), "/dev/ttyACM0");
  EXPECT_EQ(PortDeviceName(6), "");
  EXPECT_EQ(PortDeviceName(4), "");
  EXPECT_EQ(PortDeviceName(2), "");
  EXPECT_EQ(PortDeviceName(1), "");
  EXPECT_EQ(PortDeviceName(10), "/dev/ttyUSB9");
}

TEST_F(PortNameTest, OpenPortOpensTheMappedDevice) {
  PtyPeer peer;
  WriteMap("COM2=" + peer.slavePath() + "\nCOM3=/dev/vkt53-no-such-device\n");
  PortHandle port = OpenPort(2, 50, 8, 0, 0, 1000, 1000, 1, 1);
  ASSERT_TRUE(port);
  EXPECT_EQ(peer.SlaveBitRate(), 110);
  EXPECT_FALSE(OpenPort(2, 1200, 8, 0, 0, 1000, 1000, 1, 1));  // exclusive
  EXPECT_FALSE(OpenPort(3, 1200, 8, 0, 0, 1000, 1000, 1, 1));
  port->Close();
  EXPECT_TRUE(OpenPort(2, 1200, 8, 0, 0, 1000, 1000, 1, 1));
}

// ---------------------------------------------------------------- reading

class SerialReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = OpenLinkPort(peer.slavePath());
    ASSERT_TRUE(port);
  }

  // Reads count bytes; returns the bytes and records the time taken and
  // the processor time used.
  std::vector<uint8_t> TimedRead(std::size_t count, Clock::time_point t0) {
    std::vector<uint8_t> buf(count + 1, 0xEE);
    std::size_t got = 12345;
    const double cpu0 = ThreadCpuMs();
    readOk = port->Read(buf.data(), count, got);
    elapsedMs = MsSince(t0);
    cpuMs = ThreadCpuMs() - cpu0;
    EXPECT_LE(got, count);
    buf.resize(std::min(got, count));
    return buf;
  }

  PtyPeer peer;
  PortHandle port;
  bool readOk = false;
  long elapsedMs = 0;
  double cpuMs = 0;
};

TEST_F(SerialReadTest, TotalIsPerByteTimesCountPlusConstant) {
  ASSERT_TRUE(SetReadTimeouts(port, 0, 50, 100));
  const auto t0 = Clock::now();
  const auto got = TimedRead(4, t0);
  EXPECT_TRUE(readOk);  // a time-out is not a failure
  EXPECT_TRUE(got.empty());
  EXPECT_GE(elapsedMs, 300);
  EXPECT_LT(elapsedMs, 300 + kSlackMs);
  EXPECT_LT(cpuMs, 50);
}

TEST_F(SerialReadTest, TotalCountsFromTheStartOfTheRead) {
  ASSERT_TRUE(SetReadTimeouts(port, 0, 0, 600));
  const auto t0 = Clock::now();
  ScheduledSender sender(peer, t0, {{500, Bytes({1, 2, 3})}});
  const auto got = TimedRead(10, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({1, 2, 3}));
  EXPECT_GE(elapsedMs, 600);
  EXPECT_LT(elapsedMs, 500 + 600);  // not restarted by the bytes
}

TEST_F(SerialReadTest, ReadEndsAsSoonAsAllBytesHaveCome) {
  ASSERT_TRUE(SetReadTimeouts(port, 1000, 1000, 5000));
  const auto t0 = Clock::now();
  ScheduledSender sender(peer, t0, {{100, Bytes({0x33, 0x00, 0x0C, 0x11})}});
  const auto got = TimedRead(3, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({0x33, 0x00, 0x0C}));
  EXPECT_GE(elapsedMs, 100);
  EXPECT_LT(elapsedMs, 100 + kSlackMs);
  // The fourth byte stays for the next read.
  const auto rest = TimedRead(1, Clock::now());
  EXPECT_EQ(rest, Bytes({0x11}));
}

TEST_F(SerialReadTest, AnIntervalGapEndsTheReadWithWhatCame) {
  ASSERT_TRUE(SetReadTimeouts(port, 150, 0, 4000));
  const auto t0 = Clock::now();
  ScheduledSender sender(peer, t0, {{50, Bytes({1, 2})}, {100, Bytes({3, 4})}});
  const auto got = TimedRead(10, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({1, 2, 3, 4}));
  EXPECT_GE(elapsedMs, 100 + 150);
  EXPECT_LT(elapsedMs, 100 + 150 + kSlackMs);
  EXPECT_LT(cpuMs, 50);
}

TEST_F(SerialReadTest, BurstsWithinTheIntervalAreAllRead) {
  ASSERT_TRUE(SetReadTimeouts(port, 400, 0, 0));
  const auto t0 = Clock::now();
  ScheduledSender sender(peer, t0,
                         {{50, Bytes({1, 2})},
                          {90, Bytes({3, 4})},
                          {130, Bytes({5, 6})},
                          {170, Bytes({7, 8})},
                          {210, Bytes({9, 10})}});
  const auto got = TimedRead(10, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_GE(elapsedMs, 210);
  EXPECT_LT(elapsedMs, 210 + kSlackMs);
}

TEST_F(SerialReadTest, ZeroTotalWaitsForTheFirstByteThenTheIntervalApplies) {
  ASSERT_TRUE(SetReadTimeouts(port, 100, 0, 0));
  const auto t0 = Clock::now();
  ScheduledSender sender(peer, t0, {{600, Bytes({0x55})}});
  const auto got = TimedRead(5, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({0x55}));
  EXPECT_GE(elapsedMs, 600 + 100);
  EXPECT_LT(elapsedMs, 600 + 100 + kSlackMs);
  EXPECT_LT(cpuMs, 50);
}

TEST_F(SerialReadTest, NoTimeoutsAtAllWaitForEveryByteWithoutSpinning) {
  ASSERT_TRUE(SetReadTimeouts(port, 0, 0, 0));
  const auto t0 = Clock::now();
  ScheduledSender sender(peer, t0, {{100, Bytes({7})}, {500, Bytes({8, 9})}});
  const auto got = TimedRead(3, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({7, 8, 9}));
  EXPECT_GE(elapsedMs, 500);
  EXPECT_LT(elapsedMs, 500 + kSlackMs);
  EXPECT_LT(cpuMs, 50);
}

TEST_F(SerialReadTest, IntervalMaxdwordWithZeroTotalsReturnsAtOnce) {
  ASSERT_TRUE(SetReadTimeouts(port, kMaxDword, 0, 0));
  auto got = TimedRead(10, Clock::now());
  EXPECT_TRUE(readOk);
  EXPECT_TRUE(got.empty());
  EXPECT_LT(elapsedMs, 100);
  peer.Send(Bytes({4, 5, 6}));
  std::this_thread::sleep_for(milliseconds(100));
  got = TimedRead(10, Clock::now());
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({4, 5, 6}));
  EXPECT_LT(elapsedMs, 100);
}

TEST_F(SerialReadTest, IntervalAndPerByteMaxdwordReturnOnTheFirstBytes) {
  ASSERT_TRUE(SetReadTimeouts(port, kMaxDword, kMaxDword, 300));
  auto t0 = Clock::now();
  auto got = TimedRead(10, t0);
  EXPECT_TRUE(readOk);
  EXPECT_TRUE(got.empty());
  EXPECT_GE(elapsedMs, 300);
  EXPECT_LT(elapsedMs, 300 + kSlackMs);

  ASSERT_TRUE(SetReadTimeouts(port, kMaxDword, kMaxDword, 3000));
  t0 = Clock::now();
  ScheduledSender sender(peer, t0, {{100, Bytes({1, 2})}});
  got = TimedRead(10, t0);
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, Bytes({1, 2}));
  EXPECT_GE(elapsedMs, 100);
  EXPECT_LT(elapsedMs, 100 + kSlackMs);
}

TEST_F(SerialReadTest, ReadingNothingReturnsAtOnce) {
  ASSERT_TRUE(SetReadTimeouts(port, 0, 0, 0));
  const auto got = TimedRead(0, Clock::now());
  EXPECT_TRUE(readOk);
  EXPECT_TRUE(got.empty());
  EXPECT_LT(elapsedMs, 100);
}

TEST_F(SerialReadTest, EveryByteValuePassesUnchangedBothWays) {
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
  ASSERT_TRUE(SetWriteTimeouts(port, 50, 50));
  ASSERT_TRUE(port->Write(all.data(), all.size()));
  EXPECT_EQ(peer.Receive(256, milliseconds(2000)), all);

  ASSERT_TRUE(SetReadTimeouts(port, 500, 100, 2000));
  peer.Send(all);
  const auto got = TimedRead(256, Clock::now());
  EXPECT_TRUE(readOk);
  EXPECT_EQ(got, all);
}

// ---------------------------------------------------------------- writing, purging

class SerialWriteTest : public SerialReadTest {};

TEST_F(SerialWriteTest, WriteSendsTheBytes) {
  ASSERT_TRUE(SetWriteTimeouts(port, 50, 50));
  const auto frame = Bytes({0xFF, 0xFF, 0xCC, 0x00, 0x0C, 0x1D, 0x00, 0x00, 0x11, 0, 0, 0});
  ASSERT_TRUE(port->Write(frame.data(), frame.size()));
  EXPECT_EQ(peer.Receive(frame.size(), milliseconds(2000)), frame);
}

TEST_F(SerialWriteTest, AWriteNotDoneInTimeFails) {
  // The far end reads nothing; the pseudo-terminal's buffers fill up.
  ASSERT_TRUE(SetWriteTimeouts(port, 0, 200));
  std::vector<uint8_t> big(1 << 20, 0x5A);
  const auto t0 = Clock::now();
  EXPECT_FALSE(port->Write(big.data(), big.size()));
  const long elapsed = MsSince(t0);
  EXPECT_GE(elapsed, 200);
  EXPECT_LT(elapsed, 200 + kSlackMs);
  EXPECT_TRUE(port->IsOpen());
  EXPECT_TRUE(port->Purge());
}

TEST_F(SerialWriteTest, WriteTotalCountsPerByte) {
  // Fill the pseudo-terminal's buffers first (the far end reads nothing).
  ASSERT_TRUE(SetWriteTimeouts(port, 0, 100));
  std::vector<uint8_t> big(1 << 20, 0x5A);
  ASSERT_FALSE(port->Write(big.data(), big.size()));
  ASSERT_TRUE(SetWriteTimeouts(port, 30, 0));  // 10 bytes x 30 ms
  const auto t0 = Clock::now();
  EXPECT_FALSE(port->Write(big.data(), 10));
  const long elapsed = MsSince(t0);
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 300 + kSlackMs);
}

TEST_F(SerialWriteTest, WriteWithoutLimitWaitsForTheFarEnd) {
  ASSERT_TRUE(SetWriteTimeouts(port, 0, 0));
  std::vector<uint8_t> big(256 * 1024);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> received;
  std::thread reader([&] {
    std::this_thread::sleep_for(milliseconds(200));
    received = peer.Receive(big.size(), milliseconds(20000));
  });
  EXPECT_TRUE(port->Write(big.data(), big.size()));
  reader.join();
  EXPECT_EQ(received, big);
}

TEST_F(SerialWriteTest, PurgeDiscardsWhatHasCome) {
  peer.Send(Bytes({1, 2, 3, 4}));
  std::this_thread::sleep_for(milliseconds(100));
  ASSERT_TRUE(port->Purge());
  ASSERT_TRUE(SetReadTimeouts(port, kMaxDword, 0, 0));
  EXPECT_TRUE(TimedRead(10, Clock::now()).empty());
  peer.Send(Bytes({5, 6}));
  ASSERT_TRUE(SetReadTimeouts(port, 100, 100, 1000));
  EXPECT_EQ(TimedRead(2, Clock::now()), Bytes({5, 6}));
}

// ---------------------------------------------------------------- closing

TEST(SerialClosedTest, EveryOperationOnAClosedPortFails) {
  PtyPeer peer;
  PortHandle port = OpenLinkPort(peer.slavePath());
  ASSERT_TRUE(port);
  PortHandle copy = port;  // as the exchange context holds it
  port->Close();
  port->Close();  // twice is harmless
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(copy->IsOpen());

  LineSettings s;
  CommTimeouts t;
  uint8_t buf[4] = {1, 2, 3, 4};
  std::size_t got = 99;
  EXPECT_FALSE(copy->GetLineSettings(s));
  EXPECT_FALSE(copy->SetLineSettings(s));
  EXPECT_FALSE(copy->SetupQueues(1000, 1000));
  EXPECT_FALSE(copy->GetTimeouts(t));
  EXPECT_FALSE(copy->SetTimeouts(t));
  EXPECT_FALSE(copy->Purge());
  EXPECT_FALSE(copy->SetDtr(true));
  EXPECT_FALSE(copy->SetRts(false));
  EXPECT_FALSE(copy->ClearErrors());
  EXPECT_FALSE(copy->Read(buf, 4, got));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(copy->Write(buf, 4));

  EXPECT_FALSE(SetPortSpeed(copy, 1200));
  EXPECT_FALSE(SetReadTimeouts(copy, 1, 2, 3));
  EXPECT_FALSE(SetWriteTimeouts(copy, 1, 2));
  EXPECT_FALSE(ClearPortErrors(copy));

  // The device is free again.
  EXPECT_TRUE(OpenLinkPort(peer.slavePath()));
}

TEST(SerialClosedTest, AHungUpLineFailsReadAndWriteWithoutSpinning) {
  // The far end goes away (a USB adapter pulled out): the pseudo-terminal's
  // master is closed while the port is open.
  std::string name;
  const int master = OpenPseudoTerminal(0, name);
  ASSERT_GE(master, 0);
  PortHandle port = OpenLinkPort(name);
  ASSERT_TRUE(port);
  ASSERT_TRUE(SetReadTimeouts(port, 0, 0, 0));  // no limit: only the failure can end it
  std::thread hangUp([master] {
    std::this_thread::sleep_for(milliseconds(200));
    close(master);
  });
  uint8_t buf[4];
  std::size_t got = 99;
  const auto t0 = Clock::now();
  const double cpu0 = ThreadCpuMs();
  EXPECT_FALSE(port->Read(buf, sizeof buf, got));
  EXPECT_EQ(got, 0u);
  EXPECT_LT(MsSince(t0), 200 + kSlackMs);
  EXPECT_LT(ThreadCpuMs() - cpu0, 50);
  hangUp.join();
  ASSERT_TRUE(SetWriteTimeouts(port, 0, 0));
  EXPECT_FALSE(port->Write(buf, sizeof buf));
  port->Close();
}

TEST(SerialClosedTest, ANullHandleFails) {
  const PortHandle none;
  EXPECT_FALSE(SetPortSpeed(none, 1200));
  EXPECT_FALSE(SetReadTimeouts(none, 1, 2, 3));
  EXPECT_FALSE(SetWriteTimeouts(none, 1, 2));
  EXPECT_FALSE(ClearPortErrors(none));
}

}  // namespace
