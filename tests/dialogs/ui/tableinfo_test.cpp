// The table status window: which tables get a row, how a table the device
// asks to have restored looks, and what each button leaves in the block.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "config/config_tables.h"
#include "config/table_status.h"
#include "dialogs/table_rows.h"
#include "dialogs/ui/tableinfo.h"
#include "tests/support/ui/frame_close.h"
#include "tests/support/ui/modal.h"
#include "tests/support/sample_records.h"

using namespace vkt53;

namespace {

QLabel* Cell(TFormTableInfo* form, const char* prefix, int slot) {
  return form->findChild<QLabel*>(QString("%1%2").arg(prefix).arg(slot));
}
QCheckBox* WriteBox(TFormTableInfo* form, int slot) {
  return form->findChild<QCheckBox*>(QString("cb%1").arg(slot));
}
QPushButton* Button(TFormTableInfo* form, const char* name) { return form->findChild<QPushButton*>(name); }
QColor TextColour(QLabel* label) { return label->palette().color(QPalette::WindowText); }

void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2)); }

// Opens the window modally as its opener does, lets `user` act in it, and
// returns what exec() returned.
int Run(TableStatusBlock& block, uint8_t writeLock, std::function<void(TFormTableInfo*)> user,
        TableWriteChoice* choice = nullptr) {
  TFormTableInfo form(block, writeLock);
  WhenModal<TFormTableInfo>(user);
  const int result = form.exec();
  if (choice) *choice = form.Choice();
  return result;
}

bool SelectionIs(const TableStatusBlock& block, std::initializer_list<int> selected) {
  for (int t = 0; t < kTableCount; ++t) {
    const bool wanted = std::find(selected.begin(), selected.end(), t) != selected.end();
    if (block[kWriteSelectionOffset + t] != (wanted ? 1 : 0)) return false;
  }
  return true;
}

const QString kTable3Name = QString(" Табл.  3.  Параметры связи");
const QString kTable5Name = QString(" Табл.  5.  Командная строка модема");
const QString kTable6Name = QString(" Табл.  6.  Скорость обмена с подкл. вычислителем и порт подключения");

}  // namespace

class TableInfoTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  // Rows.
  void tablesThreeAndSixToRestoreShowRedYesWithTheirBoxesTicked() {
    TableStatusBlock block = BlockWithRestoreFlags({3, 6});
    bool looked = false;
    Run(block, 0, [&looked](TFormTableInfo* form) {
      QCOMPARE(form->windowTitle(), QString("Состояние таблиц параметров конфигурации"));
      QCOMPARE(Cell(form, "pn", 1)->text(), kTable3Name);
      QCOMPARE(Cell(form, "pn", 2)->text(), kTable5Name);
      QCOMPARE(Cell(form, "pn", 3)->text(), kTable6Name);
      QCOMPARE(Cell(form, "pw", 1)->text(), QString("Да"));
      QCOMPARE(TextColour(Cell(form, "pw", 1)), QColor(Qt::red));
      QVERIFY(WriteBox(form, 1)->isChecked());
      QCOMPARE(Cell(form, "pw", 2)->text(), QString("Нет"));
      QVERIFY(TextColour(Cell(form, "pw", 2)) != QColor(Qt::red));
      QVERIFY(!WriteBox(form, 2)->isChecked());
      QCOMPARE(Cell(form, "pw", 3)->text(), QString("Да"));
      QVERIFY(WriteBox(form, 3)->isChecked());
      for (int slot = 1; slot <= 3; ++slot) QVERIFY(WriteBox(form, slot)->isVisible() && WriteBox(form, slot)->isEnabled());
      for (int slot = 4; slot <= 5; ++slot) {
        QVERIFY(Cell(form, "pn", slot)->text().isEmpty());
        QVERIFY(!WriteBox(form, slot)->isVisible());
      }
      looked = true;
      Click(Button(form, "BitBtn2"));
    });
    QVERIFY(looked);
  }

  void tablesThatAreNotOfferedNeverGetARow() {
    TableStatusBlock block = BlockWithRestoreFlags({0, 1, 2, 4, 7});
    QStringList names;
    Run(block, 0, [&names](TFormTableInfo* form) {
      for (int slot = 1; slot <= kTableRowSlots; ++slot) names << Cell(form, "pn", slot)->text();
      for (int slot = 1; slot <= 3; ++slot) {
        QCOMPARE(Cell(form, "pw", slot)->text(), QString("Нет"));
        QVERIFY(!WriteBox(form, slot)->isChecked());
      }
      Click(Button(form, "BitBtn2"));
    });
    QCOMPARE(names, QStringList({kTable3Name, kTable5Name, kTable6Name, "", ""}));
  }

  // Buttons and what they leave in the block.
  void writeSelectedWithEveryBoxClearedWritesNothing() {
    TableStatusBlock block = BlockWithRestoreFlags({3, 6});
    TableWriteChoice choice = kWriteAll;
    const int result = Run(block, 0, [](TFormTableInfo* form) {
      Click(WriteBox(form, 1));
      Click(WriteBox(form, 3));
      QVERIFY(!WriteBox(form, 1)->isChecked() && !WriteBox(form, 3)->isChecked());
      Click(Button(form, "BitBtn3"));
    }, &choice);
    QCOMPARE(result, 1);
    QCOMPARE(choice, kWriteSelected);
    QVERIFY(SelectionIs(block, {}));
  }

  void writeSelectedFollowsTheBoxesAsTheUserLeftThem() {
    TableStatusBlock block = BlockWithRestoreFlags({3});
    const int result = Run(block, 0, [](TFormTableInfo* form) {
      Click(WriteBox(form, 1));  // 3 off
      Click(WriteBox(form, 2));  // 5 on
      Click(Button(form, "BitBtn3"));
    });
    QCOMPARE(result, 1);
    QVERIFY(SelectionIs(block, {5}));
  }

  void writeAllMarksEveryOfferedTableEvenWithNoneCorrupted() {
    TableStatusBlock block = BlockWithRestoreFlags({});
    TableWriteChoice choice = kWriteNothing;
    const int result = Run(block, 0, [](TFormTableInfo* form) {
      QVERIFY(!WriteBox(form, 1)->isChecked());
      Click(Button(form, "BitBtn1"));
    }, &choice);
    QCOMPARE(result, 2);
    QCOMPARE(choice, kWriteAll);
    QVERIFY(SelectionIs(block, {3, 5, 6}));
  }

  void exitAfterTickingBoxesLeavesNothingSelected() {
    TableStatusBlock block = BlockWithRestoreFlags({3});
    const int result = Run(block, 0, [](TFormTableInfo* form) {
      Click(WriteBox(form, 2));
      Click(WriteBox(form, 3));
      Click(Button(form, "BitBtn2"));
    });
    QCOMPARE(result, 0);
    QVERIFY(SelectionIs(block, {}));
  }

  void closingByTheFrameChoosesNothing() {
    TableStatusBlock block = BlockWithRestoreFlags({3, 5, 6});
    TableWriteChoice choice = kWriteAll;
    const int result = Run(block, 0, [](TFormTableInfo* form) { CloseByFrame(form); }, &choice);
    QCOMPARE(result, 0);
    QCOMPARE(choice, kWriteNothing);
    QVERIFY(SelectionIs(block, {}));
  }

  // The table write lock.
  void lockShowsTheCorruptedTableButOffersNoWriting() {
    TableStatusBlock block = BlockWithRestoreFlags({3});
    bool looked = false;
    const int result = Run(block, 1, [&looked](TFormTableInfo* form) {
      QCOMPARE(Cell(form, "pw", 1)->text(), QString("Да"));
      QCOMPARE(TextColour(Cell(form, "pw", 1)), QColor(Qt::red));
      for (int slot = 1; slot <= 3; ++slot) {
        QVERIFY(WriteBox(form, slot)->isVisible());
        QVERIFY(!WriteBox(form, slot)->isChecked());
        QVERIFY(!WriteBox(form, slot)->isEnabled());
      }
      QVERIFY(!Button(form, "BitBtn1")->isEnabled());
      QVERIFY(!Button(form, "BitBtn3")->isEnabled());
      // Pressing them anyway does nothing: the window stays open.
      Click(Button(form, "BitBtn1"));
      Click(Button(form, "BitBtn3"));
      Click(WriteBox(form, 1));
      QVERIFY(form->isVisible());
      QVERIFY(!WriteBox(form, 1)->isChecked());
      looked = true;
      Click(Button(form, "BitBtn2"));
    });
    QVERIFY(looked);
    QCOMPARE(result, 0);
    QVERIFY(SelectionIs(block, {}));
  }
};

QTEST_MAIN(TableInfoTest)
#include "tableinfo_test.moc"
