#include "config/config_image.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/config_record.h"
#include "tests/support/sample_records.h"

using namespace vkt53;

namespace {

constexpr uint8_t kFiller = 0xA5;

ConfigRecord RecordWithUnitLinkByte(int address, uint8_t linkByte) {
  ConfigRecord record;
  record.UnitLinkBytes()[static_cast<std::size_t>(address)] = linkByte;
  return record;
}

uint8_t UnitLinkByteFromImage(const ConfigImage& image, int address) {
  ConfigRecord record;
  RecordFromImage(image, record);
  return record.UnitLinkBytes()[static_cast<std::size_t>(address)];
}

}  // namespace

TEST(ConfigRecordLayout, SpeedMasksAreLittleEndianAtTheirOffsets) {
  ConfigRecord record;
  record.SetMasterSpeedMask(0x00000FFF);
  record.SetUnitSpeedMask(0x00088000);
  EXPECT_EQ(record.bytes[17], 0xFF);
  EXPECT_EQ(record.bytes[18], 0x0F);
  EXPECT_EQ(record.bytes[19], 0x00);
  EXPECT_EQ(record.bytes[22], 0x80);
  EXPECT_EQ(record.bytes[23], 0x08);
  EXPECT_EQ(record.MasterSpeedMask(), 0x00000FFFu);
  EXPECT_EQ(record.UnitSpeedMask(), 0x00088000u);
}

TEST(ConfigRecordLayout, AllSpeedsAvailableSetsBothMasksAndNothingElse) {
  ConfigRecord record;
  record.bytes.fill(0x11);
  record.SetAllSpeedsAvailable();
  for (std::size_t i = 0; i < ConfigRecord::kSize; ++i) {
    const bool inMasks = i >= 17 && i < 25;
    EXPECT_EQ(record.bytes[i], inMasks ? 0xFF : 0x11) << "byte " << i;
  }
}

