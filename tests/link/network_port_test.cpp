// Ports on serial device servers. The Telnet layer of RFC 2217 on its own,
// against a scripted server over a socket pair; then both kinds of port
// against a real ser2net in front of the emulator: what the device sees and
// answers, the speed search, a server that vanishes and one that is not there.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "config/config_image.h"
#include "dialogs/speed_search.h"
#include "link/conffun.h"
#include "link/network_port.h"
#include "link/port_operations.h"
#include "link/result_codes.h"
#include "link/socket_stream.h"
#include "link/telnet_com_port.h"
#include "tests/support/device_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/test_frames.h"
#include "tests/support/test_link.h"

using namespace vkt53;
using namespace std::chrono_literals;

namespace {

constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr uint8_t NOP = 241;
constexpr uint8_t BINARY = 0, ECHO_OPTION = 1, SGA = 3, COM_PORT = 44;

// A serial device server scripted by the test, at the far end of a socket
// pair from the Telnet layer under test.
class TelnetPair : public ::testing::Test {
 protected:
  TelnetPair() { Connect(); }
  ~TelnetPair() override { close(server); }

  // A fresh connection; the one before is closed.
  void Connect() {
    telnet.reset();
    stream.reset();
    if (server >= 0) close(server);
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
      throw std::runtime_error("no socket pair");
    }
    stream = std::make_unique<SocketStream>(ends[0]);
    server = ends[1];
    telnet = std::make_unique<TelnetComPort>(*stream);
  }

