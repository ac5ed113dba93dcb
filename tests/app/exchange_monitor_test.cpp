// "Монитор обмена" as the engineer meets it: opened from "Сервис" or with
// Ctrl+M beside the program's own windows, showing each frame with the
// emulator as the device, painting during a blocking exchange, and its
// pause, clear, copy and save.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "app/ui/exchange_monitor.h"
#include "app/ui/main_form.h"
#include "config/config_record.h"
#include "config/ui/config_editor.h"
#include "dialogs/ui/connpar.h"
#include "editor_bench.h"
#include "link/conffun.h"
#include "link/exchange_lines.h"
#include "support/emulator_process.h"
#include "support/fake_clock.h"
#include "support/modal.h"
#include "support/program_folder_bench.h"

using namespace vkt53;

namespace {

// The program with the emulator on COM1, started as the user starts it.
struct ProgramBench {
  ProgramBench() {
    emulator = std::make_unique<EmulatorProcess>(VKT53_EMU_PATH, std::vector<std::string>{"--no-wire-delay"});
    folder.MapPorts({{1, emulator->terminalPath()}});
  }
  TFormMain& Start() {
    main = std::make_unique<TFormMain>();
    main->show();
    return *main;
  }
  ProgramFolderBench folder;
  std::unique_ptr<EmulatorProcess> emulator;
  std::unique_ptr<TFormMain> main;
};

bool ServiceMenuShown(TFormMain& main) { return Child<QMenu>(&main, "NService")->menuAction()->isVisible(); }

TFormExchangeMonitor* Monitor(QWidget& main) { return main.findChild<TFormExchangeMonitor*>("TFormExchangeMonitor"); }

QString MonitorText(QWidget& main) {
  TFormExchangeMonitor* monitor = Monitor(main);
  return monitor ? Child<QPlainTextEdit>(monitor, "Lines")->toPlainText() : QString();
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

class ExchangeMonitorTest : public QObject {
  Q_OBJECT
 private slots:
  // The toolkit's own settings would go to the user's configuration folder:
  // here an empty one of the test's own.
  void initTestCase() { qputenv("XDG_CONFIG_HOME", toolkitHome_.path().toLocal8Bit()); }
  void cleanup() { EndModalWaits(); }

  void TheServiceMenuOpensTheMonitorOnceTheConnectionDialogHasClosed() {
    ProgramBench bench;
    WhenModal<TFormConnPar>([](TFormConnPar* dialog) { Click(dialog, "BitBtn2"); });
    TFormMain& main = bench.Start();
    QVERIFY2(!ServiceMenuShown(main), "the menu bar is empty while the connection dialog is up");
    QTRY_VERIFY_WITH_TIMEOUT(ServiceMenuShown(main), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(Child<QAction>(&main, "Nexit")->isVisible(), 10000);

    // Between "Файлы  конфигурации" … "Общее", so "Выход" stays the last item.
    QStringList top;
    for (QAction* item : main.menuBar()->actions()) {
      if (item->isVisible()) top << item->text();
    }
    QCOMPARE(top, QStringList({"Связь с другим устройством", "Файлы  конфигурации", "Сервис", "Общее", "Выход"}));
    QAction* item = Child<QAction>(&main, "NMonitor");
    QCOMPARE(item->text(), QString("Монитор обмена"));
    QCOMPARE(item->shortcut(), QKeySequence("Ctrl+M"));
    QVERIFY(Child<QMenu>(&main, "NService")->actions().contains(item));

    item->trigger();
    TFormExchangeMonitor* monitor = Monitor(main);
    QVERIFY(monitor);
    QVERIFY(monitor->isVisible());
    QVERIFY(!monitor->isModal());
    QCOMPARE(monitor->windowTitle(), QString("Монитор обмена"));
    QVERIFY(monitor->isWindow());

    // Ctrl+M brings the same window back once it was closed.
    monitor->close();
    QVERIFY(!monitor->isVisible());
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_M, Qt::ControlModifier);
    QTRY_VERIFY(monitor->isVisible());
    QCOMPARE(Monitor(main), monitor);

    // It stays up through the connection dialog and shows what the
    // connection sent: the identification read and its answer.
    WhenModal<TFormConnPar>([&](TFormConnPar* dialog) {
      QVERIFY2(monitor->isVisible(), "the monitor stays up beside the dialog");
      Click(dialog, "BitBtn1");
    });
    Child<QAction>(&main, "Nconnect")->trigger();
    QVERIFY(!Child<QAction>(&main, "Nexit")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(Child<QMenu>(&main, "NWorkPar")->menuAction()->isVisible(), 15000);
    QVERIFY(ServiceMenuShown(main));
    const QString text = MonitorText(main);
    QVERIFY2(text.contains("→    1200 бит/с  CC 00 0C 1D 00 00 11 00 00 00"), qPrintable(text));
    QVERIFY2(text.contains("чтение таблицы 0, поля 0-17; попытка 1 из 1"), qPrintable(text));
    QVERIFY2(text.contains("ответ: таблица 0, поля 0-17, значения 0 8 1 3"), qPrintable(text));
    QVERIFY(text.contains("код 0 «Команда выполнена»"));
  }

  // The exchange blocks the window thread for whole requests: the monitor
  // takes each line and paints it then, not at the next turn of the loop.
  void LinesArePaintedDuringABlockingExchange() {
    DeviceBench device;
    TFormMain& main = device.main();
    Child<QAction>(&main, "NMonitor")->trigger();
    TFormExchangeMonitor* monitor = Monitor(main);
    QVERIFY(monitor && QTest::qWaitForWindowExposed(monitor));
    auto* lines = Child<QPlainTextEdit>(monitor, "Lines");
    PaintCounter counter(lines->viewport());
    QApplication::processEvents();  // whatever was pending is painted now
    const int paintsBefore = counter.paints;

    // No event is processed from here to the checks. The RTS hold of the
    // request (over 100 ms) keeps its line further from the last paint than
    // the monitor's repaint interval, so it is painted at once.
    const uint8_t read[] = {0, 0, 17, 0, 0, 0};
    QVERIFY(RunRequest(*main.state().context, kTableFunction, read, sizeof read, 0));
    QVERIFY2(counter.paints > paintsBefore, "painted inside the exchange");
    const QString text = lines->toPlainText();
    QVERIFY(text.contains("чтение таблицы 0, поля 0-17"));
    QVERIFY(text.contains("ответ: таблица 0, поля 0-17"));
    const QString answer = text.section('\n', -1);
    const QString frame = QString::fromStdString(HexBytes({main.state().context->response.data(), 26}));
    QVERIFY2(answer.contains("[FF FF FF] " + frame +
                             "  ответ: таблица 0, поля 0-17, значения 0 8 1 3 25 3 17 9 5 0 1 1 0 0 1 2 0; "
                             "код 0 «Команда выполнена»; попытка 1 из 1; первый байт через "),
             qPrintable(answer));
  }

  // Beside the wait window and the online editor: by the time the editor is
  // up the monitor holds the five reads that filled it.
  void TheMonitorFollowsTheOnlineConfigurationReads() {
    FakeClock clock;  // skips the RTS holds and the pause after the reads
    DeviceBench device;
    TFormMain& main = device.main();
    Child<QAction>(&main, "NMonitor")->trigger();
    QString seen;
    WhenModal<TFormRealConfig>([&](TFormRealConfig* editor) {
      QVERIFY(Monitor(main)->isVisible());
      seen = MonitorText(main);
      CloseModal(editor);
    });
    device.Choose("N2");
    for (const char* read : {"чтение таблицы 3, поля 0-7;", "чтение таблицы 5, поле 0;", "чтение таблицы 6, поля 0-130;",
                             "чтение таблицы 6, поля 130-255;", "чтение таблицы 1, поля 0-2;"}) {
      QVERIFY2(seen.contains(QString::fromUtf8(read)), read);
    }
    QVERIFY(seen.contains("ответ: таблица 5, поле 0, значения «ATZ\\x0D»"));
  }

  void PauseClearCopyAndSave() {
    DeviceBench device;
    TFormMain& main = device.main();
    Child<QAction>(&main, "NMonitor")->trigger();
    TFormExchangeMonitor* monitor = Monitor(main);
    auto* lines = Child<QPlainTextEdit>(monitor, "Lines");
    auto* count = Child<QLabel>(monitor, "CountLabel");
    ConfigRecord record;
    LinkSession session{*main.state().context, main.state().settings, main};
    QVERIFY(ReadIdentification(session, record));
    const int before = lines->blockCount();
    QCOMPARE(count->text(), QString("Кадров: %1").arg(before));

    Child<QPushButton>(monitor, "PauseButton")->click();
    QVERIFY(ReadIdentification(session, record));
    QCOMPARE(lines->blockCount(), before);
    QCOMPARE(count->text(), QString("Кадров: %1 (пауза)").arg(before));
    Child<QPushButton>(monitor, "PauseButton")->click();
    QCOMPARE(lines->blockCount(), before + 1);
    QVERIFY(lines->toPlainText().endsWith("пауза: не записано кадров: 2"));

    // Copy with nothing selected takes every line; saved, the file holds them too.
    Click(monitor, "CopyButton");
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, lines->toPlainText() + "\n");
    QTemporaryDir folder;
    const QString path = folder.filePath("обмен.txt");
    WhenModal<QFileDialog>([path](QFileDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Сохранить записи обмена"));
      auto* name = Child<QLineEdit>(dialog, "fileNameEdit");
      QVERIFY(name->text().startsWith("обмен-"));
      name->setText(path);
      QTest::keyClick(name, Qt::Key_Return);
    });
    Click(monitor, "SaveButton");
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), copied);

    Click(monitor, "ClearButton");
    QCOMPARE(lines->toPlainText(), QString());
    QCOMPARE(count->text(), QString("Кадров: 0"));
    QVERIFY(ReadIdentification(session, record));
    QCOMPARE(lines->blockCount(), 2);
  }

 private:
  QTemporaryDir toolkitHome_;
};

QTEST_MAIN(ExchangeMonitorTest)
#include "exchange_monitor_test.moc"
