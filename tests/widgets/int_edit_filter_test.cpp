// The integer edit field: what may be typed and what a paste lets in. How the
// text is read back is tested in config_tests (DecimalField.*).
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "widgets/int_edit_filter.h"

using namespace vkt53;

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
};

QTEST_MAIN(IntEditFilterTest)
#include "int_edit_filter_test.moc"