TEST(NewConfigurationImage, HoldsTheDefaultsAndZerosElsewhere) {
  ConfigImage image;
  image.bytes.fill(kFiller);
  NewConfigurationImage(image);
  EXPECT_EQ(image.bytes[0], 2);  // 1200 bit/s
  EXPECT_EQ(image.bytes[1], 3);
  EXPECT_EQ(image.bytes[2], 5);
  EXPECT_EQ(image.bytes[3], 1);  // " Низкий"
  EXPECT_TRUE(
      std::all_of(image.bytes.begin() + 4, image.bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST(ImageFromRecord, CopiesLinkParametersAndModemField) {
  ConfigRecord record;
  for (std::size_t i = 0; i < kLinkParametersSize; ++i)
    record.LinkParameters()[i] = static_cast<uint8_t>(10 + i);
  for (std::size_t i = 0; i < kModemFieldSize; ++i)
    record.ModemField()[i] = static_cast<uint8_t>(0x40 + i);
  const ConfigImage image = ImageOf(record);
  for (std::size_t i = 0; i < kLinkParametersSize; ++i) EXPECT_EQ(image.bytes[i], 10 + i);
  for (std::size_t i = 0; i < kModemFieldSize; ++i) EXPECT_EQ(image.bytes[1045 + i], 0x40 + i);
}

TEST(ImageFromRecord, PortsAToCAreConnected) {
  for (uint8_t port = kPortA; port <= kPortC; ++port) {
    const ConfigImage image = ImageOf(RecordWithUnitLinkByte(7, MakeUnitLinkByte(port, 11)));
    EXPECT_EQ(GetUnitEntry(image, 7), (UnitEntry{1, port, 11})) << "port code " << int(port);
  }
}

TEST(ImageFromRecord, PortCodes4To7AreNotConnectedWithTheCodeKept) {
  for (uint8_t port = 4; port <= 7; ++port) {
    const ConfigImage image = ImageOf(RecordWithUnitLinkByte(9, MakeUnitLinkByte(port, 5)));
    EXPECT_EQ(GetUnitEntry(image, 9), (UnitEntry{0, port, 5})) << "port code " << int(port);
  }
}

TEST(ImageFromRecord, NotConnectedUnitKeepsItsSpeedIndex) {
  const ConfigImage image = ImageOf(RecordWithUnitLinkByte(3, 0x13));
  EXPECT_EQ(GetUnitEntry(image, 3), (UnitEntry{0, 0, 19}));
}

TEST(ImageFromRecord, SpeedIndexes22To31AreKept) {
  const ConfigImage image = ImageOf(RecordWithUnitLinkByte(1, MakeUnitLinkByte(kPortA, 31)));
  EXPECT_EQ(GetUnitEntry(image, 1), (UnitEntry{1, kPortA, 31}));
}

TEST(ImageFromRecord, LeavesReservedBytesAsTheCallerLeftThem) {
  ConfigImage image;
  image.bytes.fill(kFiller);
  ImageFromRecord(ConfigRecord{}, image);
  for (std::size_t i = 7; i < 25; ++i) EXPECT_EQ(image.bytes[i], kFiller);
  for (std::size_t i = 790; i < 1045; ++i) EXPECT_EQ(image.bytes[i], kFiller);
  for (std::size_t i = 1109; i < 1209; ++i) EXPECT_EQ(image.bytes[i], kFiller);
}

TEST(RecordFromImage, BuildsUnitLinkBytes) {
  ConfigImage image;
  SetUnitEntry(image, 1, UnitEntry{1, kPortB, 15});
  SetUnitEntry(image, 2, UnitEntry{0, kPortC, 9});  // disconnected: code dropped, speed kept
  SetUnitEntry(image, 3, UnitEntry{1, kPortC, 21});
  ConfigRecord record;
  RecordFromImage(image, record);
  EXPECT_EQ(record.UnitLinkBytes()[1], 0x4F);
  EXPECT_EQ(record.UnitLinkBytes()[2], 0x09);
  EXPECT_EQ(record.UnitLinkBytes()[3], 0x75);
}

TEST(RecordFromImage, OutOfRangeFileValuesNeverSpillIntoOtherBits) {
  ConfigImage image;
  SetUnitEntry(image, 4, UnitEntry{1, kPortA, 40});  // 40 = 0b101000 has a bit above the five
  SetUnitEntry(image, 5, UnitEntry{0, 0, 0xFF});     // not connected must stay port code 0
  SetUnitEntry(image, 6, UnitEntry{1, 9, 2});        // port code kept to three bits
  EXPECT_EQ(UnitLinkByteFromImage(image, 4), 0x28);  // port A, speed index 8
  EXPECT_EQ(PortCodeOfUnitLinkByte(UnitLinkByteFromImage(image, 5)), 0);
  EXPECT_EQ(UnitLinkByteFromImage(image, 5), 0x1F);
  EXPECT_EQ(UnitLinkByteFromImage(image, 6), 0x22);
}

TEST(RecordFromImage, LeavesIdentificationAndMasksAlone) {
  ConfigRecord record;
  record.bytes.fill(0x77);
  ConfigImage image;
  NewConfigurationImage(image);
  RecordFromImage(image, record);
  for (std::size_t i = 0; i < ConfigRecord::kLinkParametersOffset; ++i)
    EXPECT_EQ(record.bytes[i], 0x77);
  EXPECT_EQ(record.LinkParameters()[0], 2);
  EXPECT_EQ(record.ModemField()[0], 0);
}

TEST(ConfigConversionRoundTrip, RecordSurvivesExceptUnknownPortCodes) {
  ConfigRecord device;
  for (std::size_t i = 0; i < ConfigRecord::kSize; ++i)
    device.bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  ConfigRecord back = device;
  RecordFromImage(ImageOf(device), back);
  for (std::size_t a = 0; a < kUnitAddressCount; ++a) {
    const uint8_t original = device.UnitLinkBytes()[a];
    const uint8_t port = PortCodeOfUnitLinkByte(original);
    const uint8_t expected = port <= kPortC ? original : SpeedIndexOfUnitLinkByte(original);
    EXPECT_EQ(back.UnitLinkBytes()[a], expected) << "address " << a;
  }
  EXPECT_TRUE(std::equal(device.bytes.begin(),
                         device.bytes.begin() + ConfigRecord::kUnitLinkBytesOffset,
                         back.bytes.begin()));
}

TEST(ConfigConversionRoundTrip, ImageSurvivesExceptDisconnectedPortCodes) {
  ConfigImage image;
  NewConfigurationImage(image);
  SetUnitEntry(image, 10, UnitEntry{1, kPortA, 4});
  SetUnitEntry(image, 11, UnitEntry{0, kPortB, 6});
  image.bytes[1045] = 'A';
  image.bytes[1046] = 0x0D;
  ConfigRecord record;
  RecordFromImage(image, record);
  ConfigImage back;
  NewConfigurationImage(back);
  ImageFromRecord(record, back);
  ConfigImage expected = image;
  SetUnitEntry(expected, 11, UnitEntry{0, 0, 6});
  EXPECT_EQ(back, expected);
}
