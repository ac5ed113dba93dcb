// The message box: the one way the program tells the user something or asks
// a yes/no question. The kind fixes the caption, a third line and the buttons.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace vkt53 {

enum class MessageKind { Error, InputError, Question, ExchangeResult, Notice, RetryQuestion };

// Shows a modal message box; true only when the user pressed "Да".
bool ShowMessage(MessageKind kind, const QString& line1, const QString& line2 = QString(), QWidget* parent = nullptr);

// The question window the message box is built on.
class TFormQues : public QDialog {
  Q_OBJECT
 public:
  explicit TFormQues(QWidget* parent = nullptr);

  void Prepare(MessageKind kind, const QString& line1, const QString& line2);
  bool answeredYes() const { return answer_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void ShowEmptyCaption();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();

  // Each line as given; a label shows it cut when the screen is too narrow.
  QString lines_[3];
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QPushButton* BitBtn1;  // "Да"
  QPushButton* BitBtn2;  // "Нет", also Esc
  QPushButton* BitBtn3;  // acknowledge
  bool answer_ = false;
};

}  // namespace vkt53
