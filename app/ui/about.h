// The about window: the program's name and version (and where INI and CONFIG
// are when they cannot be beside the program), shown once from
// "О программе".
#pragma once

#include <QDialog>

class QPushButton;

namespace vkt53 {

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAbout(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void BitBtn1Click();

  QPushButton* BitBtn1;  // close, a picture without a caption
};

}  // namespace vkt53
