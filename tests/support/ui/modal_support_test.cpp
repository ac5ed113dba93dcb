// The support that drives modal windows in the window tests: a window that
// never comes, a window the test's handler leaves open, a missing control and
// a wait that has ended must fail the test that met them, not hang it, crash
// it, pass it silently or act in the test after it.
#include <QDialog>
#include <QtTest>

#include "tests/support/ui/modal.h"

using namespace vkt53;

class ModalSupportTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  void aWindowThatNeverComesFailsTheTest() {
    QEXPECT_FAIL("", "no window is opened", Continue);
    WhenModal<QDialog>([](QDialog*) {}, 20);
    QTRY_COMPARE_WITH_TIMEOUT(PendingModalWaits(), 0, 5000);
  }

  void aWindowTheHandlerLeavesOpenIsClosedAndFailsTheTest() {
    QDialog dialog;
    QEXPECT_FAIL("", "the handler presses nothing", Continue);
    WhenModal<QDialog>([](QDialog*) {});
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
  }

  void aMissingControlFailsTheTest() {
    QWidget window;
    window.setObjectName("window");
    QEXPECT_FAIL("", "the window has no such button", Continue);
    Click(&window, "BitBtn1");
  }

  void anEndedWaitActsOnNoLaterWindow() {
    bool acted = false;
    WhenModal<QDialog>([&acted](QDialog* dialog) {
      acted = true;
      dialog->accept();
    });
    QEXPECT_FAIL("", "its window never came", Continue);
    EndModalWaits();
    QDialog later;
    WhenModal<QDialog>([](QDialog* dialog) { dialog->reject(); });
    QCOMPARE(later.exec(), int(QDialog::Rejected));
    QVERIFY(!acted);
  }
};

QTEST_MAIN(ModalSupportTest)
#include "modal_support_test.moc"
