// What the device answers to table reads and writes, and how it refuses.
#include <gtest/gtest.h>

#include "tests/emulator/running_device.h"

using namespace vkt53;

namespace {

Bytes ModemField(const std::string& text) {
  Bytes field(64, 0);
  std::copy(text.begin(), text.end(), field.begin());
  field[text.size()] = '\r';
  return field;
}

struct Refusal {
  const char* what;
  Bytes request;
  uint8_t function;
  uint8_t error;
};

}  // namespace

TEST(TableReads, IdentificationIsAnsweredByteForByte) {
  RunningDevice device;
  const Bytes request = {0xCC, 0x00, 0x0C, 0x1D, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x7D, 0x6C};
  const Bytes expected = {
      0xFF, 0xFF, 0xFF,                          // answer preambles
      0x33, 0x00, 0x1A, 0x9D, 0x00, 0x00, 0x11,  // header, echo
      0x00, 0x08, 0x01, 0x03, 0x19, 0x03, 0x11,  // corrupted, type, versions, date
      0x09, 0x05, 0x00, 0x01, 0x01, 0x00, 0x00,  // time, order, multi-speed
      0x01, 0x02, 0x00,                          // protocol version
      0xE9, 0x93};
  EXPECT_EQ(device.Exchange(request), expected);
}

TEST(TableReads, EveryReadableTableWithItsEcho) {
  RunningDevice device(FastWith({"--corrupt", "5", "--type", "7", "--software", "4"}));
  Bytes identification = DefaultIdentification();
  identification[0] = 5;  // corrupted table
  identification[1] = 7;  // type
  identification[3] = 4;  // software
  EXPECT_EQ(device.Exchange(ReadRequest(0, 0, 0, 17)), ReadAnswer(0, 0, 0, 17, identification));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 1, 0, 2)),
            ReadAnswer(0, 1, 0, 2, {0xFF, 0xFF, 0x3F, 0x00, 0xFF, 0xFF, 0x3F, 0x00}));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 0, 7)),
            ReadAnswer(0, 3, 0, 7, {0x02, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 1, 2)), ReadAnswer(0, 3, 1, 2, {0x03, 0x05}));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 5, 0, 1)), ReadAnswer(0, 5, 0, 1, ModemField("ATZ")));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 7, 0, 8)),
            ReadAnswer(0, 7, 0, 8, {0, 0, 0, 0, 0, 1, 0, 0}));
}

TEST(TableWrites, LinkParametersAnswerWithTheHeaderAndReadBack) {
  RunningDevice device;
  // Fields 1..6 only: field 0 would move the device to another speed.
  const Bytes values = {0x00, 0x07, 0x00, 0x01, 0x01, 0x32};
  EXPECT_EQ(device.Exchange(WriteRequest(0, 3, 1, 6, values)), WriteAnswer(0, 3, 1, 6));
  // Field 1 is now 0: the next answer comes without preambles.
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 0, 7)),
            Sealed({0x33, 0x00, 0, 0x9D, 0x03, 0x00, 0x07,  //
                    0x02, 0x00, 0x07, 0x00, 0x01, 0x01, 0x32}));
}

TEST(TableWrites, ModemAndUnitLinksReadBackAsWritten) {
  RunningDevice device;
  const Bytes command = ModemField("AT&F0E0");
  EXPECT_EQ(device.Exchange(WriteRequest(0, 5, 0, 1, command)), WriteAnswer(0, 5, 0, 1));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 5, 0, 1)), ReadAnswer(0, 5, 0, 1, command));

  Bytes units(255);
  for (size_t a = 0; a < units.size(); ++a) units[a] = static_cast<uint8_t>((a % 4) << 5 | a % 22);
  const auto at = [&](size_t i) { return units.begin() + static_cast<long>(i); };
  EXPECT_EQ(device.Exchange(WriteRequest(0, 6, 0, 243, Bytes(at(0), at(243)))),
            WriteAnswer(0, 6, 0, 243));
  EXPECT_EQ(device.Exchange(WriteRequest(0, 6, 243, 12, Bytes(at(243), at(255)))),
            WriteAnswer(0, 6, 243, 12));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 6, 0, 130)),
            ReadAnswer(0, 6, 0, 130, Bytes(at(0), at(130))));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 6, 130, 125)),
            ReadAnswer(0, 6, 130, 125, Bytes(at(130), at(255))));
  // A run in the middle leaves its neighbours alone.
  EXPECT_EQ(device.Exchange(WriteRequest(0, 6, 6, 2, {0x21, 0x42})), WriteAnswer(0, 6, 6, 2));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 6, 5, 4)),
            ReadAnswer(0, 6, 5, 4, {units[5], 0x21, 0x42, units[8]}));
}

