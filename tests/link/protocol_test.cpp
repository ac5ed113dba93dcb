// The exchange with a device, against a scripted far end on a real
// pseudo-terminal: what goes on the wire and how each kind of answer ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "link/crc16.h"
#include "link/exchange_recorder.h"
#include "link/plcbox.h"
#include "link/port_operations.h"
#include "tests/support/fake_clock.h"
#include "tests/support/pty_peer.h"
#include "tests/support/scripted_port.h"
#include "tests/support/test_frames.h"
#include "tests/support/test_link.h"

using namespace vkt53;

using namespace std::chrono_literals;

namespace {

const Bytes kIdentRead = {0, 0, 17, 0, 0, 0};  // table 0, fields 0..16
const Bytes kIdentAnswer = {0, 0, 17, 0, 8, 1, 3, 24, 5, 17, 9, 5, 0, 1, 0, 0, 0, 1, 0, 12};

class Exchange : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(port);
    context.firstByteWaitMs = 300;
    context.followingBytesWaitMs = 100;
    context.rtsPauseMs = 2;
    context.attemptCount = 1;
  }

  // The far end reads `requests` requests of `length` bytes each and answers
  // each with the matching entry of `answers` (an empty entry: stays silent).
  std::future<std::vector<Bytes>> Script(std::size_t length, std::vector<Bytes> answers) {
    return std::async(std::launch::async, [this, length, answers] {
      std::vector<Bytes> seen;
      for (const Bytes& answer : answers) {
        seen.push_back(peer.Receive(length, 5s));
        if (!answer.empty()) peer.Send(answer);
      }
      return seen;
    });
  }

  // Sends a 10-byte request (function 1) at `speed` to a silent far end;
  // returns how long RTS was to be held, which it was at least.
  double RtsHoldOfAFunction1RequestMs(int32_t speed) {
    context.exchangeSpeed = speed;
    auto far = Script(10, {{}});
    const Bytes data = {1, 2, 3};
    RunRequest(context, 1, data.data(), 3, 0);
    far.get();
    EXPECT_GE(context.lastTiming.rtsDropped, context.lastTiming.holdUntil);
    const auto hold = context.lastTiming.holdUntil - context.lastTiming.writeStart;
    return std::chrono::duration<double, std::milli>(hold).count();
  }

  bool Run(const Bytes& data, uint8_t function = kTableFunction) {
    return RunRequest(context, function, data.data(), static_cast<int>(data.size()), 0);
  }

  PtyPeer peer;
  TestLink link{peer.slavePath(), 115200};
  PortHandle& port = link.port;
  ExchangeContext& context = link.context;
};

// A port on a line whose far end is gone, for the receiver's own decisions:
// the reads deliver `script` (as many bytes as each asks for) and then fail
// at once, or with `failsWhenDry` false return nothing at once. Every other
// operation succeeds.
class VanishedLinePort final : public SerialPort {
 public:
  explicit VanishedLinePort(Bytes script = {}, bool failsWhenDry = true)
      : script_(std::move(script)), failsWhenDry_(failsWhenDry) {}

  int reads() const { return reads_; }

  bool GetLineSettings(LineSettings&) override { return true; }
  bool SetLineSettings(const LineSettings&) override { return true; }
  bool SetupQueues(uint32_t, uint32_t) override { return true; }
  bool GetTimeouts(CommTimeouts&) override { return true; }
  bool SetTimeouts(const CommTimeouts&) override { return true; }
  bool Purge() override { return true; }
  bool SetDtr(bool) override { return true; }
  bool SetRts(bool) override { return true; }
  bool ClearErrors() override { return true; }
  bool Write(const uint8_t*, std::size_t) override { return true; }
  void Close() override {}
  bool IsOpen() const override { return true; }

  bool Read(uint8_t* buffer, std::size_t count, std::size_t& bytesRead) override {
    ++reads_;
    bytesRead = std::min(count, script_.size() - next_);
    std::copy_n(script_.begin() + static_cast<std::ptrdiff_t>(next_), bytesRead, buffer);
    next_ += bytesRead;
    return bytesRead > 0 || !failsWhenDry_;
  }

 private:
  Bytes script_;
  std::size_t next_ = 0;
  bool failsWhenDry_;
  int reads_ = 0;
};

