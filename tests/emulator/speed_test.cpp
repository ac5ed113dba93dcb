// The device listens at its master speed only, follows a newly written
// master speed, and answers no sooner than the line allows.
#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "tests/emulator/running_device.h"

using namespace vkt53;

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Long enough for an answer at any speed used here to have come.
constexpr milliseconds kSilence{400};

const Bytes kLinkParameters = {0x02, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00};

milliseconds TimeOfExchange(TerminalClient& client, const Bytes& request, Bytes* answer) {
  const auto start = Clock::now();
  client.Send(request);
  *answer = client.ReceiveAnswer();
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

double TransmitMs(size_t bytes, int bitRate) { return static_cast<double>(bytes) * 10.0 * 1000.0 / bitRate; }

}  // namespace

TEST(BitRate, RequestAtAnotherRateIsLineNoise) {
  RunningDevice device(FastWith({"--speed", "9600"}), 1200);
  device.client.Send(ReadRequest(0, 0, 0, 17));
  EXPECT_TRUE(device.client.ReceiveDuring(kSilence).empty());
  device.client.SetBitRate(9600);
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 0, 7)),
            ReadAnswer(0, 3, 0, 7, {0x0B, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00}));
}

TEST(BitRate, TheTerminalStartsAtTheMasterSpeed) {
  TempFolder folder;
  EmulatorProcess process(folder, FastWith({"--speed", "57600"}));
  // Opened without choosing a rate, as a terminal program would.
  TerminalClient client(process.linkPath(), 0);
  client.Send(ReadRequest(0, 3, 0, 1));
  EXPECT_EQ(client.ReceiveAnswer(), ReadAnswer(0, 3, 0, 1, {19}));
}

// The terminal's rate as a client that knows only the classic codes sees it
// (Wine's serial layer), and the exact rate.
struct TerminalRate {
  tcflag_t code;
  speed_t exact;
};

TerminalRate RateOfTerminal(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  EXPECT_GE(fd, 0) << path;
  struct termios2 tio {};
  EXPECT_EQ(ioctl(fd, TCGETS2, &tio), 0);
  close(fd);
  return {tio.c_cflag & CBAUD, tio.c_ospeed};
}

TEST(BitRate, TheTerminalCarriesTheClassicCodeWhereTheRateHasOne) {
  TempFolder folder;
  {
    EmulatorProcess process(folder, FastWith({"--speed", "115200"}));
    const TerminalRate rate = RateOfTerminal(process.linkPath());
    EXPECT_EQ(rate.code, static_cast<tcflag_t>(B115200));
    EXPECT_EQ(rate.exact, 115200u);
  }
  EmulatorProcess process(folder, FastWith({"--speed", "3200"}));
  const TerminalRate rate = RateOfTerminal(process.linkPath());
  EXPECT_EQ(rate.code, static_cast<tcflag_t>(BOTHER)) << "3200 bit/s has no classic code";
  EXPECT_EQ(rate.exact, 3200u);
}

TEST(BitRate, WritingTheMasterSpeedMovesTheDeviceAfterItsAnswer) {
  RunningDevice device(kFast, 1200);
  const Bytes newParameters = {0x0B, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00};  // 9600 bit/s
  EXPECT_EQ(device.Exchange(WriteRequest(0, 3, 0, 7, newParameters)), WriteAnswer(0, 3, 0, 7));
  device.client.SetBitRate(9600);
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 0, 7)), ReadAnswer(0, 3, 0, 7, newParameters));
  device.client.SetBitRate(1200);
  device.client.Send(ReadRequest(0, 0, 0, 17));
  EXPECT_TRUE(device.client.ReceiveDuring(kSilence).empty());
}

TEST(BitRate, IndexOutsideTheSpeedTableListensAt1200) {
  TempFolder folder;
  std::ofstream(folder.File("state.txt")) << "master_speed_index = 30\n";
  EmulatorProcess process(folder, FastWith({"--state", folder.File("state.txt")}));
  TerminalClient client(process.linkPath(), 1200);
  client.Send(ReadRequest(0, 3, 0, 1));
  EXPECT_EQ(client.ReceiveAnswer(), ReadAnswer(0, 3, 0, 1, {30}));
}

TEST(WireDelay, AnswerComesNoSoonerThanBothTransmitTimesAt1200) {
  RunningDevice device({}, 1200);
  const Bytes request = Joined(Preambles(4), ReadRequest(0, 0, 0, 17));
  Bytes answer;
  const milliseconds elapsed = TimeOfExchange(device.client, request, &answer);
  ASSERT_EQ(answer, ReadAnswer(0, 0, 0, 17, DefaultIdentification()));
  // 16 request bytes and 29 answer bytes at 1200 bit/s, then 3 ms turnaround.
  EXPECT_GE(elapsed.count(), TransmitMs(request.size() + answer.size(), 1200) + 3 - 1);
}

TEST(WireDelay, TurnaroundAloneWithoutWireDelay) {
  RunningDevice device(FastWith({"--turnaround", "150"}), 1200);
  Bytes answer;
  const milliseconds elapsed = TimeOfExchange(device.client, ReadRequest(0, 3, 0, 7), &answer);
  ASSERT_EQ(answer, ReadAnswer(0, 3, 0, 7, kLinkParameters));
  EXPECT_GE(elapsed.count(), 150);
}