TEST(DeviceErrors, ErrorAnswerLayout) {
  RunningDevice device;
  // Table 2 does not exist: 33 00 07 1D 09, checksum.
  EXPECT_EQ(device.Exchange(ReadRequest(0, 2, 0, 1)),
            Joined(Preambles(3), Sealed({0x33, 0x00, 0x07, 0x1D, 0x09})));
}

TEST(DeviceErrors, EachRefusalWithItsCodeAndNothingChanged) {
  RunningDevice device;
  const std::vector<Refusal> refusals = {
      {"table 4", ReadRequest(0, 4, 0, 1), 0x1D, 9},
      {"table 8", ReadRequest(0, 8, 0, 1), 0x1D, 9},
      {"write table 2", WriteRequest(0, 2, 0, 1, {0}), 0x1D, 9},
      {"write table 0", WriteRequest(0, 0, 0, 1, {5}), 0x1D, 12},
      {"write table 1", WriteRequest(0, 1, 0, 1, {0, 0, 0, 0}), 0x1D, 12},
      {"write table 7", WriteRequest(0, 7, 3, 1, {0}), 0x1D, 12},
      {"table 3 fields 5..7", ReadRequest(0, 3, 5, 3), 0x1D, 13},
      {"table 0 field 17", ReadRequest(0, 0, 17, 1), 0x1D, 13},
      {"table 5 two fields", ReadRequest(0, 5, 0, 2), 0x1D, 13},
      {"write table 6 past 254", WriteRequest(0, 6, 250, 6, Bytes(6, 0)), 0x1D, 13},
      {"read with a value byte", Sealed({0xCC, 0, 0, 0x1D, 3, 0, 7, 0, 0, 0, 0x55}), 0x1D, 2},
      {"two fields, one value", WriteRequest(0, 3, 1, 2, {0x04}), 0x1D, 2},
      {"modem field of 63 bytes", WriteRequest(0, 5, 0, 1, Bytes(63, 0)), 0x1D, 2},
      {"data shorter than the header", Sealed({0xCC, 0, 0, 0x1D, 0, 0, 17}), 0x1D, 2},
      {"function 5", Sealed({0xCC, 0, 0, 0x05, 1, 2, 3}), 0x05, 1},
      {"function 0x9D", Sealed({0xCC, 0, 0, 0x9D, 0, 0, 17, 0, 0, 0}), 0x1D, 1},
      {"read and write", Sealed({0xCC, 0, 0, 0x1D, 3, 0, 7, 3, 1, 1, 0x09}), 0x1D, 4},
      {"neither", Sealed({0xCC, 0, 0, 0x1D, 3, 0, 0, 3, 0, 0}), 0x1D, 4},
      {"answer over 255 bytes", ReadRequest(0, 6, 0, 247), 0x1D, 4},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    EXPECT_EQ(device.Exchange(refusal.request), ErrorAnswer(0, refusal.function, refusal.error));
  }
  EXPECT_EQ(device.Exchange(ReadRequest(0, 0, 0, 17)),
            ReadAnswer(0, 0, 0, 17, DefaultIdentification()));
  EXPECT_EQ(device.Exchange(ReadRequest(0, 3, 0, 7)),
            ReadAnswer(0, 3, 0, 7, {0x02, 0x03, 0x05, 0x01, 0x00, 0x00, 0x00}));
  // 246 values make an answer of exactly 255 bytes.
  EXPECT_EQ(device.Exchange(ReadRequest(0, 6, 0, 246)), ReadAnswer(0, 6, 0, 246, Bytes(246, 0)));
}

TEST(Addressing, AnyDeviceAddressIsAnsweredWithTheOwnAddress) {
  RunningDevice device(FastWith({"--address", "7"}));
  EXPECT_EQ(device.Exchange(ReadRequest(0xFF, 3, 0, 1)), ReadAnswer(7, 3, 0, 1, {0x02}));
  EXPECT_EQ(device.Exchange(ReadRequest(7, 2, 0, 1)), ErrorAnswer(7, 0x1D, 9));
}

TEST(Addressing, RequestsForOtherDevicesAreIgnored) {
  RunningDevice device(FastWith({"--address", "7"}));
  device.client.Send(Joined(ReadRequest(0, 3, 0, 1), ReadRequest(8, 3, 0, 1)));
  device.client.Send(ReadRequest(7, 3, 1, 1));
  // Had either of the first two been answered, its answer would come first.
  EXPECT_EQ(device.client.ReceiveAnswer(), ReadAnswer(7, 3, 1, 1, {0x03}));
}
