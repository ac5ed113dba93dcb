// The online editor's unit list and its "Сохранить в файле", on the window
// alone: what the rows show for what the device holds, and what the saved
// file holds after edits of units and of controls (all of what is shown,
// checked as "Записать в устройство" checks it).
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "widgets/question.h"
#include "config/config_file.h"
#include "config/modem_string.h"
#include "config/ui/config_editor.h"
#include "dialogs/ui/vichpar.h"
#include "tests/support/ui/modal.h"
#include "tests/support/sample_records.h"

using namespace vkt53;

namespace {

QString Cell(QWidget* editor, int address, int column) {
  return Child<QTableWidget>(editor, "StringGrid1")->item(address - 1, column)->text();
}

void ChooseItem(QWidget* window, const char* list, const QString& text) {
  auto* box = Child<QComboBox>(window, list);
  box->setCurrentIndex(box->findText(text));
}

// A record as read from a device that allows every speed.
ConfigRecord DeviceRecord() {
  ConfigRecord record;
  record.SetAllSpeedsAvailable();
  return record;
}

}  // namespace

class OnlineEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  void unitSpeedIndexesBeyondTheTableShowAsZero() {
    ConfigRecord record = DeviceRecord();
    record.UnitLinkBytes()[9] = MakeUnitLinkByte(kPortC, 22);
    record.UnitLinkBytes()[10] = MakeUnitLinkByte(kPortA, 25);
    record.UnitLinkBytes()[11] = MakeUnitLinkByte(kPortB, 31);
    record.UnitLinkBytes()[12] = MakeUnitLinkByte(kPortB, 21);
    ConfigImage image = ImageOf(record);
    QTemporaryDir folder;
    TFormRealConfig editor(image, record, folder.path().toStdString());
    editor.show();
    for (int address : {9, 10, 11}) {
      QCOMPARE(Cell(&editor, address, 1), QString("         Да"));
      QCOMPARE(Cell(&editor, address, 3), QString("        0"));
    }
    QCOMPARE(Cell(&editor, 9, 2), QString("         C"));
    QCOMPARE(Cell(&editor, 12, 3), QString("        230400"));
  }

  void savingToAFileTakesWhatTheWindowShows() {
    ConfigRecord record = DeviceRecord();
    record.UnitLinkBytes()[5] = MakeUnitLinkByte(kPortA, 15);
    ConfigImage image = ImageOf(record);
    image.bytes[800] = 0x5A;  // a reserved byte, carried as it is
    const ConfigImage asShown = image;
    QTemporaryDir folder;
    const QString path = folder.path() + "/saved.cnf";
    TFormRealConfig editor(image, record, folder.path().toStdString());
    editor.show();

    Child<QTableWidget>(&editor, "StringGrid1")->setCurrentCell(200 - 1, 0);
    bool unitDialogCame = false;
    WhenModal<TFormVichPar>([&unitDialogCame](TFormVichPar* dialog) {
      unitDialogCame = true;
      Child<QCheckBox>(dialog, "CheckBox1")->click();
      ChooseItem(dialog, "ComboBox1", "  B");
      ChooseItem(dialog, "ComboBox2", "9600");
      Click(dialog, "BitBtn1");
    });
    Click(&editor, "BitBtn3");
    QVERIFY(unitDialogCame);
    ChooseItem(&editor, "ComboBox1", "9600");
    Child<QLineEdit>(&editor, "Edit2")->setText("9");
    Child<QLineEdit>(&editor, "Edit1")->setText("ATDT123");
    ChooseItem(&editor, "ComboBox2", " Низкий");

    QString noticeLine2;
    WhenModal<QFileDialog>([path](QFileDialog* dialog) {
      auto* name = Child<QLineEdit>(dialog, "fileNameEdit");
      name->setText(path);
      QTest::keyClick(name, Qt::Key_Return);
    });
    WhenModal<TFormQues>([&noticeLine2](TFormQues* box) {
      noticeLine2 = Child<QLabel>(box, "Label2")->text();
      Click(box, "BitBtn3");
    });
    Click(&editor, "BitBtn1");
    QCOMPARE(noticeLine2, QString("сохранены в файле saved.cnf"));
    QVERIFY2(editor.isVisible(), "the editor stays open");

    ConfigImage expected = asShown;
    SetUnitEntry(expected, 200, UnitEntry{1, kPortB, 11});
    expected.bytes[kMasterSpeedIndexField] = 11;  // 9600 bit/s
    expected.bytes[kAnswerPreambleCountField] = 9;
    expected.bytes[kPriorityField] = 1;
    StoreModemText(expected, "ATDT123");
    ConfigImage saved;
    QCOMPARE(ReadConfigFile(path.toStdString(), saved), ConfigFileReadResult::kRead);
    QVERIFY(saved == expected);
    QCOMPARE(ModemTextOfImage(saved), std::string("ATDT123"));
    QCOMPARE(QFileInfo(path).size(), qint64(2 + 1209));
  }

  void aFieldOutOfRangeIsReportedAndNothingIsSaved() {
    ConfigRecord record = DeviceRecord();
    ConfigImage image = ImageOf(record);
    QTemporaryDir folder;
    TFormRealConfig editor(image, record, folder.path().toStdString());
    editor.show();
    Child<QLineEdit>(&editor, "Edit1")->setText("ATDT9");
    Child<QLineEdit>(&editor, "Edit4")->setText("256");

    // The first window that comes: the input error box, not the file dialog.
    QStringList shown;
    WhenModal<QDialog>([&shown](QDialog* window) {
      shown << window->metaObject()->className() << window->windowTitle();
      if (!qobject_cast<TFormQues*>(window)) return window->reject();
      shown << Child<QLabel>(window, "Label1")->text() << Child<QLabel>(window, "Label2")->text();
      Click(window, "BitBtn3");
    });
    Click(&editor, "BitBtn1");
    QCOMPARE(shown, (QStringList{"vkt53::TFormQues", "Ошибка ввода параметров",
                                 "Длительность ожидания ответа от вычислителя", "вне допустимого диапазона"}));
    QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    QVERIFY(editor.isVisible());
  }
};

QTEST_MAIN(OnlineEditorTest)
#include "online_editor_test.moc"