  void ServerSends(const Bytes& bytes) const {
    ASSERT_EQ(send(server, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  }

  // What the server has received, once count bytes have come or 2 s passed.
  Bytes ServerReceives(std::size_t count) const {
    Bytes got(count);
    std::size_t have = 0;
    timeval limit{2, 0};
    setsockopt(server, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    while (have < count) {
      const ssize_t n = recv(server, got.data() + have, count - have, 0);
      if (n <= 0) break;
      have += static_cast<std::size_t>(n);
    }
    got.resize(have);
    return got;
  }

  // The line's bytes through the Telnet layer under a local port's read
  // time-outs: count bytes, or what came within 2 s.
  Bytes ReadData(std::size_t count) const {
    Bytes got(count);
    std::size_t have = 0;
    EXPECT_TRUE(TimedRead(*telnet, CommTimeouts{0, 0, 2000}, got.data(), count, have));
    got.resize(have);
    return got;
  }

  int server = -1;
  std::unique_ptr<SocketStream> stream;
  std::unique_ptr<TelnetComPort> telnet;
};

Bytes ComPortCommand(uint8_t command, Bytes value) {
  Bytes frame = {IAC, SB, COM_PORT, command};
  frame.insert(frame.end(), value.begin(), value.end());
  frame.insert(frame.end(), {IAC, SE});
  return frame;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

// ---------------------------------------------------------------- the Telnet layer

TEST_F(TelnetPair, ByteFfIsDoubledOnTheWayOutAndUndoubledOnTheWayIn) {
  const Bytes frame = {0xFF, 0xFF, 0xCC, 0x00, 0x0C, 0xFF, 0x11};
  ASSERT_TRUE(telnet->WriteData(frame.data(), frame.size(), std::nullopt));
  EXPECT_EQ(ServerReceives(10), Bytes({IAC, IAC, IAC, IAC, 0xCC, 0x00, 0x0C, IAC, IAC, 0x11}));

  ServerSends({0x33, IAC, IAC, 0x00, IAC, IAC, IAC, IAC, 0x7F});
  EXPECT_EQ(ReadData(5), Bytes({0x33, 0xFF, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(ReadData(1), Bytes({0x7F}));
}

TEST_F(TelnetPair, CommandsAndSubnegotiationsAreTakenOutWhereverTheReadsSplitThem) {
  // An answer frame with, in its middle, what a server may send at any
  // time: an option offer, a modem state notice, a late acknowledgement of
  // a speed whose value holds a doubled 0xFF, a NOP, and 0xFF as data.
  const Bytes wire = Joined({{0x33, 0x00},
                             {IAC, WILL, SGA},
                             {0x1D},
                             ComPortCommand(107, {0x30}),
                             {IAC, IAC},
                             ComPortCommand(101, {0x00, 0x00, IAC, IAC, 0x00}),
                             {IAC, NOP},
                             {0x42, 0x07}});
  const Bytes data = {0x33, 0x00, 0x1D, 0xFF, 0x42, 0x07};
  for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, wire.size()}) {
    Connect();
    Bytes got;
    for (std::size_t at = 0; at < wire.size(); at += piece) {
      ServerSends(
          Bytes(wire.begin() + static_cast<std::ptrdiff_t>(at),
                wire.begin() + static_cast<std::ptrdiff_t>(std::min(at + piece, wire.size()))));
      // Whatever has come is read before the next piece is sent, so each
      // piece is one read of its own.
      uint8_t buffer[16];
      const std::optional<std::size_t> n = telnet->ReadSome(buffer, sizeof buffer);
      ASSERT_TRUE(n) << piece;
      got.insert(got.end(), buffer, buffer + *n);
    }
    EXPECT_EQ(got, data) << "pieces of " << piece;
    EXPECT_EQ(ServerReceives(3), Bytes({IAC, DONT, SGA}))
        << "the offer refused, pieces of " << piece;
  }
}

TEST_F(TelnetPair, AControlLineTheServerDoesNotAcknowledgeIsNoFailure) {
  // A server in front of a line without modem lines never answers SET-CONTROL.
  auto raised = std::async(std::launch::async, [this] { return telnet->SetRts(true); });
  const bool bounded = raised.wait_for(5s) == std::future_status::ready;
  if (!bounded) shutdown(server, SHUT_RDWR);  // ends the wait, so that the test ends
  ASSERT_TRUE(bounded) << "the wait for the acknowledgement is bounded";
  EXPECT_TRUE(raised.get());
  EXPECT_TRUE(telnet->SetRts(false));
  EXPECT_TRUE(telnet->SetDtr(true));
  EXPECT_EQ(ServerReceives(21),
            Joined({ComPortCommand(5, {11}), ComPortCommand(5, {12}), ComPortCommand(5, {8})}));
  // The data goes on; an acknowledgement that comes late is taken out of it.
  ServerSends(Joined({{0x55}, ComPortCommand(105, {11}), {0x66}}));
  EXPECT_EQ(ReadData(2), Bytes({0x55, 0x66}));
}

TEST_F(TelnetPair, LineSettingsAreSentOnlyWhenTheyChange) {
  EXPECT_TRUE(telnet->SetBaudRate(9600));
  EXPECT_TRUE(telnet->SetBaudRate(9600));
  EXPECT_TRUE(telnet->SetDataSize(8));
  EXPECT_TRUE(telnet->SetParity(Parity::Even));
  EXPECT_TRUE(telnet->SetStopSize(StopBits::Two));
  EXPECT_TRUE(telnet->SetDataSize(8));
  EXPECT_TRUE(telnet->SetBaudRate(115200));
  EXPECT_EQ(ServerReceives(10 + 7 + 7 + 7 + 10),
            Joined({ComPortCommand(1, {0x00, 0x00, 0x25, 0x80}), ComPortCommand(2, {8}),
                    ComPortCommand(3, {3}), ComPortCommand(4, {2}),
                    ComPortCommand(1, {0x00, 0x01, 0xC2, 0x00})}));
}

TEST_F(TelnetPair, PurgeDropsWhatCameBeforeTheServersAcknowledgement) {
  ServerSends({0x01, 0x02, 0x03});  // a late answer to an earlier request
  auto serverSide = std::async(std::launch::async, [this] {
    const Bytes command = ServerReceives(7);
    ServerSends(Joined({{0x04}, ComPortCommand(112, {3})}));  // still in flight when it purged
    return command;
  });
  ASSERT_TRUE(telnet->Purge());
  EXPECT_EQ(serverSide.get(), ComPortCommand(12, {3})) << "PURGE-DATA, both buffers";
  ServerSends({0x05, 0x06});
  EXPECT_EQ(ReadData(2), Bytes({0x05, 0x06}));
}

TEST_F(TelnetPair, NegotiationTakesComPortAndRefusesWhatItDoesNotUse) {
  // ser2net's greeting.
  ServerSends({IAC,         WILL, SGA, IAC,    DO,  SGA,  IAC,    WILL, ECHO_OPTION, IAC,     DONT,
               ECHO_OPTION, IAC,  DO,  BINARY, IAC, WILL, BINARY, IAC,  DO,          COM_PORT});
  EXPECT_TRUE(telnet->Negotiate(2s));
  EXPECT_EQ(ServerReceives(18), Bytes({IAC, WILL, BINARY, IAC, DO, BINARY, IAC, WILL, COM_PORT,  //
                                       IAC, DONT, SGA, IAC, WONT, SGA, IAC, DONT, ECHO_OPTION}));
}

TEST_F(TelnetPair, NegotiationFailsWhenTheServerRefusesComPortOrIsSilent) {
  ServerSends({IAC, DONT, COM_PORT});
  EXPECT_FALSE(telnet->Negotiate(2s));
  Connect();
  EXPECT_FALSE(telnet->Negotiate(100ms)) << "a raw TCP server says nothing";
}

// ---------------------------------------------------------------- the names

TEST(NetworkPortName, SchemeHostAndPortAreTakenAndAnythingElseIsRefused) {
  const auto rfc2217 = ParseNetworkPortName("RFC2217://10.0.5.21:4001");
  ASSERT_TRUE(rfc2217);
  EXPECT_EQ(rfc2217->kind, NetworkPortKind::Rfc2217);
  EXPECT_EQ(rfc2217->host, "10.0.5.21");
  EXPECT_EQ(rfc2217->port, 4001);
  const auto raw = ParseNetworkPortName("tcp://[fe80::1]:65535");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->kind, NetworkPortKind::RawTcp);
  EXPECT_EQ(raw->host, "fe80::1");
  EXPECT_EQ(raw->port, 65535);
  for (const char* bad : {"rfc2217://host", "rfc2217://host:0", "tcp://host:65536", "tcp://:4001",
                          "tcp://fe80::1:4001", "tcp://host:40x1", "telnet://host:23"}) {
    EXPECT_FALSE(ParseNetworkPortName(bad)) << bad;
    EXPECT_TRUE(IsNetworkPortName(bad)) << bad << ": never opened as a device path";
    EXPECT_FALSE(OpenLinkPort(bad)) << bad;
    EXPECT_NE(PortOpenFailureReason(bad).find("не понят"), std::string::npos) << bad;
  }
  EXPECT_FALSE(IsNetworkPortName("/dev/ttyUSB0"));
}

// ---------------------------------------------------------------- against ser2net

namespace {

struct Kind {
  const char* name;
  bool rfc2217;
};

// The emulator at 9600 bit/s on its pseudo-terminal and ser2net in front of
// it, the raw port's line set up at 9600 bit/s too.
class OverSer2net : public ::testing::TestWithParam<Kind> {
 protected:
  void Start(const std::vector<std::string>& options = {}) {
    emulator = std::make_unique<DeviceFixture>(options, "", 9600);
    server = std::make_unique<Ser2netProcess>(emulator->terminalPath(), "9600n81");
  }
  std::string Url() const {
    return GetParam().rfc2217 ? server->Rfc2217Url() : server->RawTcpUrl();
  }

  // How many requests the emulator has taken.
  std::size_t RequestsSeen() const {
    const std::string log = emulator->ErrorOutput();
    std::size_t count = 0;
    for (std::size_t at = log.find(" request "); at != std::string::npos;
         at = log.find(" request ", at + 1)) {
      ++count;
    }
    return count;
  }

  std::unique_ptr<DeviceFixture> emulator;
  std::unique_ptr<Ser2netProcess> server;
};

std::string KindName(const ::testing::TestParamInfo<Kind>& info) { return info.param.name; }
void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }

template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds deadline = 5s) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

}  // namespace

TEST_P(OverSer2net, IdentifiesReadsTheConfigurationAndWritesAChangedUnitBack) {
  Start();
  FakeClock clock;  // skips the exchange's own pauses; the line's time is real
  TestLink link(Url(), 9600);
  ASSERT_TRUE(link.port) << PortOpenFailureReason(Url()) << server->Output();
  LinkSession session = link.session;
  ConfigRecord record;
  ASSERT_TRUE(ReadIdentification(session, record));
  EXPECT_EQ(record.Identification()[1], 8) << "the emulator's type code";
  ASSERT_TRUE(ReadConfiguration(session, record, nullptr));

  ConfigImage image;
  NewConfigurationImage(image);
  ImageFromRecord(record, image);
  UnitEntry unit = GetUnitEntry(image, 5);
  unit.speedIndex = unit.speedIndex == 7 ? 8 : 7;
  SetUnitEntry(image, 5, unit);
  ConfigRecord meant = record;
  RecordFromImage(image, meant);
  ASSERT_EQ(WriteChangedTables(session, ChangedTableWrites(record, meant)).outcome,
            ChangeWriteOutcome::Written);

  ConfigRecord readBack;
  ASSERT_TRUE(ReadConfiguration(session, readBack, nullptr));
  ConfigImage after;
  NewConfigurationImage(after);
  ImageFromRecord(readBack, after);
  EXPECT_EQ(GetUnitEntry(after, 5), unit);
}

TEST_P(OverSer2net, AServerGoneMidReadFailsTheExchangeInTimeAndTheNextConnectionWorks) {
  Start({"--turnaround", "800"});  // the answer comes late: the read is waiting
  auto link = std::make_unique<TestLink>(Url(), 9600, 1);
  ASSERT_TRUE(link->port);
  auto exchange =
      std::async(std::launch::async, [&] { return RequestIdentification(link->context); });
  ASSERT_TRUE(Eventually([&] { return RequestsSeen() == 1; })) << emulator->ErrorOutput();
  server->Kill();
  ASSERT_EQ(exchange.wait_for(1s + 2s), std::future_status::ready) << "ended by its 1 s wait";
  EXPECT_FALSE(exchange.get());
  EXPECT_TRUE(link->context.resultCode == kResultNoAnswer ||
              link->context.resultCode == kResultWriteFailed)
      << link->context.resultCode;
  link.reset();

  server->Restart();
  TestLink again(Url(), 9600, 2);  // room for the late answer
  ASSERT_TRUE(again.port) << PortOpenFailureReason(Url());
  LinkSession session = again.session;
  ConfigRecord record;
  EXPECT_TRUE(ReadIdentification(session, record));
}

TEST_P(OverSer2net, APortOnWhichNothingListensIsRefusedWithinTheConnectTime) {
  const std::string url = std::string(GetParam().rfc2217 ? "rfc2217" : "tcp") +
                          "://127.0.0.1:" + std::to_string(FreeTcpPort());
  auto opening = std::async(std::launch::async, [&] { return OpenLinkPort(url); });
  ASSERT_EQ(opening.wait_for(kConnectTime + 1s), std::future_status::ready);
  EXPECT_FALSE(opening.get());
  EXPECT_NE(PortOpenFailureReason(url).find("отклонил соединение"), std::string::npos)
      << PortOpenFailureReason(url);
}

TEST(RefusedNetworkPort, AServerThatTakesTheConnectionAndClosesItIsReportedSo) {
  // As ser2net does when its device is in use: it greets, then hangs up.
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  auto serverSide = std::async(std::launch::async, [listener] {
    pollfd ready{listener, POLLIN, 0};
    if (poll(&ready, 1, 5000) != 1) return;  // nobody came: the test fails below
    const int connection = accept(listener, nullptr, nullptr);
    const uint8_t greeting[] = {IAC, DO, BINARY, IAC, WILL, BINARY, IAC, DO, COM_PORT};
    send(connection, greeting, sizeof greeting, 0);
    close(connection);
  });
  const std::string url = "rfc2217://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  EXPECT_FALSE(OpenLinkPort(url));
  serverSide.get();
  close(listener);
  EXPECT_EQ(
      PortOpenFailureReason(url),
      "Сервер портов 127.0.0.1:" + std::to_string(ntohs(address.sin_port)) +
          " закрыл соединение:\nего порт занят другим клиентом или устройство порта недоступно.");
}

INSTANTIATE_TEST_SUITE_P(BothKinds, OverSer2net,
                         ::testing::Values(Kind{"rfc2217", true}, Kind{"tcp", false}), KindName);

TEST(SpeedSearchOverSer2net, OverRawTcpTheSearchIsRefusedAndSendsNothing) {
  DeviceFixture emulator({}, "", 9600);
  Ser2netProcess server(emulator.terminalPath(), "9600n81");
  TestLink link(server.RawTcpUrl(), 9600);
  ASSERT_TRUE(link.port);
  EXPECT_NE(SpeedSearchRefusal(link.context), "");
  int tries = 0;
  EXPECT_EQ(SearchExchangeSpeed(link.context, [&](int32_t) { ++tries; }), 0);
  EXPECT_EQ(tries, 0);
  // Proof that nothing went out: the next request is the first the device sees.
  LinkSession session = link.session;
  ConfigRecord record;
  ASSERT_TRUE(ReadIdentification(session, record));
  EXPECT_TRUE(
      Eventually([&] { return emulator.ErrorOutput().find(" request 0") != std::string::npos; }));
  EXPECT_EQ(emulator.ErrorOutput().find(" request 1"), std::string::npos) << emulator.ErrorOutput();
}

class SpeedSearchOverRfc2217 : public ::testing::TestWithParam<int32_t> {};

TEST_P(SpeedSearchOverRfc2217, FindsTheDevicesSpeed) {
  const int32_t speed = GetParam();
  DeviceFixture emulator({}, "", speed);
  Ser2netProcess server(emulator.terminalPath(), "1200n81");
  TestLink link(server.Rfc2217Url(), 1200);
  ASSERT_TRUE(link.port);
  EXPECT_EQ(SpeedSearchRefusal(link.context), "");
  EXPECT_EQ(SearchExchangeSpeed(link.context, {}), speed);
}

INSTANTIATE_TEST_SUITE_P(Speeds, SpeedSearchOverRfc2217, ::testing::Values(9600, 115200));