// The context of one identification read over `port`.
ExchangeContext ContextOn(const std::shared_ptr<SerialPort>& port, int32_t speed, uint32_t waitMs) {
  ExchangeContext context;
  context.port = port;
  context.exchangeSpeed = speed;
  context.firstByteWaitMs = waitMs;
  context.attemptCount = 1;
  return context;
}

double MsBetween(SteadyClock::time_point from, SteadyClock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

TEST(Crc16, MatchesTheModbusCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x4B37);
  const Bytes framed = WithChecksum({0x33, 0x00, 0x06, 0x9D});
  EXPECT_EQ(Crc16(framed.data(), framed.size()), 0) << "a frame with its own checksum gives 0";
}

TEST_F(Exchange, TableReadGoesOnTheWireByteForByte) {
  auto far = Script(12, {Answer(0, 0x9D, kIdentAnswer)});
  ASSERT_TRUE(Run(kIdentRead));
  const Bytes expected = WithChecksum({0xCC, 0x00, 0x0C, 0x1D, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00});
  EXPECT_EQ(far.get().at(0), expected);
  EXPECT_EQ(context.resultCode, kResultOk);
  EXPECT_EQ(context.response[7 + 1], 8) << "field values start at response byte 7";
  EXPECT_EQ(peer.SlaveBitRate(), 115200) << "the attempt sets the exchange speed";
}

TEST_F(Exchange, PreamblesPrecedeTheFrame) {
  context.preambleCount = 3;
  auto far = Script(15, {Answer(0, 0x9D, kIdentAnswer)});
  ASSERT_TRUE(Run(kIdentRead));
  const Bytes expected =
      Joined({0xFF, 0xFF, 0xFF},
             WithChecksum({0xCC, 0x00, 0x0C, 0x1D, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00}));
  EXPECT_EQ(far.get().at(0), expected);
}

TEST_F(Exchange, NoiseForeignAddressAndShortLengthAreSkipped) {
  const Bytes noise = {0x00, 0x12, 0xFF};
  const Bytes foreign = Answer(7, 0x9D, kIdentAnswer);
  const Bytes tooShort = {0x33, 0x00, 0x03};
  auto far =
      Script(12, {Joined(Joined(Joined(noise, foreign), tooShort), Answer(0, 0x9D, kIdentAnswer))});
  EXPECT_TRUE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultOk);
  EXPECT_EQ(context.deviceAddress, 0) << "a foreign answer does not change the device address";
  far.get();
}

TEST_F(Exchange, SkippedBytesWithoutAGoodFrameEndInNoAnswer) {
  auto far = Script(12, {Joined({0x55, 0x33, 0x09}, {0x33, 0x00, 0x02})});
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultNoAnswer);
  EXPECT_EQ(FailureText(context), "Команда 29.  Устройство не отвечает");
  far.get();
}

TEST_F(Exchange, DamagedAnswersGiveTheirCodes) {
  Bytes shortBody = Answer(0, 0x9D, kIdentAnswer);
  shortBody.resize(10);
  Bytes badCrc = Answer(0, 0x9D, kIdentAnswer);
  badCrc.back() ^= 0x5A;
  auto far = Script(12, {shortBody, badCrc});
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultShortBody);
  EXPECT_EQ(FailureText(context), "Команда 29.  Кол-во прочитанных байтов не равно заданному");
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultBadChecksum);
  EXPECT_EQ(FailureText(context), "Команда 29.  Несовпадение КС ответа контроллера");
  far.get();
}

TEST_F(Exchange, ErrorResponsesCarryTheDevicesText) {
  auto far = Script(
      12, {Answer(0, 0x1D, {3}), Answer(0, 0x1D, {0}), Answer(0, 0x1D, {57}),
           Answer(0, 0x1D, {24, 7}), Answer(0, 0x1D, {24, 60}), Answer(0, 0x1D, {24, 49, 5})});
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultDeviceError);
  EXPECT_EQ(FailureText(context), "Команда 29.  Неправильный пароль на запись");

  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(FailureText(context), "Команда 29.  Код ошибки = 0");
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(FailureText(context), "Команда 29.  Код ошибки = 57");

  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultValveError) << "error 24 is never a code 8";
  EXPECT_EQ(FailureText(context), "Команда 29.  Перестановка крана невозможна.");
  EXPECT_EQ(context.messages[kReasonSlot], "Обрыв цепи соленоида  (\"Открыть\")");
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.messages[kReasonSlot], "Код причины в ответе 60");
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.messages[kReasonSlot], "Разрушена таблица");
  far.get();
}

