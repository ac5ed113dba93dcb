// The table status window: which writable configuration tables the device
// asks to have restored, and which of them the user chooses to write. It
// sends nothing itself; its opener reads the choice and the block.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <vector>

#include "dialogs/table_rows.h"

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace vkt53 {

// The window's result, also what exec() returns.
enum TableWriteChoice : int {
  kWriteNothing = 0,   // "Выход" or closed otherwise
  kWriteSelected = 1,  // "Записать избранные таблицы"
  kWriteAll = 2,       // "Записать все таблицы"
};

class TFormTableInfo : public QDialog {
  Q_OBJECT
 public:
  // The block is lent: the write buttons fill its selection bytes. A
  // non-zero table write lock leaves only "Выход" working.
  TFormTableInfo(TableStatusBlock& block, uint8_t tableWriteLock, QWidget* parent = nullptr);

  TableWriteChoice Choice() const { return choice_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct RowSlot {
    QLabel* name = nullptr;       // pnN
    QLabel* corrupted = nullptr;  // pwN
    QCheckBox* write = nullptr;   // cbN
  };

  QGridLayout* BuildRows();
  QHBoxLayout* BuildButtons();
  void FormShow();
  void ClearSlot(RowSlot& slot);
  void FillSlot(RowSlot& slot, const TableRow& row);
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void Finish(TableWriteChoice choice);

  TableStatusBlock& block_;
  const bool writeLocked_;
  TableWriteChoice choice_ = kWriteNothing;
  std::vector<TableRow> rows_;  // row k fills slot k + 1
  std::array<RowSlot, kTableRowSlots> slots_{};
  QPushButton* BitBtn1 = nullptr;  // "Записать все таблицы"
  QPushButton* BitBtn2 = nullptr;  // "Выход"
  QPushButton* BitBtn3 = nullptr;  // "Записать избранные таблицы"
};

}  // namespace vkt53
