// The write check's question: the fields the device holds otherwise than
// they were written, table by table, and whether to write the backup saved
// before the write back. Modal; it only shows and asks (app/write_check.h
// decides).
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "app/field_difference.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace vkt53 {

class TFormWriteCheck : public QDialog {
  Q_OBJECT
 public:
  TFormWriteCheck(const std::vector<FieldDifference>& differences, const std::string& backupFileName,
                  QWidget* parent = nullptr);

  // True when "Да" closed the window.
  bool answeredYes() const { return answer_; }

 private:
  QLabel* HeaderLabel = nullptr;
  QTableWidget* DifferenceTable = nullptr;
  QLabel* QuestionLabel = nullptr;
  QPushButton* YesButton = nullptr;
  QPushButton* NoButton = nullptr;
  bool answer_ = false;
};

}  // namespace vkt53
