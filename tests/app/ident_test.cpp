// The identification window: the value texts decoded from the record and the
// window that shows them, with the corrupted-table value in red.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <array>
#include <cstdint>

#include "dialogs/ui/ident.h"
#include "dialogs/ident_text.h"
#include "support/modal.h"

namespace {

using Record = std::array<uint8_t, kIdentificationSize>;

// A vkt53-sx as it usually answers: type 8, software 3, built 17.03.05 09:05:00.
Record TypicalRecord() {
  Record record{};
  record[1] = 8;   // type code
  record[2] = 2;   // hardware version
  record[3] = 3;   // software version
  record[4] = 5;   // year
  record[5] = 3;   // month
  record[6] = 17;  // day
  record[7] = 9;   // hour
  record[8] = 5;   // minute
  record[9] = 0;   // second
  record[10] = 1;  // byte order
  record[11] = 1;  // multi-speed
  record[14] = 1;
  record[15] = 0;
  record[16] = 12;
  return record;
}

QString Row(const Record& record, IdentificationRow row) {
  return QString::fromStdString(IdentificationRows(record)[row]);
}

QString DateWith(std::size_t byte, uint8_t value) {
  Record record = TypicalRecord();
  record[byte] = value;
  return Row(record, kBuildDateRow);
}

QLineEdit* ValueBox(TFormIdent* form, int rowNumber) {
  return form->findChild<QLineEdit*>(QString("Edit%1").arg(rowNumber));
}

QColor TextColour(QLineEdit* box) { return box->palette().color(QPalette::Text); }

struct ShownRow {
  QString label;
  QString value;
  QColor colour;
};

// Opens the window modally as the command does, notes every row and closes it
// with "Выход"; returns whether "Выход" ended it.
bool ShowWindow(const Record& record, std::array<ShownRow, kIdentificationRowCount>& rows, QString& focus) {
  TFormIdent form(record);
  WhenModal<TFormIdent>([&rows, &focus](TFormIdent* shown) {
    for (int i = 0; i < static_cast<int>(kIdentificationRowCount); ++i) {
      QLineEdit* box = ValueBox(shown, i + 1);
      rows[i] = {shown->findChild<QLabel*>(QString("Label%1").arg(i + 1))->text(), box->text(), TextColour(box)};
    }
    if (QWidget* widget = shown->focusWidget()) focus = widget->objectName();
    QTest::mouseClick(shown->findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
  });
  form.exec();
  return !form.isVisible() && !rows[0].label.isEmpty();
}

}  // namespace

class IdentTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  // Build date and time.
  void buildDateShowsDayMonthYearThenTimeAfterTwoBlanks() {
    QCOMPARE(Row(TypicalRecord(), kBuildDateRow), QString("17.03.05  09:05:00"));
  }

  void eachInvalidDatePartShowsStarsInItsPlaceOnly() {
    QCOMPARE(DateWith(5, 0), QString("17.**.05  09:05:00"));
    QCOMPARE(DateWith(5, 13), QString("17.**.05  09:05:00"));
    QCOMPARE(DateWith(6, 0), QString("**.03.05  09:05:00"));
    QCOMPARE(DateWith(6, 32), QString("**.03.05  09:05:00"));
    QCOMPARE(DateWith(4, 100), QString("17.03.**  09:05:00"));
    QCOMPARE(DateWith(7, 24), QString("17.03.05  **:05:00"));
    QCOMPARE(DateWith(8, 60), QString("17.03.05  09:**:00"));
    QCOMPARE(DateWith(9, 60), QString("17.03.05  09:05:**"));
  }

  void dateLimitsThemselvesAreValid() {
    Record record = TypicalRecord();
    record[4] = 99, record[5] = 12, record[6] = 31, record[7] = 23, record[8] = 59, record[9] = 59;
    QCOMPARE(Row(record, kBuildDateRow), QString("31.12.99  23:59:59"));
    record[4] = 0, record[5] = 1, record[6] = 1, record[7] = 0, record[8] = 0, record[9] = 0;
    QCOMPARE(Row(record, kBuildDateRow), QString("01.01.00  00:00:00"));
  }

  void allDatePartsInvalidShowSixStarPairs() {
    Record record = TypicalRecord();
    record[4] = 200, record[5] = 255, record[6] = 99, record[7] = 30, record[8] = 61, record[9] = 255;
    QCOMPARE(Row(record, kBuildDateRow), QString("**.**.**  **:**:**"));
  }

