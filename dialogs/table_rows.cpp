#include "dialogs/table_rows.h"

#include <cstdio>

namespace vkt53 {

namespace {

bool Offered(const TableStatusBlock& block, int table) { return block[kOfferedOffset + table] != 0; }

void ClearSelection(TableStatusBlock& block) {
  for (int t = 0; t < kTableCount; ++t) block[kWriteSelectionOffset + t] = 0;
}

}  // namespace

std::string TableRowName(int table) {
  char number[8];
  std::snprintf(number, sizeof number, "%2d", table);
  return std::string(" Табл. ") + number + ".  " + TableName(table);
}

std::vector<TableRow> TableRows(const TableStatusBlock& block, bool writeLocked) {
  std::vector<TableRow> rows;
  for (int t = 0; t < kTableCount && static_cast<int>(rows.size()) < kTableRowSlots; ++t) {
    if (!Offered(block, t)) continue;
    TableRow row;
    row.table = t;
    row.name = TableRowName(t);
    row.corrupted = block[kRestoreRequiredOffset + t] != 0;
    row.ticked = row.corrupted && !writeLocked;
    row.tickable = !writeLocked;
    rows.push_back(row);
  }
  return rows;
}

void SelectAllOffered(TableStatusBlock& block) {
  for (int t = 0; t < kTableCount; ++t) block[kWriteSelectionOffset + t] = Offered(block, t) ? 1 : 0;
}

void SelectTicked(TableStatusBlock& block, const std::vector<TableRow>& rows,
                  const std::array<bool, kTableRowSlots>& ticked) {
  ClearSelection(block);
  for (std::size_t slot = 0; slot < rows.size() && slot < ticked.size(); ++slot) {
    block[kWriteSelectionOffset + rows[slot].table] = ticked[slot] ? 1 : 0;
  }
}

}  // namespace vkt53
