// The identification window: the device identification record, as the
// command has just read it, in readable form. It only shows.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <span>

#include "dialogs/ident_text.h"

class QGridLayout;
class QLineEdit;
class QPushButton;

namespace vkt53 {

class TFormIdent : public QDialog {
  Q_OBJECT
 public:
  // The record is lent, not copied: the window shows it as it is when shown.
  explicit TFormIdent(std::span<const uint8_t, kIdentificationSize> identification,
                      QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QGridLayout* BuildRows();
  void FormShow();
  void BitBtn2Click();

  std::span<const uint8_t, kIdentificationSize> identification_;
  std::array<QLineEdit*, kIdentificationRowCount> valueBoxes_{};
  QPushButton* BitBtn2 = nullptr;  // "Выход"
};

}  // namespace vkt53