TEST_F(Exchange, AnUnsupportedFunctionSendsNothing) {
  EXPECT_FALSE(Run({1, 2, 3}, 3));
  EXPECT_EQ(context.resultCode, kResultBadFunction);
  EXPECT_EQ(FailureText(context), "Команда 3.  Неверно задан код функции");
  EXPECT_TRUE(peer.ReceiveUntilQuiet(200ms, 1s).empty());

  const Bytes tooLong(250, 0);  // 6 + 250 bytes would not fit a frame
  EXPECT_FALSE(Run(tooLong));
  EXPECT_EQ(context.resultCode, kResultBadFunction);
  EXPECT_TRUE(peer.ReceiveUntilQuiet(200ms, 1s).empty());
}

TEST_F(Exchange, ASecondAttemptFollowsATimeOut) {
  context.attemptCount = 2;
  auto far = Script(12, {{}, Answer(0, 0x9D, kIdentAnswer)});
  EXPECT_TRUE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultOk);
  const auto seen = far.get();
  EXPECT_EQ(seen.at(0), seen.at(1)) << "the frame is sent again unchanged";
}

TEST_F(Exchange, AnAttemptCountOfZeroStillSendsOnce) {
  context.attemptCount = 0;
  auto far = Script(12, {{}});
  EXPECT_FALSE(Run(kIdentRead)) << "nothing answered, so nothing may be reported done";
  EXPECT_EQ(context.resultCode, kResultNoAnswer);
  EXPECT_EQ(far.get().at(0).size(), 12u);
}

TEST_F(Exchange, AWriteWaitsSevenSecondsLongerForItsAnswer) {
  const Bytes write = {0, 0, 0, 3, 0, 1, 0x02};  // table 3, field 0, one value
  auto far = std::async(std::launch::async, [this] {
    peer.Receive(13, 5s);
    std::this_thread::sleep_for(1500ms);  // the device is slow to store a table
    peer.Send(Answer(0, 0x9D, {0, 0, 0, 3, 0, 1}));
    peer.Receive(12, 5s);
    std::this_thread::sleep_for(1500ms);
    peer.Send(Answer(0, 0x9D, kIdentAnswer));
  });
  EXPECT_TRUE(Run(write)) << "answered within first-byte wait + 7000 ms";
  EXPECT_EQ(context.firstByteWaitMs, 300u) << "the extension ends with the request";
  EXPECT_FALSE(Run(kIdentRead)) << "a read waits the plain first-byte wait";
  EXPECT_EQ(context.resultCode, kResultNoAnswer);
  far.get();
}

TEST_F(Exchange, IdentifiedRequestAdvancesItsIdentifier) {
  context.attemptCount = 2;
  Bytes data(15, 0);
  data[4] = 0x40 | 0x15;              // identifier 1 in bits 7..6 of frame byte 8, other bits kept
  Bytes answer = {0, 0, 0xC0, 0, 0};  // response byte 6 carries identifier 3
  auto far = Script(21, {{}, Answer(0, 0x88, answer)});
  EXPECT_FALSE(Run(data, 8));
  const auto seen = far.get();
  EXPECT_EQ(seen.at(0).at(8), 0x55);
  EXPECT_EQ(seen.at(1).at(8), 0x95) << "identifier 2, the other bits unchanged";
  EXPECT_EQ(Crc16(seen.at(1).data(), seen.at(1).size()), 0);
  EXPECT_EQ(context.resultCode, kResultIdentifierMismatch);
  EXPECT_EQ(FailureText(context),
            "Команда 8.  Несоответствие идентификатора запроса в ответе(2->3)");
}

