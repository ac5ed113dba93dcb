// The table status window's decisions without the window: which tables get a
// row and how it looks, and what each write button leaves in the block.
#include "dialogs/table_rows.h"
#include "tests/support/sample_records.h"

#include <gtest/gtest.h>

using namespace vkt53;

namespace {

std::vector<int> Selected(const TableStatusBlock& block) {
  std::vector<int> tables;
  for (int t = 0; t < kTableCount; ++t) {
    if (block[kWriteSelectionOffset + t] != 0) tables.push_back(t);
  }
  return tables;
}

std::vector<int> TablesOf(const std::vector<TableRow>& rows) {
  std::vector<int> tables;
  for (const TableRow& row : rows) tables.push_back(row.table);
  return tables;
}

}  // namespace

TEST(TableRowsShown, NamesCarryTheNumberInTwoPlacesAndTheTablesName) {
  EXPECT_EQ(TableRowName(3), " Табл.  3.  Параметры связи");
  EXPECT_EQ(TableRowName(5), " Табл.  5.  Командная строка модема");
  EXPECT_EQ(TableRowName(6), " Табл.  6.  Скорость обмена с подкл. вычислителем и порт подключения");
}

TEST(TableRowsShown, TablesThreeAndSixToRestoreAreCorruptedAndTicked) {
  const auto rows = TableRows(BlockWithRestoreFlags({3, 6}), false);
  ASSERT_EQ(TablesOf(rows), (std::vector<int>{3, 5, 6}));
  EXPECT_EQ(rows[0].name, TableRowName(3));
  EXPECT_TRUE(rows[0].corrupted && rows[0].ticked && rows[0].tickable);
  EXPECT_FALSE(rows[1].corrupted || rows[1].ticked);
  EXPECT_TRUE(rows[1].tickable);
  EXPECT_TRUE(rows[2].corrupted && rows[2].ticked);
}

TEST(TableRowsShown, TablesThatAreNotOfferedNeverGetARow) {
  const auto rows = TableRows(BlockWithRestoreFlags({0, 1, 2, 4, 7}), false);
  ASSERT_EQ(TablesOf(rows), (std::vector<int>{3, 5, 6}));
  for (const TableRow& row : rows) EXPECT_FALSE(row.corrupted || row.ticked) << row.table;
}

TEST(TableRowsShown, TheWriteLockShowsCorruptionButTicksAndOffersNothing) {
  const auto rows = TableRows(BlockWithRestoreFlags({3}), true);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[0].corrupted) << "the device's report is still shown";
  for (const TableRow& row : rows) EXPECT_FALSE(row.ticked || row.tickable) << row.table;
}

TEST(TableRowsShown, MoreOfferedTablesThanSlotsFillOnlyTheSlots) {
  TableStatusBlock block{};
  for (int t = 0; t < kTableCount; ++t) block[kOfferedOffset + t] = 1;
  EXPECT_EQ(TablesOf(TableRows(block, false)), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(TableRowsChosen, WriteAllMarksEveryOfferedTableWhateverWasCorrupted) {
  TableStatusBlock block = BlockWithRestoreFlags({});
  block[kWriteSelectionOffset + 1] = 1;  // left over: not offered, so not written
  SelectAllOffered(block);
  EXPECT_EQ(Selected(block), (std::vector<int>{3, 5, 6}));
}

TEST(TableRowsChosen, WriteSelectedFollowsTheBoxesRowByRow) {
  TableStatusBlock block = BlockWithRestoreFlags({3});
  const auto rows = TableRows(block, false);
  SelectTicked(block, rows, {false, true, false, false, false});
  EXPECT_EQ(Selected(block), (std::vector<int>{5})) << "slot 2 is table 5";
  SelectTicked(block, rows, {true, false, true, false, false});
  EXPECT_EQ(Selected(block), (std::vector<int>{3, 6})) << "table 5 cleared again";
}

TEST(TableRowsChosen, WriteSelectedWithEveryBoxClearedSelectsNothing) {
  TableStatusBlock block = BlockWithRestoreFlags({3, 6});
  SelectAllOffered(block);
  SelectTicked(block, TableRows(block, false), {});
  EXPECT_TRUE(Selected(block).empty());
}

TEST(TableRowsChosen, BoxesOfEmptySlotsAndTablesWithoutARowSelectNothing) {
  TableStatusBlock block = BlockWithRestoreFlags({});
  block[kWriteSelectionOffset + 1] = 1;  // left over: table 1 has no row
  SelectTicked(block, TableRows(block, false), {false, false, false, true, true});
  EXPECT_TRUE(Selected(block).empty());
}
