// The computing-unit dialog: which speeds it offers, what it preselects, and
// that the lent entry changes only on "Принять".
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

#include "dialogs/ui/vichpar.h"
#include "tests/support/ui/editor_fixture.h"
#include "tests/support/ui/title_bar.h"

using namespace vkt53;

namespace {

QComboBox* Ports(TFormVichPar* dialog) { return Child<QComboBox>(dialog, "ComboBox1"); }
QComboBox* Speeds(TFormVichPar* dialog) { return Child<QComboBox>(dialog, "ComboBox2"); }

// Shows the dialog on `entry` as an editor does and lets `user` act in it.
void Run(UnitEntry& entry, uint32_t mask, std::function<void(TFormVichPar*)> user) {
  TFormVichPar dialog(entry, 17, mask);
  WhenModal<TFormVichPar>(user);
  dialog.exec();
}

}  // namespace

class VichParTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  void showsTheUnitWithItsPortAndSpeed() {
    UnitEntry entry{1, kPortB, 15};
    bool looked = false;
    Run(entry, kAllSpeedsMask, [&looked](TFormVichPar* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Параметры связи с вычислителем"));
      QVERIFY2(CaptionFitsTitleBar(dialog), qPrintable(QString::number(dialog->width())));
      QCOMPARE(Child<QLabel>(dialog, "Label3")->text(), QString("17"));
      QCOMPARE(Child<QLabel>(dialog, "Label1")->text(), QString("Порт подключения"));
      QCOMPARE(Child<QLabel>(dialog, "Label4")->text(), QString("Скорость обмена"));
      QVERIFY(Child<QCheckBox>(dialog, "CheckBox1")->isChecked());
      QCOMPARE(Ports(dialog)->count(), 3);
      QCOMPARE(Ports(dialog)->itemText(0), QString("  A"));
      QCOMPARE(Ports(dialog)->currentText(), QString("  B"));
      QCOMPARE(Speeds(dialog)->count(), 22);
      QCOMPARE(Speeds(dialog)->currentText(), QString("19200"));
      looked = true;
      Click(dialog, "BitBtn2");
    });
    QVERIFY(looked);
  }

  void aMaskUpTo9600LeavesA19200UnitWithoutSpeed() {
    UnitEntry entry{1, kPortA, 15};
    MessageWatcher messages;
    Run(entry, 0x0FFF, [](TFormVichPar* dialog) {
      QCOMPARE(Speeds(dialog)->count(), 12);
      QCOMPARE(Speeds(dialog)->itemText(11), QString("9600"));
      QCOMPARE(Speeds(dialog)->currentIndex(), -1);
      Click(dialog, "BitBtn1");
      QVERIFY(dialog->isVisible());
      Click(dialog, "BitBtn2");
    });
    QCOMPARE(messages.FirstLines(), QStringList{"Введены не все параметры"});
    QCOMPARE(messages.seen().front().caption, QString("Ошибка ввода параметров"));
    QCOMPARE(entry, (UnitEntry{1, kPortA, 15}));
  }

  void aMaskOfTwoSpeedsSelectsTheSecond() {
    UnitEntry entry{1, kPortC, 15};
    Run(entry, (1u << 11) | (1u << 15), [](TFormVichPar* dialog) {
      QCOMPARE(Speeds(dialog)->count(), 2);
      QCOMPARE(Speeds(dialog)->itemText(0), QString("9600"));
      QCOMPARE(Speeds(dialog)->currentIndex(), 1);
      Speeds(dialog)->setCurrentIndex(0);
      Click(dialog, "BitBtn1");
    });
    QCOMPARE(entry, (UnitEntry{1, kPortC, 11}));
  }

  void aPortCodeWithoutItemNeedsAPortChosen() {
    UnitEntry entry{0, 5, 2};
    MessageWatcher messages;
    Run(entry, kAllSpeedsMask, [](TFormVichPar* dialog) {
      QVERIFY(!Ports(dialog)->isEnabled());
      Child<QCheckBox>(dialog, "CheckBox1")->click();
      QVERIFY(Ports(dialog)->isEnabled());
      QCOMPARE(Ports(dialog)->currentIndex(), -1);
      QCOMPARE(Speeds(dialog)->currentText(), QString("1200"));
      Click(dialog, "BitBtn1");
      Ports(dialog)->setCurrentIndex(0);
      Click(dialog, "BitBtn1");
    });
    QCOMPARE(messages.FirstLines(), QStringList{"Введены не все параметры"});
    QCOMPARE(entry, (UnitEntry{1, kPortA, 2}));
  }

  void untickingAndAcceptingKeepsPortAndSpeed() {
    UnitEntry entry{1, kPortB, 20};
    Run(entry, kAllSpeedsMask, [](TFormVichPar* dialog) {
      auto* connected = Child<QCheckBox>(dialog, "CheckBox1");
      connected->click();
      QCOMPARE(Ports(dialog)->currentIndex(), -1);
      QCOMPARE(Speeds(dialog)->currentIndex(), -1);
      QVERIFY(!Speeds(dialog)->isEnabled());
      // Ticking again shows what the unit had.
      connected->click();
      QCOMPARE(Ports(dialog)->currentText(), QString("  B"));
      QCOMPARE(Speeds(dialog)->currentText(), QString("115200"));
      connected->click();
      Click(dialog, "BitBtn1");
    });
    QCOMPARE(entry, (UnitEntry{0, kPortB, 20}));
  }

  void cancelAndEscLeaveTheEntryUntouched() {
    UnitEntry entry{1, kPortA, 4};
    Run(entry, kAllSpeedsMask, [](TFormVichPar* dialog) {
      Ports(dialog)->setCurrentIndex(2);
      Speeds(dialog)->setCurrentIndex(0);
      Click(dialog, "BitBtn2");
    });
    QCOMPARE(entry, (UnitEntry{1, kPortA, 4}));
    Run(entry, kAllSpeedsMask, [](TFormVichPar* dialog) {
      Child<QCheckBox>(dialog, "CheckBox1")->click();
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(entry, (UnitEntry{1, kPortA, 4}));
  }
};

QTEST_MAIN(VichParTest)
#include "vichpar_test.moc"
