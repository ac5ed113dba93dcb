// The message box as the user meets it: its size by the lines in use, its
// buttons by the kind, and which ways of closing it answer "no".
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <functional>

#include "widgets/question.h"
#include "tests/support/ui/frame_close.h"
#include "tests/support/ui/modal.h"
#include "tests/support/ui/title_bar.h"

using namespace vkt53;

namespace {

// What the user saw of one message box.
struct Seen {
  bool appeared = false;
  QString caption;
  QString titleBar;  // what the window system is given to show
  bool captionFits = false;
  Qt::WindowFlags frame;
  QSize size;
  bool fixedSize = false;
  QString lines[3];
  int lineWidth = 0;
  bool yesShown = false, noShown = false, acknowledgeShown = false;
  QPoint yesAt, noAt, acknowledgeAt;
  QString focusName;
};

QPushButton* Button(TFormQues* form, const char* name) { return form->findChild<QPushButton*>(name); }

Seen Look(TFormQues* form) {
  Seen seen;
  seen.appeared = true;
  seen.caption = form->windowTitle();
  seen.titleBar = form->windowHandle()->title();
  seen.captionFits = CaptionFitsTitleBar(form);
  seen.frame = form->windowFlags();
  seen.size = form->size();
  seen.fixedSize = form->minimumSize() == form->maximumSize();
  const char* names[] = {"Label1", "Label2", "Label3"};
  for (int i = 0; i < 3; ++i) seen.lines[i] = form->findChild<QLabel*>(names[i])->text();
  seen.lineWidth = form->findChild<QLabel*>("Label1")->width();
  seen.yesShown = Button(form, "BitBtn1")->isVisible();
  seen.noShown = Button(form, "BitBtn2")->isVisible();
  seen.acknowledgeShown = Button(form, "BitBtn3")->isVisible();
  seen.yesAt = Button(form, "BitBtn1")->pos();
  seen.noAt = Button(form, "BitBtn2")->pos();
  seen.acknowledgeAt = Button(form, "BitBtn3")->pos();
  if (QWidget* focus = form->focusWidget()) seen.focusName = focus->objectName();
  return seen;
}

// Shows one message box, notes what it looked like, then lets `close` end it
// as the user would; returns the box's answer.
bool Show(MessageKind kind, const QString& line1, const QString& line2, Seen& seen,
          std::function<void(TFormQues*)> close) {
  WhenModal<TFormQues>([&seen, close](TFormQues* form) {
    seen = Look(form);
    close(form);
  });
  return ShowMessage(kind, line1, line2);
}

void Click(TFormQues* form, const char* button) { QTest::mouseClick(Button(form, button), Qt::LeftButton); }

auto Acknowledge() {
  return [](TFormQues* form) { Click(form, "BitBtn3"); };
}
auto Press(const char* button) {
  return [button](TFormQues* form) { Click(form, button); };
}

QString Repeat(const QString& piece, int count) {
  QString text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

constexpr int kAnswerButtonsWidth = 2 * 75;

}  // namespace

class MessageBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  // Height follows the lines in use.
  void errorWithEmptySecondLineIsCompactWithOneAcknowledgeButton() {
    Seen seen;
    const bool answer = Show(MessageKind::Error, "Файл не найден", "", seen, Acknowledge());
    QVERIFY(seen.appeared);
    QCOMPARE(seen.caption, QString("Ошибка"));
    QCOMPARE(seen.titleBar, QString("Ошибка"));
    QCOMPARE(seen.size.height(), 118);
    QVERIFY(seen.fixedSize);
    QCOMPARE(seen.acknowledgeAt.y(), 43);
    QVERIFY(seen.acknowledgeShown);
    QVERIFY(!seen.yesShown);
    QVERIFY(!seen.noShown);
    QCOMPARE(seen.focusName, QString("BitBtn3"));
    QVERIFY(!answer);
  }

  void secondLineGivesTheMediumHeight() {
    Seen seen;
    Show(MessageKind::ExchangeResult, "Запись выполнена", "Таблица 3", seen, Acknowledge());
    QCOMPARE(seen.caption, QString("Результат обмена с устройством"));
    QCOMPARE(seen.size.height(), 140);
    QCOMPARE(seen.acknowledgeAt.y(), 70);
  }

  void retryQuestionIsAlwaysTall() {
    Seen seen;
    const bool answer = Show(MessageKind::RetryQuestion, "Чтение из таблицы 3 (поля 0-6)", "", seen, Press("BitBtn1"));
    QCOMPARE(seen.caption, QString("?"));
    QCOMPARE(seen.lines[2], QString("Повторить попытку?"));
    QCOMPARE(seen.size.height(), 170);
    QCOMPARE(seen.yesAt.y(), 100);
    QVERIFY(seen.yesShown && seen.noShown);
    QVERIFY(!seen.acknowledgeShown);
    QCOMPARE(seen.focusName, QString("BitBtn1"));
    QVERIFY(answer);
  }

  // Width follows the longest line, but never narrower than the two answer buttons.
  void fortyCharacterLineIsThreeHundredThirtyWide() {
    const QString line = Repeat("абвгд", 8);
    QCOMPARE(line.size(), 40);
    Seen seen;
    Show(MessageKind::Error, line, "", seen, Acknowledge());
    QCOMPARE(seen.size.width(), 330);
    QCOMPARE(seen.lineWidth, 330 - 14);
    QCOMPARE(seen.lines[0], line);
  }

