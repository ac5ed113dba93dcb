// The integer edit field: what may be typed, what a paste lets in, and how
// the text is read back.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "config/decimal_field.h"
#include "app/ui/common/int_edit_filter.h"

class IntEditFilterTest : public QObject {
  Q_OBJECT

 private slots:
  void typingKeepsDigitsAndBackspaceOnly() {
    QLineEdit edit;
    InstallIntEditFilter(&edit);
    QTest::keyClicks(&edit, "1a2-+. 3,4");
    QTest::sendKeyEvent(QTest::Press, &edit, Qt::Key_unknown, QString("я"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Press, &edit, Qt::Key_unknown, QString("٥"), Qt::NoModifier);  // a non-Latin digit
    QCOMPARE(edit.text(), QString("1234"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QString("123"));
  }

  void editingKeysStillWork() {
    QLineEdit edit;
    InstallIntEditFilter(&edit);
    QTest::keyClicks(&edit, "123");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.text(), QString("23"));
  }

  void pasteGetsThrough() {
    QLineEdit edit;
    InstallIntEditFilter(&edit);
    QApplication::clipboard()->setText("7x");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QString("7x"));
  }

  void decimalTextIsEmptyNumberOrNot() {
    QCOMPARE(ParseDecimalField("").state, DecimalFieldState::Empty);
    QCOMPARE(ParseDecimalField(" ").state, DecimalFieldState::NotANumber);
    QCOMPARE(ParseDecimalField("12x").state, DecimalFieldState::NotANumber);
    QCOMPARE(ParseDecimalField("1 2").state, DecimalFieldState::NotANumber);
    QCOMPARE(ParseDecimalField("-").state, DecimalFieldState::NotANumber);
    QCOMPARE(ParseDecimalField("0x10").state, DecimalFieldState::NotANumber);

    const DecimalField padded = ParseDecimalField(" 120 ");
    QCOMPARE(padded.state, DecimalFieldState::Value);
    QCOMPARE(padded.value, int64_t{120});
    QCOMPARE(ParseDecimalField("-5").value, int64_t{-5});
    QCOMPARE(ParseDecimalField("007").value, int64_t{7});
  }

  void hugeNumbersStayOutOfRange() {
    const DecimalField huge = ParseDecimalField("99999999999999999999999999");
    QCOMPARE(huge.state, DecimalFieldState::Value);
    QVERIFY(huge.value > 5000);
    QVERIFY(!huge.IsValueIn(0, 5000));
    QVERIFY(!ParseDecimalField("-99999999999999999999999999").IsValueIn(-5000, 0));
    QVERIFY(ParseDecimalField("55").IsValueIn(55, 5000));
    QVERIFY(!ParseDecimalField("abc").IsValueIn(0, 5000));
  }
};

QTEST_MAIN(IntEditFilterTest)
#include "int_edit_filter_test.moc"