  // Versions, byte order and the other rows.
  void softwareVersionNamesTheAccessOfVersionsThreeAndFour() {
    Record record = TypicalRecord();
    QCOMPARE(Row(record, kSoftwareVersionRow), QString("3 (Чтение и запись)"));
    record[3] = 4;
    QCOMPARE(Row(record, kSoftwareVersionRow), QString("4 (Только чтение)"));
    record[3] = 5;
    QCOMPARE(Row(record, kSoftwareVersionRow), QString("5"));
  }

  void byteOrderNamesBothOrdersAndQuestionsTheRest() {
    Record record = TypicalRecord();
    record[10] = 0;
    QCOMPARE(Row(record, kByteOrderRow), QString("Мл. адрес - ст. байт"));
    record[10] = 1;
    QCOMPARE(Row(record, kByteOrderRow), QString("Мл. адрес - мл. байт"));
    record[10] = 2;
    QCOMPARE(Row(record, kByteOrderRow), QString(" ? "));
  }

  void corruptedTableIsNamedByNumber() {
    Record record = TypicalRecord();
    QCOMPARE(Row(record, kCorruptedTableRow), QString("Разрушенных таблиц нет"));
    QVERIFY(!ReportsCorruptedTable(record));
    record[0] = 7;
    QCOMPARE(Row(record, kCorruptedTableRow), QString("Разрушена таблица 7"));
    QVERIFY(ReportsCorruptedTable(record));
  }

  void multiSpeedIsYesForAnyNonZeroByte() {
    Record record = TypicalRecord();
    record[11] = 0;
    QCOMPARE(Row(record, kMultiSpeedRow), QString("Нет"));
    record[11] = 200;
    QCOMPARE(Row(record, kMultiSpeedRow), QString("Есть"));
  }

  void addressChangeIsNeverOffered() {
    QCOMPARE(Row(TypicalRecord(), kAddressChangeRow), QString("Нет. Адрес = 0"));
  }

  void protocolVersionJoinsItsThreeNumbers() {
    QCOMPARE(Row(TypicalRecord(), kProtocolVersionRow), QString("1.0.12"));
  }

  // The window.
  void windowShowsEveryRowBesideItsLabel() {
    std::array<ShownRow, kIdentificationRowCount> rows;
    QString focus;
    QVERIFY(ShowWindow(TypicalRecord(), rows, focus));
    QCOMPARE(rows[0].label, QString("Код типа контроллера"));
    QCOMPARE(rows[0].value, QString("8"));
    QCOMPARE(rows[2].label, QString("Версия программного обеспечения"));
    QCOMPARE(rows[2].value, QString("3 (Чтение и запись)"));
    QCOMPARE(rows[3].label, QString("Дата создания ПО"));
    QCOMPARE(rows[3].value, QString("17.03.05  09:05:00"));
    QCOMPARE(rows[5].label, QString("Наличие разрушенных таблиц"));
    QCOMPARE(rows[6].label, QString("Возможность работы на разных\nскоростях обмена"));
    QCOMPARE(rows[8].label,
             QString("Номер последней версии протокола\nRXV-BB51-M, которая поддерживается\nконтроллером"));
    QCOMPARE(rows[8].value, QString("1.0.12"));
    QCOMPARE(focus, QString("BitBtn2"));
  }

  void windowCarriesItsCaptionAndTheValuesCannotBeEdited() {
    Record record = TypicalRecord();
    TFormIdent form(record);
    QCOMPARE(form.windowTitle(), QString("Параметры идентификации контроллера"));
    QCOMPARE(form.findChild<QPushButton*>("BitBtn2")->text(), QString("Выход"));
    for (int row = 1; row <= static_cast<int>(kIdentificationRowCount); ++row) {
      QVERIFY(ValueBox(&form, row)->isReadOnly());
    }
  }

  void corruptedTableIsRedThenBlackOnALaterOpening() {
    Record record = TypicalRecord();
    record[0] = 7;
    std::array<ShownRow, kIdentificationRowCount> rows;
    QString focus;
    QVERIFY(ShowWindow(record, rows, focus));
    QCOMPARE(rows[5].value, QString("Разрушена таблица 7"));
    QCOMPARE(rows[5].colour, QColor(Qt::red));
    QCOMPARE(rows[0].colour, QColor(Qt::black));

    record[0] = 0;
    QVERIFY(ShowWindow(record, rows, focus));
    QCOMPARE(rows[5].value, QString("Разрушенных таблиц нет"));
    QCOMPARE(rows[5].colour, QColor(Qt::black));
  }

};

QTEST_MAIN(IdentTest)
#include "ident_test.moc"
