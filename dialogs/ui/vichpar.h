// The computing-unit link parameters dialog: whether one unit is connected,
// to which port of the device and at which speed. It edits a private copy of
// the lent unit entry and stores it only on "Принять".
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

#include "config/config_image.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace vkt53 {

class TFormVichPar : public QDialog {
  Q_OBJECT
 public:
  // unitSpeedMask: the speeds a computing-unit link may use (table 1, field 1).
  TFormVichPar(UnitEntry& entry, int address, uint32_t unitSpeedMask, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void CheckBox1Click();
  void ApplyConnectedState();
  void ComboBox1Click(int item);
  void ComboBox2Change(int item);
  void BitBtn1Click();
  void BitBtn2Click();

  UnitEntry& entry_;
  UnitEntry copy_;
  int address_;
  uint32_t unitSpeedMask_;
  std::optional<int> speedToSelect_;  // position in ComboBox2 of the copy's speed

  QLabel* Label2;  // "Адрес"
  QLabel* Label3;  // the address
  QCheckBox* CheckBox1;
  QLabel* Label1;  // "Порт подключения"
  QComboBox* ComboBox1;
  QLabel* Label4;  // "Скорость обмена"
  QComboBox* ComboBox2;
  QPushButton* BitBtn1;  // "Принять"
  QPushButton* BitBtn2;  // "Отменить", also Esc
};

}  // namespace vkt53
