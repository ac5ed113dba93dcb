// A computing unit's row in the editors' unit grid, as the user reads it.
#include "config/unit_row.h"

#include <gtest/gtest.h>

using namespace vkt53;

using Row = std::array<std::string, kUnitRowColumns>;

TEST(UnitRow, AConnectedUnitShowsYesItsPortLetterAndItsSpeed) {
  EXPECT_EQ(UnitRowTexts(5, {1, kPortA, 15}), (Row{"      5", "         Да", "         A", "        19200"}));
  EXPECT_EQ(UnitRowTexts(254, {1, kPortB, 0})[2], "         B");
  EXPECT_EQ(UnitRowTexts(254, {1, kPortB, 0})[3], "        300");
  EXPECT_EQ(UnitRowTexts(1, {1, kPortC, 21})[2], "         C");
  EXPECT_EQ(UnitRowTexts(1, {1, kPortC, 21})[3], "        230400");
}

TEST(UnitRow, AUnitNotConnectedShowsNeitherPortNorSpeed) {
  EXPECT_EQ(UnitRowTexts(6, {0, kPortB, 11}), (Row{"      6", "         Нет", "", ""}));
}

TEST(UnitRow, AnyNonZeroConnectedByteIsConnected) {
  EXPECT_EQ(UnitRowTexts(7, {2, kPortA, 2})[1], "         Да");
}

TEST(UnitRow, APortCodeWithoutALetterAndASpeedBeyondTheTableStillShow) {
  const Row row = UnitRowTexts(9, {1, 0, 22});
  EXPECT_EQ(row[2], "         ?");
  EXPECT_EQ(row[3], "        0") << "no speed at that index";
  EXPECT_EQ(UnitRowTexts(9, {1, 4, 31})[2], "         ?");
}