TEST_F(Exchange, IdentifiedRequestWithMatchingIdentifierSucceeds) {
  Bytes data(15, 0);
  data[4] = 0xC0;
  auto far = Script(21, {Answer(0, 0x88, {0, 0, 0xC0})});
  EXPECT_TRUE(Run(data, 8));
  far.get();
}

TEST_F(Exchange, BroadcastAdoptsTheRespondersAddress) {
  context.deviceAddress = 0xFF;
  auto far = Script(12, {Answer(0x11, 0x9D, kIdentAnswer)});
  EXPECT_TRUE(Run(kIdentRead));
  EXPECT_EQ(context.deviceAddress, 0x11);
  far.get();
}

TEST_F(Exchange, RtsIsHeldForTheComputedTimeAtEverySpeed) {
  // A 10-byte frame (function 1) holds RTS (10 + 1) x 10 / 1200 s.
  EXPECT_NEAR(RtsHoldOfAFunction1RequestMs(230400), 91.67, 0.01);
}

TEST_F(Exchange, BelowTheComputedRateRtsIsHeldForTheFramesOwnWireTime) {
  // At 300 bit/s the 10-byte frame takes longer on the wire than the time
  // computed for 1200 bit/s: RTS stays up for (10 + 1) characters of 10 bits.
  EXPECT_NEAR(RtsHoldOfAFunction1RequestMs(300), 366.67, 0.01);
}

// Each mode of switching the line's direction around a request to a silent
// far end: the RTS calls and their moments, the same timing in every mode,
// and the monitor's line of the sent frame naming the mode.
TEST(LineDirection, EachRtsModeSwitchesTheLineWithTheSameTiming) {
  struct Case {
    RtsMode mode;
    std::vector<bool> levels;  // RTS as set: for sending, then for receiving
    const char* named;
  };
  for (const Case& c : {Case{RtsMode::Normal, {true, false}, "rts=normal"},
                        Case{RtsMode::Inverted, {false, true}, "rts=inverted"},
                        Case{RtsMode::Off, {}, "rts=off"}}) {
    SCOPED_TRACE(c.named);
    FakeClock clock;
    auto port =
        std::make_shared<ScriptedPort>(clock, [](const Bytes&, int32_t) { return Bytes{}; });
    ExchangeRecorder monitor;
    ExchangeContext context = ContextOn(port, 230400, 300);
    context.rtsPauseMs = 50;
    context.rtsMode = c.mode;
    context.observer = &monitor;
    const Bytes data = {1, 2, 3};
    EXPECT_FALSE(RunRequest(context, 1, data.data(), 3, 0));

    const TransmitTiming& timing = context.lastTiming;
    ASSERT_EQ(port->sent().size(), 1u);
    EXPECT_NEAR(MsBetween(timing.writeStart, port->sent()[0].at), 0.0, 10.0);
    std::vector<bool> levels;
    for (const ScriptedPort::RtsCall& call : port->rtsCalls()) levels.push_back(call.raised);
    EXPECT_EQ(levels, c.levels);
    if (levels.size() == 2) {
      // The pause before the write; the hold of a 10-byte frame, (10 + 1) x 10 / 1200 s.
      EXPECT_NEAR(MsBetween(port->rtsCalls()[0].at, timing.writeStart), 50.0, 10.0);
      EXPECT_NEAR(MsBetween(timing.writeStart, port->rtsCalls()[1].at), 91.67, 10.0);
    }
    EXPECT_NEAR(MsBetween(timing.writeStart, timing.rtsDropped), 91.67, 10.0);
    ASSERT_GE(monitor.Size(), 1u);
    EXPECT_NE(monitor.Line(0).find(c.named), std::string::npos) << monitor.Line(0);
  }
}

TEST_F(Exchange, AClosedPortFailsTheTransmission) {
  port->Close();
  EXPECT_FALSE(Run(kIdentRead));
  EXPECT_EQ(context.resultCode, kResultWriteFailed);
  EXPECT_EQ(FailureText(context), "Команда 29.  Сбой при выполнении операции записи");
}

