// The identification record as the identification window shows it: the
// value texts decoded from the 17 bytes of table 0.
#include "dialogs/ident_text.h"
#include "tests/support/sample_records.h"

#include <gtest/gtest.h>

#include <array>

using namespace vkt53;

namespace {

using Record = IdentificationRecord;

std::string Row(const Record& record, IdentificationRow row) { return IdentificationRows(record)[row]; }

std::string DateWith(std::size_t byte, uint8_t value) {
  Record record = TypicalIdentification();
  record[byte] = value;
  return Row(record, kBuildDateRow);
}

}  // namespace

TEST(IdentificationDate, DayMonthYearThenTheTimeAfterTwoBlanks) {
  EXPECT_EQ(Row(TypicalIdentification(), kBuildDateRow), "17.03.05  09:05:00");
}

TEST(IdentificationDate, EachInvalidPartShowsStarsInItsPlaceOnly) {
  EXPECT_EQ(DateWith(5, 0), "17.**.05  09:05:00");
  EXPECT_EQ(DateWith(5, 13), "17.**.05  09:05:00");
  EXPECT_EQ(DateWith(6, 0), "**.03.05  09:05:00");
  EXPECT_EQ(DateWith(6, 32), "**.03.05  09:05:00");
  EXPECT_EQ(DateWith(4, 100), "17.03.**  09:05:00");
  EXPECT_EQ(DateWith(7, 24), "17.03.05  **:05:00");
  EXPECT_EQ(DateWith(8, 60), "17.03.05  09:**:00");
  EXPECT_EQ(DateWith(9, 60), "17.03.05  09:05:**");
}

TEST(IdentificationDate, TheLimitsThemselvesAreValid) {
  Record record = TypicalIdentification();
  record[4] = 99, record[5] = 12, record[6] = 31, record[7] = 23, record[8] = 59, record[9] = 59;
  EXPECT_EQ(Row(record, kBuildDateRow), "31.12.99  23:59:59");
  record[4] = 0, record[5] = 1, record[6] = 1, record[7] = 0, record[8] = 0, record[9] = 0;
  EXPECT_EQ(Row(record, kBuildDateRow), "01.01.00  00:00:00");
}

TEST(IdentificationDate, AllPartsInvalidShowSixStarPairs) {
  Record record = TypicalIdentification();
  record[4] = 200, record[5] = 255, record[6] = 99, record[7] = 30, record[8] = 61, record[9] = 255;
  EXPECT_EQ(Row(record, kBuildDateRow), "**.**.**  **:**:**");
}

TEST(IdentificationRows, TypeAndHardwareAreDecimal) {
  Record record = TypicalIdentification();
  record[1] = 255;
  EXPECT_EQ(Row(record, kTypeCodeRow), "255");
  EXPECT_EQ(Row(record, kHardwareVersionRow), "2");
}

TEST(IdentificationRows, SoftwareVersionNamesTheAccessOfVersionsThreeAndFour) {
  Record record = TypicalIdentification();
  EXPECT_EQ(Row(record, kSoftwareVersionRow), "3 (Чтение и запись)");
  record[3] = 4;
  EXPECT_EQ(Row(record, kSoftwareVersionRow), "4 (Только чтение)");
  record[3] = 5;
  EXPECT_EQ(Row(record, kSoftwareVersionRow), "5");
}

TEST(IdentificationRows, ByteOrderNamesBothOrdersAndQuestionsTheRest) {
  Record record = TypicalIdentification();
  record[10] = 0;
  EXPECT_EQ(Row(record, kByteOrderRow), "Мл. адрес - ст. байт");
  record[10] = 1;
  EXPECT_EQ(Row(record, kByteOrderRow), "Мл. адрес - мл. байт");
  record[10] = 2;
  EXPECT_EQ(Row(record, kByteOrderRow), " ? ");
}

TEST(IdentificationRows, ACorruptedTableIsNamedByNumber) {
  Record record = TypicalIdentification();
  EXPECT_EQ(Row(record, kCorruptedTableRow), "Разрушенных таблиц нет");
  EXPECT_FALSE(ReportsCorruptedTable(record));
  record[0] = 7;
  EXPECT_EQ(Row(record, kCorruptedTableRow), "Разрушена таблица 7");
  EXPECT_TRUE(ReportsCorruptedTable(record));
}

TEST(IdentificationRows, MultiSpeedIsYesForAnyNonZeroByte) {
  Record record = TypicalIdentification();
  record[11] = 0;
  EXPECT_EQ(Row(record, kMultiSpeedRow), "Нет");
  record[11] = 200;
  EXPECT_EQ(Row(record, kMultiSpeedRow), "Есть");
}

TEST(IdentificationRows, AddressChangeIsNeverOffered) {
  EXPECT_EQ(Row(TypicalIdentification(), kAddressChangeRow), "Нет. Адрес = 0");
}

TEST(IdentificationRows, ProtocolVersionJoinsItsThreeNumbers) {
  EXPECT_EQ(Row(TypicalIdentification(), kProtocolVersionRow), "1.0.12");
  Record record = TypicalIdentification();
  record[12] = 9, record[13] = 9;  // bytes 12 and 13 are shown nowhere
  EXPECT_EQ(IdentificationRows(record), IdentificationRows(TypicalIdentification()));
}