  void tenCharacterQuestionIsAsWideAsBothAnswersPlusSixty() {
    Seen seen;
    Show(MessageKind::Question, "Сохранить?", "", seen, Press("BitBtn2"));
    const int width = kAnswerButtonsWidth + 60;
    QCOMPARE(seen.size.width(), width);
    // Three equal gaps, each less 3: "Да" one gap in, "Нет" one gap after "Да".
    const int gap = (width - kAnswerButtonsWidth) / 3 - 3;
    QCOMPARE(seen.yesAt.x(), gap);
    QCOMPARE(seen.noAt.x(), gap + 75 + gap);
  }

  void tenCharacterErrorWithOnlyAcknowledgeIsJustAsWide() {
    Seen seen;
    Show(MessageKind::Error, "Нет файла!", "", seen, Acknowledge());
    QCOMPARE(seen.size.width(), kAnswerButtonsWidth + 60);
    QCOMPARE(seen.acknowledgeAt.x(), (kAnswerButtonsWidth + 60 - 75) / 2);
  }

  // A line longer than the screen is wide (a deep folder's path) keeps the
  // box on the screen: cut in the middle, whole in its tool tip.
  void aLineWiderThanTheScreenIsCutInTheMiddleAndWholeInItsToolTip() {
    const QString path = "C:\\Users\\" + Repeat("Инженер ", 30) + "\\CONFIG\\backup";
    const QString line = "Нельзя создать папку " + path;
    Seen seen;
    QString toolTip;
    WhenModal<TFormQues>([&](TFormQues* form) {
      seen = Look(form);
      toolTip = form->findChild<QLabel*>("Label2")->toolTip();
      Click(form, "BitBtn3");
    });
    ShowMessage(MessageKind::Error, "Резервная копия конфигурации не сохранена", line);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    QVERIFY2(seen.size.width() < screen.width(), qPrintable(QString::number(seen.size.width())));
    QVERIFY(seen.lines[1].startsWith("Нельзя создать папку C:\\Users"));
    QVERIFY(seen.lines[1].endsWith("\\CONFIG\\backup"));
    QVERIFY(seen.lines[1].size() < line.size());
    QCOMPARE(toolTip, line);
    QCOMPARE(seen.lines[0], QString("Резервная копия конфигурации не сохранена"));
  }

  // Widened beyond the rule only where the frame would cut the caption short.
  void inputErrorIsWideEnoughForItsCaption() {
    Seen seen;
    Show(MessageKind::InputError, "Введены не все параметры", "", seen, Acknowledge());
    QCOMPARE(seen.caption, QString("Ошибка ввода параметров"));
    QVERIFY2(seen.captionFits, qPrintable(QString::number(seen.size.width())));
  }

  // Only the system menu with its close button: no minimise, maximise or help.
  void questionWindowOffersOnlyTheSystemMenu() {
    Seen seen;
    Show(MessageKind::Question, "Сохранить файл?", "", seen, Press("BitBtn2"));
    QVERIFY(seen.frame.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(seen.frame.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!seen.frame.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!seen.frame.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!seen.frame.testFlag(Qt::WindowContextHelpButtonHint));
  }

  void noticeHasEmptyCaptionAndItsLinesSetTheWidth() {
    const QString line = Repeat("Таблица ", 4);  // 32 characters
    Seen seen;
    Show(MessageKind::Notice, line, "", seen, Acknowledge());
    QVERIFY(seen.caption.isEmpty());
    // Given nothing, the toolkit would show the program's name there.
    QVERIFY2(!seen.titleBar.isEmpty() && seen.titleBar.trimmed().isEmpty(), qPrintable(seen.titleBar));
    QCOMPARE(seen.size.width(), 8 * 32 + 10);
    QVERIFY(seen.acknowledgeShown);
  }

  // Only "Да" answers yes.
  void escapeOnAQuestionAnswersNo() {
    Seen seen;
    const bool answer = Show(MessageKind::Question, "Заменить файл?", "", seen,
                             [](TFormQues* form) { QTest::keyClick(form, Qt::Key_Escape); });
    QVERIFY(seen.appeared);
    QVERIFY(!answer);
  }

  void secondQuestionClosedByItsFrameAnswersNoAfterAYes() {
    Seen first, second;
    QVERIFY(Show(MessageKind::Question, "Сохранить файл?", "", first, Press("BitBtn1")));
    const bool answer = Show(MessageKind::Question, "Удалить все вычислители?", "", second,
                             [](TFormQues* form) { CloseByFrame(form); });
    QVERIFY(second.appeared);
    QVERIFY(!answer);
  }

  // The focused button takes the Enter key, as on any dialog.
  void enterOnAQuestionAnswersTheFocusedYes() {
    Seen seen;
    const bool answer = Show(MessageKind::Question, "Сохранить файл?", "", seen,
                             [](TFormQues* form) { QTest::keyClick(form->focusWidget(), Qt::Key_Return); });
    QCOMPARE(seen.focusName, QString("BitBtn1"));
    QVERIFY(answer);
  }

  void enterAcknowledgesAnError() {
    Seen seen;
    bool closedByEnter = false;
    Show(MessageKind::Error, "Файл не найден", "", seen, [&closedByEnter](TFormQues* form) {
      QTest::keyClick(form->focusWidget(), Qt::Key_Return);
      closedByEnter = !form->isVisible();
    });
    QVERIFY(closedByEnter);
  }

  void noAnswersNo() {
    Seen seen;
    QVERIFY(!Show(MessageKind::RetryQuestion, "Команда 3.", "Нет ответа", seen, Press("BitBtn2")));
    QCOMPARE(seen.lines[0], QString("Команда 3."));
    QCOMPARE(seen.lines[1], QString("Нет ответа"));
  }
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