TEST_F(Exchange, FrameLayoutsOfTheOtherFunctions) {
  const Bytes credentials(16, 0x20);  // user name and password, blanks
  struct Case {
    uint8_t function;
    Bytes data;
    uint8_t value;
    Bytes expected;  // without the checksum
  };
  auto frame = [&](uint8_t function, uint8_t length, bool withCredentials, Bytes rest) {
    const Bytes head = {0xCC, 0x00, length, function};
    return Joined(withCredentials ? Joined(head, credentials) : head, rest);
  };
  const Case cases[] = {
      {2, {0xA1, 0xA2, 0xA3}, 0x5A, frame(2, 26, true, {0x5A, 0xA1, 0xA2, 0xA3})},
      {2, {}, 0x07, frame(2, 23, true, {0x07})},
      {7, {1, 2, 3, 4, 5, 6, 7}, 0x99, frame(7, 13, false, {1, 2, 3, 4, 5, 6, 7})},
      {9,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       0x99,
       frame(9, 34, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})},
      {11, {1, 2, 3, 4, 5, 6, 7, 8}, 0x99, frame(11, 30, true, {1, 2, 3, 4, 5, 6, 7, 8})},
      {12, {0xB1, 0xB2}, 0x99, frame(12, 24, true, {0xB1, 0xB2})},
      {25, {}, 0x99, frame(25, 22, true, {})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "function " << int(c.function));
    const Bytes expected = WithChecksum(c.expected);
    auto far = Script(expected.size(), {Answer(0, c.function | 0x80, {})});
    EXPECT_TRUE(
        RunRequest(context, c.function, c.data.data(), static_cast<int>(c.data.size()), c.value));
    EXPECT_EQ(far.get().at(0), expected);
  }

  // Data that does not fit the layout is refused before anything is sent.
  const Bytes tooLong(233, 0);
  const std::pair<uint8_t, Bytes> misfits[] = {{7, Bytes(6, 0)},  {9, Bytes(13, 0)},
                                               {11, Bytes(7, 0)}, {12, Bytes(3, 0)},
                                               {25, Bytes(1, 0)}, {2, tooLong}};
  for (const auto& [function, data] : misfits) {
    EXPECT_FALSE(RunRequest(context, function, data.data(), static_cast<int>(data.size()), 0));
    EXPECT_EQ(context.resultCode, kResultBadFunction) << int(function);
  }
  EXPECT_TRUE(peer.ReceiveUntilQuiet(200ms, 1s).empty());
}

TEST_F(Exchange, Function2TakesTheAnswerOfTheUnitItAddresses) {
  // Request bytes 21 and 22 = 13, 0 and byte 24 = the unit: that unit may
  // answer instead of the device. Any other foreign answer is skipped.
  const Bytes toUnit42 = {13, 0, 0, 0x42};
  auto far = Script(27, {Answer(0x42, 0x82, {1})});
  EXPECT_TRUE(RunRequest(context, 2, toUnit42.data(), 4, 0));
  EXPECT_EQ(context.response[1], 0x42);
  EXPECT_EQ(context.deviceAddress, 0) << "the device address stays";
  far.get();

  struct Skipped {
    uint8_t function;
    Bytes data;
    uint8_t answering;
    const char* why;
  };
  Bytes table29(21, 0);  // a read whose request bytes 21, 22 and 24 look the same
  table29[0] = 3;
  table29[2] = 7;
  table29[17] = 13;
  table29[20] = 0x42;
  const Skipped skipped[] = {{2, toUnit42, 0x43, "another unit"},
                             {2, {12, 0, 0, 0x42}, 0x42, "byte 21 is not 13"},
                             {2, {13, 1, 0, 0x42}, 0x42, "byte 22 is not 0"},
                             {kTableFunction, table29, 0x42, "not function 2"}};
  for (const Skipped& c : skipped) {
    const uint8_t reply = c.function | 0x80;
    const std::size_t length = c.function == 2 ? 23 + c.data.size() : 6 + c.data.size();
    auto later = Script(length, {Joined(Answer(c.answering, reply, {1}), Answer(0, reply, {2}))});
    EXPECT_TRUE(RunRequest(context, c.function, c.data.data(), static_cast<int>(c.data.size()), 0))
        << c.why;
    EXPECT_EQ(context.response[1], 0) << c.why << ": the foreign answer was taken";
    EXPECT_EQ(context.response[4], 2) << c.why;
    later.get();
  }
}

