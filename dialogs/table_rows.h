// What the table status window shows and what its buttons decide, without a
// window: which tables get a row, how each row looks, and the write
// selection the two write buttons leave in the table status block.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/table_status.h"

namespace vkt53 {

inline constexpr int kTableRowSlots = 5;

struct TableRow {
  int table = 0;
  std::string name;         // " Табл. %2d.  %s"
  bool corrupted = false;   // the device asks for the table to be restored
  bool ticked = false;      // the write box's initial state
  bool tickable = true;     // false while the table write lock is set
};

// " Табл. %2d.  %s" with the table's name from the table name list.
std::string TableRowName(int table);

// One row per offered table, in ascending table order, at most one per slot.
std::vector<TableRow> TableRows(const TableStatusBlock& block, bool writeLocked);

// "Записать все таблицы": every offered table selected, nothing else.
void SelectAllOffered(TableStatusBlock& block);

// "Записать избранные таблицы": each row's table selected as its box shows;
// tables without a row are left unselected.
void SelectTicked(TableStatusBlock& block, const std::vector<TableRow>& rows,
                  const std::array<bool, kTableRowSlots>& ticked);

}  // namespace vkt53
