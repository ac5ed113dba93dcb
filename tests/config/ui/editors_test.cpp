// The configuration editors as the user meets them: the online editor over
// the emulated device (what is written, and only that), the checks of the
// link parameters, the file editor with its save offer, and the preview
// before a table restore.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "config/modem_string.h"
#include "config/ui/config_editor.h"
#include "config/link_inputs.h"
#include "dialogs/ui/tableinfo.h"
#include "dialogs/ui/vichpar.h"
#include <QMenuBar>

#include "tests/support/ui/editor_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/ui/modal.h"

using namespace vkt53;

namespace {


QString Cell(QWidget* editor, int address, int column) {
  return Child<QTableWidget>(editor, "StringGrid1")->item(address - 1, column)->text();
}

void SelectUnit(QWidget* editor, int address) {
  Child<QTableWidget>(editor, "StringGrid1")->setCurrentCell(address - 1, 0);
}

void ChooseItem(QWidget* window, const char* list, const QString& text) {
  auto* box = Child<QComboBox>(window, list);
  box->setCurrentIndex(box->findText(text));
}

// Changes a unit through its dialog as the user does: select the row,
// "Изменить", pick the speed, "Принять".
void WhenUnitDialogSetSpeed(const QString& speed, std::function<void()> then) {
  WhenModal<TFormVichPar>([speed, then](TFormVichPar* dialog) {
    ChooseItem(dialog, "ComboBox2", speed);
    Click(dialog, "BitBtn1");
    then();
  });
}

// Runs `user` in the online editor that "Параметры конфигурации" opens.
void InOnlineEditor(std::function<void(TFormRealConfig*)> user) {
  WhenModal<TFormRealConfig>(user);
}

const std::string kUnit5AtPortAWith19200 = "table6.5 = 2F\n";  // port 1 << 5 | speed index 15

std::string AllUnitsAtPortB9600() {
  std::string line = "table6.1 =";
  for (int address = 1; address <= 254; ++address) line += " 4B";
  return line + "\n";
}

ConfigImage NewImage() {
  ConfigImage image;
  NewConfigurationImage(image);
  return image;
}

}  // namespace

class EditorsTest : public QObject {
  Q_OBJECT

  // The exchanges' RTS holds and the pauses after long table sequences are
  // skipped: what is sent for each edit is checked here against the
  // emulator, the waits themselves in table_writes_tests.
  FakeClock clock_;

 private slots:
  void cleanup() { EndModalWaits(); }

