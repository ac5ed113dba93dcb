// "Сервис" → "Отчёт о конфигурации...": the configuration read from the
// emulated device saved as PDF through the program's own save dialog, and
// the PDF read back with poppler's tools as a user's viewer would show it.
#include <QFileDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "app/ui/config_report_export.h"
#include "config/ui/config_editor.h"
#include "dialogs/ui/ident.h"
#include "tests/support/ui/editor_fixture.h"

using namespace vkt53;

namespace {

// Units 1..100 on port A at 9600 bit/s, 101..200 on B at 19200, 201..254 on
// C at 1200: every address taken, so that the unit tables run over a page.
std::string EveryUnitConnected() {
  std::string table6 = "table6 = 00";
  for (int address = 1; address <= 254; ++address) {
    const int linkByte = address <= 100 ? (1 << 5 | 11) : address <= 200 ? (2 << 5 | 15) : (3 << 5 | 2);
    table6 += QString(" %1").arg(linkByte, 2, 16, QChar('0')).toStdString();
  }
  return table6 + "\nmodem = ATDT4957\n";
}

// The output of one of poppler's tools; the test fails when it does not run.
QString Poppler(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) {
    QTest::qFail(qPrintable(tool + " failed: " + process.readAllStandardError()), __FILE__, __LINE__);
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

QString Simplified(const QString& text) { return QString(text).replace(QRegularExpression("\\s+"), " "); }

}  // namespace

class ConfigReportTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  void theDevicesConfigurationIsSavedAsPdf() {
    EditorFixture device(EveryUnitConnected());

    // Nothing read yet: a configuration file is the only choice.
    QString firstDialog;
    WhenModal<QFileDialog>([&firstDialog](QFileDialog* dialog) {
      firstDialog = dialog->windowTitle();
      dialog->reject();
    });
    device.Choose("NReport");
    QCOMPARE(firstDialog, QString("Выбор файла с параметрами конфигурации"));

    // The identification as the start-up sequence reads it, then the configuration.
    WhenModal<TFormIdent>([](TFormIdent* window) { Click(window, "BitBtn2"); });
    device.Choose("Nident");
    WhenModal<TFormRealConfig>([](TFormRealConfig* editor) { Click(editor, "BitBtn2"); }, 20000);
    device.Choose("N2");

    const QString path = QString::fromStdString(device.configFolder()) + "/отчёт.pdf";
    MessageWatcher messages;  // "Открыть его?": no viewer is started
    QString reading;
    WhenModal<TFormReportSource>([&reading, path](TFormReportSource* window) {
      reading = Child<QLabel>(window, "Label2")->text();
      ChooseFileWhenAsked(path);
      Click(window, "DeviceButton");
    });
    device.Choose("NReport");
    QVERIFY2(reading.startsWith("COM1, "), qPrintable(reading));
    QCOMPARE(messages.FirstLines(), QStringList{"Отчёт о конфигурации сохранён в файле отчёт.pdf"});

    const QString text = Simplified(Poppler("pdftotext", {"-layout", path, "-"}));
    for (const char* shown :
         {"Отчёт о конфигурации устройства vkt53-sx", "устройство на порту COM1", "1–100", "101–200", "201–254",
          "Порт A: 100 вычислителей", "Порт B: 100 вычислителей", "Порт C: 54 вычислителя",
          "1 9600 бит/с 2 9600 бит/с 3 9600 бит/с", "ATDT4957", "Код типа контроллера 8"}) {
      QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
    }
    const QString info = Poppler("pdfinfo", {path});
    const QRegularExpressionMatch pages = QRegularExpression("Pages:\\s+(\\d+)").match(info);
    QVERIFY2(pages.hasMatch() && pages.captured(1).toInt() > 1, qPrintable(info));
    QVERIFY(text.contains("Страница 1 из " + pages.captured(1)));
  }
};

QTEST_MAIN(ConfigReportTest)
#include "config_report_test.moc"