TEST_F(Exchange, AFarEndThatHangsUpEndsInNoAnswerAtTheDeadline) {
  auto far = std::async(std::launch::async, [this] {
    peer.Receive(12, 5s);
    peer.HangUp();  // the request is in; the device is gone before it answers
  });
  const auto start = SteadyClock::now();
  EXPECT_FALSE(Run(kIdentRead));
  const auto end = SteadyClock::now();
  far.get();
  EXPECT_EQ(context.resultCode, kResultNoAnswer) << "a dead line is no answer, not a read failure";
  EXPECT_GE(MsBetween(context.lastTiming.rtsDropped, end), 300.0) << "the whole first-byte wait";
  EXPECT_LT(MsBetween(start, end), 300.0 + 500.0);
}

TEST(HuntOnADeadLine, ReadsThatFailOrBringNothingWaitForTheNextCharacterOrAFewMs) {
  // Each read that fails or brings nothing is followed by a wait of at least
  // a few milliseconds, and at least one character time (10 bits) at the
  // exchange speed; the wait never runs past the deadline.
  struct Case {
    int32_t speed;
    bool failsWhenDry;
    int mostReads;  // 200 ms of hunting / the shortest wait, and the read at the deadline
  };
  for (const Case& c : {Case{115200, true, 200 / 2 + 2}, Case{115200, false, 200 / 2 + 2},
                        Case{300, true, 200 * 300 / 10 / 1000 + 2}}) {
    SCOPED_TRACE(testing::Message()
                 << c.speed << " bit/s, reads " << (c.failsWhenDry ? "fail" : "empty"));
    auto port = std::make_shared<VanishedLinePort>(Bytes{}, c.failsWhenDry);
    ExchangeContext context = ContextOn(port, c.speed, 200);
    EXPECT_FALSE(RequestIdentification(context));
    const auto end = SteadyClock::now();
    EXPECT_EQ(context.resultCode, kResultNoAnswer);
    EXPECT_GE(MsBetween(context.lastTiming.rtsDropped, end), 200.0) << "the deadline is kept";
    EXPECT_GE(port->reads(), 2) << "the hunt goes on until the deadline";
    EXPECT_LE(port->reads(), c.mostReads) << "the hunt spins";
  }
}

TEST(HuntOnADeadLine, OnlyAFailedBodyReadIsCode4) {
  // Start, address and length came; the body read fails.
  auto port = std::make_shared<VanishedLinePort>(Bytes{0x33, 0x00, 0x1A});
  ExchangeContext context = ContextOn(port, 115200, 200);
  EXPECT_FALSE(RequestIdentification(context));
  EXPECT_EQ(context.resultCode, kResultReadFailed);
  EXPECT_EQ(FailureText(context), "Команда 29.  Сбой при выполнении операции чтения");
  EXPECT_EQ(port->reads(), 4) << "ended by the failure, not by the deadline";

  // A failure while the address or the length is read sends the receiver
  // back to the hunt, which only the deadline ends.
  for (const Bytes& head : {Bytes{0x33}, Bytes{0x33, 0x00}}) {
    port = std::make_shared<VanishedLinePort>(head);
    context = ContextOn(port, 115200, 200);
    EXPECT_FALSE(RequestIdentification(context));
    EXPECT_EQ(context.resultCode, kResultNoAnswer) << head.size() << " bytes of the head";
  }
}

TEST(MessageTable, TextsOfResultCodesAndDeviceErrors) {
  ExchangeContext context;
  EXPECT_EQ(context.messages[0], "Команда выполнена");
  EXPECT_EQ(context.messages[kDeviceErrorBase + 33], "Пользователь с таким именем уже есть ");
  EXPECT_EQ(context.messages[kDeviceErrorBase + 56],
            "Изменение параметров возможно только в режиме \"Настройка\"");
  EXPECT_EQ(context.messages[kReasonBase + 2], "Ошибочный код направления перестановки ");
  EXPECT_EQ(context.messages[kReasonBase + 51], "Агрегат отсутствует");
  EXPECT_EQ(context.userName[0], ' ');
  for (const ConfigTableEntry& table : context.tables) {
    EXPECT_EQ(table.writable, table.number == 3 || table.number == 5 || table.number == 6)
        << int(table.number);
  }
}