  // The online editor over the device.
  void openingAndWritingAtOnceWritesNothing() {
    EditorFixture device(kUnit5AtPortAWith19200);
    MessageWatcher messages;
    bool looked = false;
    InOnlineEditor([&looked](TFormRealConfig* editor) {
      QCOMPARE(editor->windowTitle(), QString("Параметры конфигурации КОРДИНа"));
      QCOMPARE(Child<QComboBox>(editor, "ComboBox1")->currentText(), QString("115200"));
      QCOMPARE(Child<QLineEdit>(editor, "Edit1")->text(), QString("ATZ"));
      QCOMPARE(Child<QLineEdit>(editor, "Edit2")->text(), QString("3"));
      QCOMPARE(Child<QComboBox>(editor, "ComboBox2")->currentText(), QString(" Низкий"));
      QCOMPARE(Child<QTableWidget>(editor, "StringGrid1")->rowCount(), 254);
      QCOMPARE(Cell(editor, 5, 0), QString("      5"));
      QCOMPARE(Cell(editor, 5, 1), QString("         Да"));
      QCOMPARE(Cell(editor, 5, 2), QString("         A"));
      QCOMPARE(Cell(editor, 5, 3), QString("        19200"));
      QCOMPARE(Cell(editor, 6, 1), QString("         Нет"));
      QCOMPARE(Cell(editor, 6, 2), QString(""));
      QCOMPARE(Cell(editor, 254, 0), QString("      254"));
      looked = true;
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QVERIFY(looked);
    QCOMPARE(messages.FirstLines(), QStringList{"Запись таблиц не выполняется."});
    QCOMPARE(messages.seen().front().line2, QString("Нет измененных данных"));
    QVERIFY(device.Writes().empty());
    QVERIFY(device.main().menuBar()->isEnabled());
  }

  void exitWritesNothingAndSaysNothing() {
    EditorFixture device;
    MessageWatcher messages;
    InOnlineEditor([](TFormRealConfig* editor) {
      Child<QLineEdit>(editor, "Edit2")->setText("9");
      Click(editor, "BitBtn2");
    });
    device.Choose("N2");
    QVERIFY(messages.seen().empty());
    QVERIFY(device.Writes().empty());
  }

  void changingUnit5sSpeedWritesThatOneField() {
    EditorFixture device(kUnit5AtPortAWith19200);
    MessageWatcher messages;
    QColor colourDuringDialog;
    InOnlineEditor([&colourDuringDialog](TFormRealConfig* editor) {
      SelectUnit(editor, 5);
      WhenUnitDialogSetSpeed("9600", [editor, &colourDuringDialog] {
        colourDuringDialog = editor->palette().color(QPalette::Window);
      });
      Click(editor, "BitBtn3");
      QCOMPARE(editor->palette().color(QPalette::Window), QColor(210, 210, 210));
      QCOMPARE(Cell(editor, 5, 3), QString("        9600"));
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QCOMPARE(colourDuringDialog, QApplication::palette().color(QPalette::Button));
    QVERIFY(messages.seen().empty());
    QCOMPARE(device.Writes(), std::vector<std::string>{"6 5 1"});
    QCOMPARE(device.Table(6).at(5), 0x2B);  // port A, 9600 bit/s
  }

  void changingUnits10And12WritesTwoSingleFields() {
    EditorFixture device;
    InOnlineEditor([](TFormRealConfig* editor) {
      auto connectAt = [editor](int address) {
        SelectUnit(editor, address);
        WhenModal<TFormVichPar>([](TFormVichPar* dialog) {
          Child<QCheckBox>(dialog, "CheckBox1")->click();
          ChooseItem(dialog, "ComboBox1", "  C");
          ChooseItem(dialog, "ComboBox2", "4800");
          Click(dialog, "BitBtn1");
        });
        // A double click on the row opens the same dialog.
        emit Child<QTableWidget>(editor, "StringGrid1")->cellDoubleClicked(address - 1, 1);
      };
      connectAt(10);
      connectAt(12);
      QCOMPARE(Cell(editor, 12, 2), QString("         C"));
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QCOMPARE(device.Writes(), (std::vector<std::string>{"6 10 1", "6 12 1"}));
    const auto table6 = device.Table(6);
    QCOMPARE(table6.at(10), 0x66);
    QCOMPARE(table6.at(11), 0);
    QCOMPARE(table6.at(12), 0x66);
  }

  void disconnectingAllUnitsWritesTheTableInTwoRuns() {
    EditorFixture device(AllUnitsAtPortB9600());
    MessageWatcher messages(true);
    InOnlineEditor([](TFormRealConfig* editor) {
      Click(editor, "BitBtn4");
      QCOMPARE(Cell(editor, 1, 1), QString("         Нет"));
      QCOMPARE(Cell(editor, 254, 1), QString("         Нет"));
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QCOMPARE(messages.FirstLines(), QStringList{"Вы действительно хотите удалить"});
    QCOMPARE(messages.seen().front().line2, QString("все вычислители из списка подключенных?"));
    QCOMPARE(device.Writes(), (std::vector<std::string>{"6 1 243", "6 244 11"}));
    const auto table6 = device.Table(6);
    // Not connected, the speed index kept.
    for (int address = 1; address <= 254; ++address) QCOMPARE(table6.at(address), 0x0B);
  }

  void answeringNoToDisconnectingKeepsEveryUnit() {
    EditorFixture device(AllUnitsAtPortB9600());
    MessageWatcher messages(false);
    InOnlineEditor([](TFormRealConfig* editor) {
      Click(editor, "BitBtn4");
      QCOMPARE(Cell(editor, 77, 1), QString("         Да"));
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QCOMPARE(messages.FirstLines(), (QStringList{"Вы действительно хотите удалить", "Запись таблиц не выполняется."}));
    QVERIFY(device.Writes().empty());
  }

  void aChangedPreambleCountWritesTable3AndSetsTheLinkSpeedAgain() {
    EditorFixture device;
    device.main().findChild<QLabel*>("LinkPanel")->setText("");
    InOnlineEditor([](TFormRealConfig* editor) {
      Child<QLineEdit>(editor, "Edit2")->setText("4");
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QCOMPARE(device.Writes(), std::vector<std::string>{"3 0 7"});
    QCOMPARE(device.Table(3), (std::vector<int>{20, 4, 5, 1, 0, 0, 0}));
    QCOMPARE(device.main().state().link.settings.exchangeSpeed, kDeviceSpeed);
    QCOMPARE(device.main().findChild<QLabel*>("LinkPanel")->text(), QString(" COM1,   115200 бит/с"));
  }

  void aFailedWriteShowsNoFurtherMessage() {
    // The five reads of the configuration are answered, every write refused.
    EditorFixture device(kUnit5AtPortAWith19200, {"--fault-skip", "5", "--fault-error", "12"});
    MessageWatcher messages;  // "Нет" to the retry question
    InOnlineEditor([](TFormRealConfig* editor) {
      SelectUnit(editor, 5);
      WhenUnitDialogSetSpeed("9600", [] {});
      Click(editor, "BitBtn3");
      Click(editor, "BitBtn14");
    });
    device.Choose("N2");
    QCOMPARE(messages.FirstLines(), QStringList{"Не выполнена запись в таблицу 6."});
    QCOMPARE(device.Writes(), std::vector<std::string>{"6 5 1"});  // sent once, refused, not repeated
    QCOMPARE(device.Table(6).at(5), 0x20 | 15);  // the device keeps unit 5 at 19200
  }

  void aFailedReadOpensNoEditor() {
    EditorFixture device;
    device.main().state().link.Close();
    MessageWatcher messages(false, true);  // "Нет" to every retry question
    device.Choose("N2");
    QVERIFY(messages.otherWindows().isEmpty());
    QVERIFY(messages.FirstLines().contains("Параметры конфигурирования не прочитаны"));
    QVERIFY(device.main().menuBar()->isEnabled());
  }

  void theWindowShowsEachCheckAndStaysOpen() {
    ConfigImage image = NewImage();
    ConfigRecord record;
    record.SetAllSpeedsAvailable();
    TFormRealConfig editor(image, record, "/nonexistent");
    MessageWatcher messages;
    WhenModal<TFormRealConfig>([](TFormRealConfig* shown) {
      auto* edit4 = Child<QLineEdit>(shown, "Edit4");
      edit4->clear();
      Click(shown, "BitBtn14");
      edit4->setText("256");
      Click(shown, "BitBtn14");
      edit4->setText("5");
      Child<QLineEdit>(shown, "Edit3")->setText("3a");  // pasted past the key filter
      Click(shown, "BitBtn14");
      QVERIFY(shown->isVisible());
      Child<QLineEdit>(shown, "Edit3")->setText("");
      Child<QLineEdit>(shown, "Edit2")->setText("");
      Click(shown, "BitBtn14");
    });
    editor.exec();
    QCOMPARE(messages.FirstLines(), (QStringList{"Введены не все параметры",
                                                 "Длительность ожидания ответа от вычислителя",
                                                 "Количество преамбул"}));
    QCOMPARE(messages.seen()[0].caption, QString("Ошибка ввода параметров"));
    QCOMPARE(messages.seen()[1].line2, QString("вне допустимого диапазона"));
    QVERIFY(editor.writeRequested());
    QCOMPARE(image.bytes[1], 0);  // empty Edit2 is 0 preambles
    QCOMPARE(image.bytes[2], 0);
    QCOMPARE(image.bytes[6], 5);
  }

  void aListWithoutSelectionIsIncompleteUntilChosen() {
    ConfigImage image = NewImage();
    image.bytes[kPriorityField] = 2;  // no such item
    image.bytes[kMasterSpeedIndexField] = 15;
    ConfigRecord record;
    record.SetMasterSpeedMask(0x0FFF);  // 300 .. 9600 only
    TFormRealConfig editor(image, record, "/nonexistent");
    MessageWatcher messages;
    WhenModal<TFormRealConfig>([](TFormRealConfig* shown) {
      QCOMPARE(Child<QComboBox>(shown, "ComboBox1")->count(), 12);
      QCOMPARE(Child<QComboBox>(shown, "ComboBox1")->currentIndex(), -1);
      QCOMPARE(Child<QComboBox>(shown, "ComboBox2")->currentIndex(), -1);
      Click(shown, "BitBtn14");
      ChooseItem(shown, "ComboBox1", "2400");
      Click(shown, "BitBtn14");
      ChooseItem(shown, "ComboBox2", " Высокий");
      Click(shown, "BitBtn14");
    });
    editor.exec();
    QCOMPARE(messages.FirstLines(), (QStringList{"Введены не все параметры", "Введены не все параметры"}));
    QVERIFY(editor.writeRequested());
    QCOMPARE(image.bytes[kMasterSpeedIndexField], 3);
    QCOMPARE(image.bytes[kPriorityField], 0);
  }

  void integerFieldsTakeOnlyDigits() {
    ConfigImage image = NewImage();
    ConfigRecord record;
    TFormRealConfig editor(image, record, "/nonexistent");
    WhenModal<TFormRealConfig>([](TFormRealConfig* shown) {
      auto* edit2 = Child<QLineEdit>(shown, "Edit2");
      edit2->clear();
      QTest::keyClicks(edit2, "1a-2 5");
      QCOMPARE(edit2->text(), QString("125"));
      QTest::keyClick(edit2, Qt::Key_Backspace);
      QCOMPARE(edit2->text(), QString("12"));
      QTest::keyClicks(edit2, "345");
      QCOMPARE(edit2->text(), QString("123"));  // three characters at most
      shown->reject();
    });
    editor.exec();
    QVERIFY(!editor.writeRequested());
  }

  // The file editor.
  void aNewConfigurationAcceptedUnchangedIsOfferedForSaving() {
    EditorFixture device;
    MessageWatcher messages(false);
    bool looked = false;
    WhenModal<TFormConfig>([&looked](TFormConfig* editor) {
      QVERIFY(Child<QPushButton>(editor, "BitBtn5")->isVisible());
      QVERIFY(!Child<QPushButton>(editor, "BitBtn14")->isVisible());
      QVERIFY(!editor->findChild<QPushButton*>("BitBtn1"));
      QCOMPARE(Child<QComboBox>(editor, "ComboBox1")->count(), 22);
      QCOMPARE(Child<QComboBox>(editor, "ComboBox1")->currentText(), QString("1200"));
      QCOMPARE(Child<QLineEdit>(editor, "Edit3")->text(), QString("5"));
      looked = true;
      Click(editor, "BitBtn5");
    });
    device.Choose("NNewCnf");
    QVERIFY(looked);
    QCOMPARE(messages.FirstLines(), QStringList{"Сохранить параметры конфигурирования в файле?"});
  }

  void anOpenedFileAcceptedUnchangedIsNotOffered() {
    EditorFixture device;
    const QString path = QString::fromStdString(device.configFolder()) + "/x.cnf";
    ConfigImage image = NewImage();
    SetUnitEntry(image, 3, {1, kPortB, 11});
    QCOMPARE(WriteConfigFile(path.toStdString(), image), FileWriteResult::kWritten);
    MessageWatcher messages(false);
    ChooseFileWhenAsked(path);
    WhenModal<TFormConfig>([](TFormConfig* editor) {
      QCOMPARE(Cell(editor, 3, 2), QString("         B"));
      auto* edit2 = Child<QLineEdit>(editor, "Edit2");
      edit2->setText("4");  // changed and changed back
      edit2->setText("3");
      Click(editor, "BitBtn5");
    });
    device.Choose("NEditCnf");
    QVERIFY(messages.seen().empty());
    QCOMPARE(device.main().state().configFilePath, path.toStdString());
  }

  void theOpenDialogStartsWithAnEmptyNameEveryTime() {
    EditorFixture device;
    const QString path = QString::fromStdString(device.configFolder()) + "/x.cnf";
    QCOMPARE(WriteConfigFile(path.toStdString(), NewImage()), FileWriteResult::kWritten);
    ChooseFileWhenAsked(path);
    WhenModal<TFormConfig>([](TFormConfig* editor) { Click(editor, "BitBtn2"); });
    device.Choose("NEditCnf");
    QString nameShown = "not shown";
    WhenModal<QFileDialog>([&nameShown](QFileDialog* dialog) {
      nameShown = Child<QLineEdit>(dialog, "fileNameEdit")->text();
      dialog->reject();
    });
    device.Choose("NEditCnf");
    QCOMPARE(nameShown, QString());
  }

  void aChangedFileIsOfferedAndSaved() {
    EditorFixture device;
    const QString path = QString::fromStdString(device.configFolder()) + "/y.cnf";
    QCOMPARE(WriteConfigFile(path.toStdString(), NewImage()), FileWriteResult::kWritten);
    device.main().state().record.SetUnitSpeedMask(0x0FFF);  // a device with fewer speeds was read before
    MessageWatcher messages(true);
    ChooseFileWhenAsked(path);
    int speedsOffered = 0;
    WhenModal<TFormConfig>([path, &speedsOffered](TFormConfig* editor) {
      SelectUnit(editor, 200);
      WhenModal<TFormVichPar>([path, &speedsOffered](TFormVichPar* dialog) {
        speedsOffered = Child<QComboBox>(dialog, "ComboBox2")->count();
        Child<QCheckBox>(dialog, "CheckBox1")->click();
        ChooseItem(dialog, "ComboBox1", "  A");
        ChooseItem(dialog, "ComboBox2", "230400");
        Click(dialog, "BitBtn1");
        ChooseFileWhenAsked(path);  // the save dialog that follows acceptance
      });
      Click(editor, "BitBtn3");
      Click(editor, "BitBtn5");
    });
    device.Choose("NEditCnf");
    QCOMPARE(speedsOffered, 22);
    QCOMPARE(messages.FirstLines(), (QStringList{"Сохранить параметры конфигурирования в файле?",
                                                 "Параметры конфигурации"}));
    ConfigImage saved;
    QCOMPARE(ReadConfigFile(path.toStdString(), saved), ConfigFileReadResult::kRead);
    QCOMPARE(GetUnitEntry(saved, 200), (UnitEntry{1, kPortA, 21}));
  }

  void exitAfterEditingDiscardsTheEdits() {
    EditorFixture device;
    MessageWatcher messages(true);
    WhenModal<TFormConfig>([](TFormConfig* editor) {
      Child<QLineEdit>(editor, "Edit2")->setText("44");
      Click(editor, "BitBtn2");
    });
    device.Choose("NNewCnf");
    QVERIFY(messages.seen().empty());
  }

  // The preview before a table restore.
  void restorePreviewExitWritesNothing() {
    EditorFixture device;
    const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
    QCOMPARE(WriteConfigFile(path.toStdString(), NewImage()), FileWriteResult::kWritten);
    MessageWatcher messages(true);
    bool previewed = false;
    WhenModal<TFormTableInfo>([path, &previewed](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([&previewed](TFormConfig* editor) {
        previewed = true;
        QVERIFY(Child<QPushButton>(editor, "BitBtn14")->isVisible());
        QVERIFY(!Child<QPushButton>(editor, "BitBtn5")->isVisible());
        Click(editor, "BitBtn2");
      });
      Click(status, "BitBtn1");  // write all
    });
    device.Choose("N1");
    QVERIFY2(previewed, "the file was shown before anything could be written");
    QVERIFY(device.Writes().empty());
    QVERIFY(messages.seen().empty());
  }

  void restorePreviewAcceptedUnchangedWritesWithoutASaveOffer() {
    EditorFixture device("unit_speed_mask = 0x00008800\n");
    const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
    ConfigImage image = NewImage();
    image.bytes[kMasterSpeedIndexField] = 20;  // the device's 115200, so the link stays
    SetUnitEntry(image, 7, {1, kPortB, 11});
    QCOMPARE(WriteConfigFile(path.toStdString(), image), FileWriteResult::kWritten);
    MessageWatcher messages(true);
    int unitSpeeds = 0;
    WhenModal<TFormTableInfo>([path, &unitSpeeds](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([&unitSpeeds](TFormConfig* editor) {
        SelectUnit(editor, 7);
        WhenModal<TFormVichPar>([&unitSpeeds](TFormVichPar* dialog) {
          unitSpeeds = Child<QComboBox>(dialog, "ComboBox2")->count();  // the device's mask
          Click(dialog, "BitBtn2");
        });
        Click(editor, "BitBtn3");
        Click(editor, "BitBtn14");
      });
      Click(status, "BitBtn1");
    });
    device.Choose("N1");
    QCOMPARE(unitSpeeds, 2);
    QVERIFY(messages.seen().empty());
    QCOMPARE(device.Writes(), (std::vector<std::string>{"3 0 7", "5 0 1", "6 0 243", "6 243 12"}));
    QCOMPARE(device.Table(6).at(7), 0x4B);
  }

  void restoreOfANewMasterSpeedMovesTheLinkAndChecksThere() {
    EditorFixture device("", {"--corrupt", "3"});
    const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
    ConfigImage image = NewImage();
    image.bytes[kMasterSpeedIndexField] = 11;  // 9600 bit/s
    QCOMPARE(WriteConfigFile(path.toStdString(), image), FileWriteResult::kWritten);
    MessageWatcher messages;
    WhenModal<TFormTableInfo>([path](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([](TFormConfig* editor) { Click(editor, "BitBtn14"); });
      Click(status, "BitBtn3");  // the ticked table: 3, reported corrupted
    });
    device.Choose("N1");
    QCOMPARE(device.Writes(), std::vector<std::string>{"3 0 7"});
    QCOMPARE(device.main().findChild<QLabel*>("LinkPanel")->text(), QString(" COM1,   9600 бит/с"));
    QCOMPARE(device.main().state().link.settings.exchangeSpeed, 9600);
    // The identification read again at 9600 answered and reports no corrupted table.
    QVERIFY(messages.seen().empty());
    QCOMPARE(device.main().state().record.Identification()[0], 0);
  }

  void restoreWithoutTable1OffersEverySpeed() {
    // Table 7 is read, then table 1's answer is lost and not asked for again.
    EditorFixture device("unit_speed_mask = 0x00008800\n", {"--fault-skip", "1", "--fault-drop", "1"});
    device.main().state().link.context.firstByteWaitMs = 300;
    const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
    QCOMPARE(WriteConfigFile(path.toStdString(), NewImage()), FileWriteResult::kWritten);
    MessageWatcher messages;  // "Нет" to the retry question
    int unitSpeeds = 0;
    WhenModal<TFormTableInfo>([path, &unitSpeeds](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([&unitSpeeds](TFormConfig* editor) {
        SelectUnit(editor, 7);
        WhenModal<TFormVichPar>([&unitSpeeds](TFormVichPar* dialog) {
          unitSpeeds = Child<QComboBox>(dialog, "ComboBox2")->count();
          Click(dialog, "BitBtn2");
        });
        Click(editor, "BitBtn3");
        Click(editor, "BitBtn2");
      });
      Click(status, "BitBtn1");
    });
    device.Choose("N1");
    QCOMPARE(messages.FirstLines(), QStringList{"Не выполнено чтение из таблицы 1."});
    QCOMPARE(unitSpeeds, 22);
    QVERIFY(device.Writes().empty());
  }
};

QTEST_MAIN(EditorsTest)
#include "editors_test.moc"
