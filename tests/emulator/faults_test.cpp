// Faults on demand: each spoils chosen answers in one repeatable way, and
// the requests around them are answered as usual.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/emulator/running_device.h"

using namespace vkt53;

namespace {

constexpr std::chrono::milliseconds kSilence{300};

const Bytes kIdentificationRead = ReadRequest(0, 0, 0, 17);
const Bytes kSpeedIndexRead = ReadRequest(0, 3, 0, 1);

Bytes IdentificationAnswer() { return ReadAnswer(0, 0, 0, 17, DefaultIdentification()); }
Bytes SpeedIndexAnswer() { return ReadAnswer(0, 3, 0, 1, {0x02}); }

}  // namespace

TEST(DropFault, FirstAttemptTimesOutAndTheRepeatIsAnswered) {
  RunningDevice device(FastWith({"--fault-drop", "1"}));
  device.client.Send(kIdentificationRead);
  EXPECT_TRUE(device.client.ReceiveDuring(kSilence).empty());
  EXPECT_EQ(device.Exchange(kIdentificationRead), IdentificationAnswer());
}

TEST(DropFault, SkipChoosesWhichRequestsAreHitAndIgnoredOnesDoNotCount) {
  RunningDevice device(FastWith({"--fault-skip", "1", "--fault-drop", "2"}));
  device.client.Send(WithBadChecksum(kSpeedIndexRead));  // not a request: bad checksum
  device.client.Send(ReadRequest(9, 3, 0, 1));           // not a request: another device
  EXPECT_EQ(device.Exchange(kSpeedIndexRead), SpeedIndexAnswer());
  device.client.Send(Joined(kIdentificationRead, kIdentificationRead));
  device.client.Send(kSpeedIndexRead);
  // Requests 1 and 2 lose their answers; request 3's is the first to come.
  EXPECT_EQ(device.client.ReceiveAnswer(), SpeedIndexAnswer());
}

TEST(DropFault, AllDropsEveryAnswerYetWritesAreDone) {
  TempFolder folder;
  {
    EmulatorProcess process(folder,
                            FastWith({"--fault-drop", "all", "--state", folder.File("state.txt")}));
    TerminalClient client(process.linkPath(), 1200);
    client.Send(WriteRequest(0, 3, 6, 1, {0x11}));
    client.Send(kSpeedIndexRead);
    EXPECT_TRUE(client.ReceiveDuring(kSilence).empty());
    ASSERT_EQ(process.Stop(), 0);
  }
  RunningDevice device(FastWith({"--state", folder.File("state.txt")}));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 6, 1)), ReadAnswer(0, 3, 6, 1, {0x11}));
}

TEST(NoiseFault, NoiseBytesComeBeforeAnIntactAnswerTheSameForTheSameSeed) {
  RunningDevice device(FastWith({"--fault-noise", "1", "--fault-seed", "42"}));
  RunningDevice twin(FastWith({"--fault-noise", "1", "--fault-seed", "42"}));
  const Bytes expected = IdentificationAnswer();
  const Bytes answer = device.Exchange(kIdentificationRead);
  ASSERT_GT(answer.size(), expected.size());
  const size_t noise = answer.size() - expected.size();
  EXPECT_LE(noise, 8u);
  EXPECT_EQ(Bytes(answer.begin() + static_cast<long>(noise), answer.end()), expected);
  for (size_t i = 0; i < noise; ++i) EXPECT_NE(answer[i], 0x33);
  EXPECT_EQ(twin.Exchange(kIdentificationRead), answer);
  EXPECT_EQ(device.Exchange(kIdentificationRead), expected);
}

TEST(ChecksumFault, LastChecksumByteIsInverted) {
  RunningDevice device(FastWith({"--fault-bad-crc", "1"}));
  Bytes expected = IdentificationAnswer();
  expected.back() ^= 0xFF;
  EXPECT_EQ(device.Exchange(kIdentificationRead), expected);
  EXPECT_EQ(device.Exchange(kIdentificationRead), IdentificationAnswer());
}

TEST(ShortFault, BodyEndsThreeBytesEarly) {
  RunningDevice device(FastWith({"--fault-short", "1"}));
  const Bytes whole = IdentificationAnswer();
  const Bytes cut(whole.begin(), whole.end() - 3);
  device.client.Send(Joined(kIdentificationRead, kSpeedIndexRead));
  // The cut answer, directly followed by the next answer whole.
  EXPECT_EQ(device.client.ReceiveBytes(cut.size()), cut);
  EXPECT_EQ(device.client.ReceiveAnswer(), SpeedIndexAnswer());
}

TEST(ForeignFault, AnswerComesFromTheNextAddress) {
  RunningDevice device(FastWith({"--address", "4", "--fault-foreign", "1"}));
  EXPECT_EQ(device.Exchange(ReadRequest(4, 3, 0, 1)), ReadAnswer(5, 3, 0, 1, {0x02}));
  EXPECT_EQ(device.Exchange(ReadRequest(4, 3, 0, 1)), ReadAnswer(4, 3, 0, 1, {0x02}));
}

TEST(ErrorFault, ErrorWithReasonOnTheNextRequestOnly) {
  RunningDevice device(FastWith({"--fault-error", "24:7@1"}));
  // 33 00 08 1D 18 07: error 24 carries its reason.
  EXPECT_EQ(device.Exchange(kIdentificationRead),
            Joined(Preambles(3), Sealed({0x33, 0x00, 0x08, 0x1D, 0x18, 0x07})));
  EXPECT_EQ(device.Exchange(kIdentificationRead), IdentificationAnswer());
}

TEST(ErrorFault, ErrorOnEveryRequestInsteadOfDoingIt) {
  RunningDevice device(FastWith({"--fault-error", "3", "--fault-skip", "1"}));
  EXPECT_EQ(device.Exchange(kSpeedIndexRead), SpeedIndexAnswer());
  // The refused write does not move the device to 9600 bit/s: the read
  // after it, still at 1200, is answered.
  for (const Bytes& request : {WriteRequest(0, 3, 0, 1, {0x0B}), kSpeedIndexRead}) {
    EXPECT_EQ(device.Exchange(request), ErrorAnswer(0, 0x1D, 3));
  }
}

TEST(IgnoredWriteFault, WritesOfTheTableAreAnsweredButNotStoredOthersAre) {
  RunningDevice device(FastWith({"--fault-ignore-write", "6"}));
  EXPECT_EQ(device.Exchange(WriteRequest(0, 6, 5, 1, {0x2F})), WriteAnswer(0, 6, 5, 1));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 6, 5, 1)), ReadAnswer(0, 6, 5, 1, {0x00}));
  EXPECT_EQ(device.Exchange(WriteRequest(0, 3, 6, 1, {0x11})), WriteAnswer(0, 3, 6, 1));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 6, 1)), ReadAnswer(0, 3, 6, 1, {0x11}));
  // A write the device refuses is still refused.
  EXPECT_EQ(device.Exchange(WriteRequest(0, 6, 250, 6, {1, 2, 3, 4, 5, 6})),
            ErrorAnswer(0, 0x1D, 13));
}
