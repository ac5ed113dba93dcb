// The write check as the user meets it: a device that keeps its old table 3
// although the write was answered, the window that lists the field and asks
// whether to write the backup back, and the backup written back.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "app/ui/write_check_window.h"
#include "config/ui/config_editor.h"
#include "tests/support/ui/editor_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/ui/modal.h"

using namespace vkt53;

class WriteCheckTest : public QObject {
  Q_OBJECT

  FakeClock clock_;  // the pauses after long table sequences skipped

 private slots:
  void cleanup() { EndModalWaits(); }

  void aDifferenceIsShownAndYesWritesTheBackupBack() {
    EditorFixture device("", {"--fault-ignore-write", "3"});
    MessageWatcher messages;
    WhenModal<TFormRealConfig>([](TFormRealConfig* editor) {
      Child<QLineEdit>(editor, "Edit2")->setText("4");
      Click(editor, "BitBtn14");
    });
    QStringList row;
    QString question;
    WhenModal<TFormWriteCheck>(
        [&](TFormWriteCheck* window) {
          auto* table = Child<QTableWidget>(window, "DifferenceTable");
          for (int column = 0; table && column < table->columnCount(); ++column) row << table->item(0, column)->text();
          if (table && table->rowCount() != 1) row << "rows: " + QString::number(table->rowCount());
          question = Child<QLabel>(window, "QuestionLabel")->text();
          Click(window, "YesButton");
        },
        15000);
    device.Choose("N2");

    QCOMPARE(row, (QStringList{"3 \"Параметры связи\"", "1 (Количество преамбул при ответе ВУ)", "4", "3"}));
    const QStringList backups = QDir(QString::fromStdString(device.configFolder()) + "/backup").entryList(QDir::Files);
    QCOMPARE(backups.size(), 1);
    QCOMPARE(question, "Записать в устройство резервную копию " + backups[0] + "?");
    // The change, then the backup.
    QCOMPARE(device.Writes(), (std::vector<std::string>{"3 0 7", "3 0 7"}));
    QCOMPARE(messages.FirstLines(), QStringList{"Резервная копия записана в устройство:"});
  }
};

QTEST_MAIN(WriteCheckTest)
#include "write_check_test.moc"
