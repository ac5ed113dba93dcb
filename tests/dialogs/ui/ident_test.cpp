// The identification window: every decoded value beside its label, the
// corrupted-table value in red. How each byte is decoded is tested in
// dialogs_tests (Identification*).
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <array>
#include <cstdint>

#include "dialogs/ui/ident.h"
#include "dialogs/ident_text.h"
#include "tests/support/ui/modal.h"
#include "tests/support/sample_records.h"

using namespace vkt53;

namespace {

using Record = IdentificationRecord;

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

  // The window.
  void windowShowsEveryRowBesideItsLabel() {
    std::array<ShownRow, kIdentificationRowCount> rows;
    QString focus;
    QVERIFY(ShowWindow(TypicalIdentification(), rows, focus));
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
    const IdentificationTexts texts = IdentificationRows(TypicalIdentification());
    for (std::size_t row = 0; row < kIdentificationRowCount; ++row) {
      QCOMPARE(rows[row].value, QString::fromStdString(texts[row]));  // each value in its own row
    }
    QCOMPARE(focus, QString("BitBtn2"));
  }

  void windowCarriesItsCaptionAndTheValuesCannotBeEdited() {
    Record record = TypicalIdentification();
    TFormIdent form(record);
    QCOMPARE(form.windowTitle(), QString("Параметры идентификации контроллера"));
    QCOMPARE(form.findChild<QPushButton*>("BitBtn2")->text(), QString("Выход"));
    for (int row = 1; row <= static_cast<int>(kIdentificationRowCount); ++row) {
      QVERIFY(ValueBox(&form, row)->isReadOnly());
    }
  }

  void corruptedTableIsRedThenBlackOnALaterOpening() {
    Record record = TypicalIdentification();
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
