// The speed search on a scripted line: which speeds are tried and in which
// order, what each try sends and how long it may wait, and what counts as
// the device's answer.
#include "dialogs/speed_search.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/speed_table.h"
#include "link/plcbox.h"
#include "tests/support/scripted_port.h"

using namespace vkt53;

namespace {

// The identification read: table 0, fields 0..16, nothing written.
Bytes IdentificationRead() { return ReadRequest(0, 0, 0, 17); }

Bytes IdentificationAnswer() {
  Bytes data = {0, 0, 17};
  data.resize(data.size() + 17, 0);
  data[3 + 1] = 8;
  return Answer(0, 0x9D, data);
}

// A device that answers the probe at the speeds given, and stays silent at
// every other.
ScriptedPort::FarEnd DeviceAt(std::vector<int32_t> speeds) {
  return [speeds](const Bytes&, int32_t bitRate) {
    return std::find(speeds.begin(), speeds.end(), bitRate) != speeds.end() ? IdentificationAnswer() : Bytes{};
  };
}

std::vector<int32_t> TableSpeeds(int first, int last) {
  return std::vector<int32_t>(kExchangeSpeeds.begin() + first, kExchangeSpeeds.begin() + last + 1);
}

class SpeedSearch : public ::testing::Test {
 protected:
  // The link as the user set it up: long waits and five attempts, which the
  // search must not use.
  void Connect(ScriptedPort::FarEnd farEnd) {
    port = std::make_shared<ScriptedPort>(clock, std::move(farEnd));
    context.port = port;
    context.exchangeSpeed = 1200;
    context.firstByteWaitMs = 5000;
    context.followingBytesWaitMs = 2000;
    context.attemptCount = 5;
  }

  int32_t Search() {
    return SearchExchangeSpeed(context, [this](int32_t speed) {
      tried.push_back(speed);
      sentBeforeTry.push_back(port->sent().size());
    });
  }

  std::vector<int32_t> SentRates() const {
    std::vector<int32_t> rates;
    for (const auto& sent : port->sent()) rates.push_back(sent.bitRate);
    return rates;
  }

  FakeClock clock;
  std::shared_ptr<ScriptedPort> port;
  ExchangeContext context;
  std::vector<int32_t> tried;
  std::vector<std::size_t> sentBeforeTry;
};

}  // namespace

TEST_F(SpeedSearch, ADeviceAt9600IsFoundOnTheEleventhTry) {
  Connect(DeviceAt({9600}));
  EXPECT_EQ(Search(), 9600);
  EXPECT_EQ(tried, TableSpeeds(1, 11)) << "600 through 9600, in table order";
  EXPECT_EQ(SentRates(), TableSpeeds(1, 11)) << "each try at its own speed";
  for (const auto& sent : port->sent()) EXPECT_EQ(sent.bytes, IdentificationRead());
  EXPECT_EQ(context.exchangeSpeed, 9600);
}

TEST_F(SpeedSearch, EachSpeedIsAnnouncedBeforeItsProbeGoesOut) {
  Connect(DeviceAt({2400}));
  EXPECT_EQ(Search(), 2400);
  EXPECT_EQ(sentBeforeTry, (std::vector<std::size_t>{0, 1, 2}));
}

TEST_F(SpeedSearch, ADeviceAt300IsNeverFound) {
  Connect(DeviceAt({300}));
  EXPECT_EQ(Search(), 0);
  EXPECT_EQ(tried, TableSpeeds(1, 21)) << "21 tries, 300 bit/s not among them";
  EXPECT_EQ(SentRates(), TableSpeeds(1, 21)) << "one probe a speed, whatever the attempt count";
  EXPECT_EQ(context.exchangeSpeed, 230400) << "the last speed tried stays";
}

TEST_F(SpeedSearch, TheSearchRunsOnItsOwnShortWaitsWithOneAttempt) {
  Connect(DeviceAt({}));
  const auto start = clock.Now();
  EXPECT_EQ(Search(), 0);
  const double perTry = Milliseconds(clock.Now() - start) / 21;
  EXPECT_LT(perTry, 1500.0) << "a wrong speed costs the search's 300 ms wait, not the user's 5 s";
  for (const auto& sent : port->sent()) {
    EXPECT_EQ(sent.timeouts.readConstant, 300u);
    EXPECT_EQ(sent.timeouts.readInterval, 300u);
  }
  EXPECT_EQ(context.firstByteWaitMs, kSearchFirstByteWaitMs);
  EXPECT_EQ(context.followingBytesWaitMs, kSearchFollowingBytesWaitMs);
  EXPECT_EQ(context.attemptCount, kSearchAttemptCount);
}

TEST_F(SpeedSearch, TheFirstSpeedThatAnswersEndsTheSearch) {
  Connect(DeviceAt({1200, 9600}));
  EXPECT_EQ(SearchExchangeSpeed(context, {}), 1200) << "no announcement asked for";
  EXPECT_EQ(port->sent().size(), 2u);
}

TEST_F(SpeedSearch, OnlyTheExchangesOwnChecksDecideWhatAnswers) {
  // A damaged answer or a device error is no find; a sound answer is, even
  // when it echoes another table than the one asked for.
  Bytes badChecksum = IdentificationAnswer();
  badChecksum.back() ^= 0x01;
  const Bytes otherTable = Answer(0, 0x9D, {7, 0, 1, 0});
  Connect([&](const Bytes&, int32_t bitRate) -> Bytes {
    switch (bitRate) {
      case 2400: return badChecksum;
      case 3200: return ErrorAnswer(0, kTableFunction, 9);
      case 3600: return otherTable;
      default: return {};
    }
  });
  EXPECT_EQ(Search(), 3600);
  EXPECT_EQ(tried, TableSpeeds(1, 5));
}
