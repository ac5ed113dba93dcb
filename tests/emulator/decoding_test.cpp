// How the device finds requests in what comes down the line: preambles,
// noise, broken and truncated frames, a client that goes away mid-frame.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "tests/emulator/running_device.h"

using namespace vkt53;

namespace {

// After each piece of garbage comes this request (table 3 without the
// speed field); its answer must be the first to come.
void ExpectAnsweredAfter(RunningDevice& device, const Bytes& garbage) {
  device.client.Send(Joined(garbage, ReadRequest(0, 3, 1, 6)));
  EXPECT_EQ(device.client.ReceiveAnswer(),
            ReadAnswer(0, 3, 1, 6, {0x03, 0x05, 0x01, 0x00, 0x00, 0x00}));
}

// Waits, up to a deadline, for something the emulator does a moment later.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds deadline = std::chrono::seconds(3)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Whether the terminal is in exclusive mode, seen by opening it for a moment
// as any program might: a client's connection outlives that. Root gets past
// exclusive mode; anyone else is refused.
bool ExclusiveNow(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == EBUSY;
  int exclusive = 0;
  const bool known = ioctl(fd, TIOCGEXCL, &exclusive) == 0;
  close(fd);
  return known && exclusive != 0;
}

// The emulator learns of a client's close a moment after it happened.
bool ReleasedWithin(const std::string& path, std::chrono::milliseconds deadline) {
  return Eventually([&] { return !ExclusiveNow(path); }, deadline);
}

}  // namespace

TEST(Hunting, GarbageBeforeAGoodRequest) {
  RunningDevice device;
  const Bytes identification = ReadRequest(0, 0, 0, 17);
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"preambles", Preambles(20)},
      {"noise", {0x00, 0x33, 0x55, 0xAA, 0x9D, 0x12}},
      // 0xCC with length 12 takes the good request's start into a frame whose
      // checksum fails; hunting resumes right after that 0xCC.
      {"stray start symbol", {0x10, 0xCC, 0x00, 0x0C, 0x1D}},
      {"truncated request", Bytes(identification.begin(), identification.begin() + 7)},
      {"length below 6", {0xCC, 0x00, 0x03, 0x1D, 0xCC, 0x00, 0x05}},
      // Length 255 holds the frame open until the line falls silent.
      {"absurd length", {0xCC, 0x00, 0xFF, 0x1D, 0x00}},
      {"bad checksum", WithBadChecksum(identification)},
  };
  for (const auto& [what, garbage] : cases) {
    SCOPED_TRACE(what);
    ExpectAnsweredAfter(device, garbage);
  }
}

TEST(Hunting, RequestsBackToBackAreAnsweredInOrder) {
  RunningDevice device;
  device.client.Send(Joined(ReadRequest(0, 3, 0, 1), ReadRequest(0, 3, 2, 1)));
  EXPECT_EQ(device.client.ReceiveAnswer(), ReadAnswer(0, 3, 0, 1, {0x02}));
  EXPECT_EQ(device.client.ReceiveAnswer(), ReadAnswer(0, 3, 2, 1, {0x05}));
}

TEST(Hunting, LongRunOfGarbageThenAGoodRequest) {
  RunningDevice device(FastWith({"--speed", "115200"}), 115200);
  Bytes garbage(4096);
  uint32_t x = 12345;
  for (auto& b : garbage) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  ExpectAnsweredAfter(device, garbage);
  ExpectAnsweredAfter(device, {});
}

TEST(Reconnecting, ClientThatLeavesMidFrameAndComesBack) {
  RunningDevice device;
  const Bytes request = ReadRequest(0, 0, 0, 17);
  device.client.Send(Bytes(request.begin(), request.begin() + 5));
  device.client.Reopen();
  ExpectAnsweredAfter(device, {});
}

TEST(Reconnecting, ClosingReleasesExclusiveModeAndDropsUnreadAnswers) {
  TempFolder folder;
  EmulatorProcess process(folder, kFast);
  {
    TerminalClient client(process.linkPath(), 1200);
    ASSERT_TRUE(ExclusiveNow(process.terminalPath()));
    client.Send(ReadRequest(0, 0, 0, 17));
    ASSERT_EQ(client.ReceiveBytes(1), Bytes{0xFF});  // the rest stays unread
  }
  // The unread rest is dropped before exclusive mode is released.
  ASSERT_TRUE(ReleasedWithin(process.terminalPath(), std::chrono::seconds(3)));
  TerminalClient again(process.linkPath(), 1200);
  again.Send(ReadRequest(0, 3, 0, 1));
  EXPECT_EQ(again.ReceiveAnswer(), ReadAnswer(0, 3, 0, 1, {0x02}));
}

TEST(Reconnecting, AnswerStillOnTheWayIsNotSentToTheNextClient) {
  TempFolder folder;
  EmulatorProcess process(folder, {"--log"});  // with wire delay: the answer takes ~350 ms
  {
    TerminalClient client(process.linkPath(), 1200);
    client.Send(ReadRequest(0, 0, 0, 17));
    // Closed only once the request is in: its answer is then on its way.
    ASSERT_TRUE(
        Eventually([&] { return process.ErrorOutput().find("request 0") != std::string::npos; }));
  }
  ASSERT_TRUE(ReleasedWithin(process.terminalPath(), std::chrono::seconds(3)));
  TerminalClient again(process.linkPath(), 1200);
  again.Send(ReadRequest(0, 3, 0, 1));
  EXPECT_EQ(again.ReceiveAnswer(), ReadAnswer(0, 3, 0, 1, {0x02}));
}

TEST(Reconnecting, AnotherProgramClosingTheTerminalLeavesTheClientItsAnswerAndItsLock) {
  TempFolder folder;
  // With wire delay at 300 bit/s the answer takes over a second.
  EmulatorProcess process(folder, {"--log", "--speed", "300"});
  // A port scanner or a second copy of the tool; as root it would get past
  // the client's exclusive mode at any time.
  const int other = open(process.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  TerminalClient client(process.linkPath(), 300);
  client.Send(ReadRequest(0, 0, 0, 17));
  ASSERT_TRUE(
      Eventually([&] { return process.ErrorOutput().find("request 0") != std::string::npos; }));
  close(other);
  EXPECT_EQ(client.ReceiveAnswer(), ReadAnswer(0, 0, 0, 17, DefaultIdentification()));
  // The answer went out after the emulator had seen the other close.
  EXPECT_TRUE(client.Exclusive());
}
