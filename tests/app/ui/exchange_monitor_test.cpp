// "Монитор обмена" as the engineer meets it: opened from "Сервис" or with
// Ctrl+M beside the program's own windows, showing each frame with the
// emulator as the device, painting during a blocking exchange, and its
// pause, clear, copy and save.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <memory>

#include "app/ui/exchange_monitor.h"
#include "app/ui/main_form.h"
#include "config/config_record.h"
#include "config/ui/config_editor.h"
#include "dialogs/ui/connpar.h"
#include "tests/support/ui/editor_fixture.h"
#include "tests/support/ui/frame_close.h"
#include "link/conffun.h"
#include "link/exchange_lines.h"
#include "link/exchange_recorder.h"
#include "tests/support/fake_clock.h"
#include "tests/support/ui/modal.h"
#include "tests/support/ui/program_fixture.h"
#include "tests/support/test_link.h"

using namespace vkt53;

namespace {

bool ServiceMenuShown(TFormMain& main) { return Child<QMenu>(&main, "NService")->menuAction()->isVisible(); }

TFormExchangeMonitor* Monitor(QWidget& main) { return main.findChild<TFormExchangeMonitor*>("TFormExchangeMonitor"); }

QString MonitorText(QWidget& main) {
  TFormExchangeMonitor* monitor = Monitor(main);
  return monitor ? Child<TMonitorLines>(monitor, "Lines")->Text() : QString();
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

  // The hex columns and the descriptions line up only in a fixed-pitch face,
  // also where the system's own fixed font is missing (see main).
  void TheLinesAreInAFixedPitchFontWithCyrillic() {
    QVERIFY2(!QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).fixedPitch(),
             "the machine still has its fixed font: this case proves nothing");
    ExchangeRecorder recorder;
    TMonitorLines lines(recorder);
    QVERIFY(QFontInfo(lines.font()).fixedPitch());
    const QFontMetrics metrics(lines.font());
    for (const char* character : {"C", "ч", "→", " "}) {
      QCOMPARE(metrics.horizontalAdvance(QString::fromUtf8(character)), metrics.horizontalAdvance("1"));
    }
  }

  void TheServiceMenuOpensTheMonitorOnceTheConnectionDialogHasClosed() {
    ProgramFixture fixture;
    WhenModal<TFormConnPar>([](TFormConnPar* dialog) { Click(dialog, "BitBtn2"); });
    TFormMain& main = fixture.Start();
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

  // A tool window of the main window, which the window manager keeps above
  // it, opened below its menu and reopened where the user left it.
  void TheMonitorOpensBelowTheMenuAboveTheMainWindowWhereItWasLeft() {
    ProgramFixture fixture;
    WhenModal<TFormConnPar>([](TFormConnPar* dialog) { Click(dialog, "BitBtn2"); });
    TFormMain& main = fixture.Start();
    QTRY_VERIFY_WITH_TIMEOUT(ServiceMenuShown(main), 10000);
    Child<QAction>(&main, "NMonitor")->trigger();
    TFormExchangeMonitor* monitor = Monitor(main);
    QVERIFY(monitor && monitor->isVisible());
    QCOMPARE(monitor->parentWidget(), &main);
    QCOMPARE(monitor->windowType(), Qt::Tool);
    QCOMPARE(monitor->windowHandle()->transientParent(), main.windowHandle());
    const QPoint menuBottom = main.menuBar()->mapToGlobal(QPoint(0, main.menuBar()->height()));
    QVERIFY2(monitor->frameGeometry().top() >= menuBottom.y(),
             qPrintable(QString("%1 above %2").arg(monitor->frameGeometry().top()).arg(menuBottom.y())));

    const QRect place(monitor->geometry().topLeft() + QPoint(60, 90), QSize(720, 300));
    monitor->setGeometry(place);
    QVERIFY(CloseByFrame(monitor));
    Child<QAction>(&main, "NMonitor")->trigger();
    QVERIFY(monitor->isVisible());
    QCOMPARE(monitor->geometry(), place);
  }

  // The exchange blocks the window thread for whole requests: the monitor
  // takes each line and paints it then, not at the next turn of the loop.
  void LinesArePaintedDuringABlockingExchange() {
    EditorFixture device("", {"--fault-drop", "1"});
    TFormMain& main = device.main();
    ExchangeContext& context = main.state().link.context;
    context.attemptCount = 2;
    context.firstByteWaitMs = 600;
    Child<QAction>(&main, "NMonitor")->trigger();
    TFormExchangeMonitor* monitor = Monitor(main);
    QVERIFY(monitor && QTest::qWaitForWindowExposed(monitor));
    auto* lines = Child<TMonitorLines>(monitor, "Lines");
    PaintCounter counter(lines->viewport());
    QApplication::processEvents();  // whatever was pending is painted now
    const int paintsBefore = counter.paints;

    // No event is processed from here to the checks. The first attempt
    // waits out its 600 ms in vain, longer than the monitor's repaint
    // interval, so its line is painted as soon as it comes.
    QVERIFY(RequestIdentification(context));
    QVERIFY2(counter.paints > paintsBefore, "painted inside the exchange");
    QCOMPARE(lines->RowCount(), 4);
    QVERIFY(lines->RowText(0).contains("чтение таблицы 0, поля 0-17; попытка 1 из 2"));
    QVERIFY(lines->RowText(1).contains("нет ответа за 600 мс; код 10 «Устройство не отвечает»; попытка 1 из 2"));
    QVERIFY(lines->RowText(2).contains("чтение таблицы 0, поля 0-17; попытка 2 из 2"));
    const QString answer = lines->RowText(3);
    const QString frame = QString::fromStdString(HexText({context.response.data(), 26}));
    QVERIFY2(answer.contains("[FF FF FF] " + frame +
                             "  ответ: таблица 0, поля 0-17, значения 0 8 1 3 25 3 17 9 5 0 1 1 0 0 1 2 0; "
                             "код 0 «Команда выполнена»; попытка 2 из 2; первый байт через "),
             qPrintable(answer));
  }

  // Beside the wait window and the online editor: by the time the editor is
  // up the monitor holds the five reads that filled it.
  void TheMonitorFollowsTheOnlineConfigurationReads() {
    FakeClock clock;  // skips the RTS holds and the pause after the reads
    EditorFixture device;
    TFormMain& main = device.main();
    Child<QAction>(&main, "NMonitor")->trigger();
    QString seen;
    WhenModal<TFormRealConfig>([&](TFormRealConfig* editor) {
      QVERIFY(Monitor(main)->isVisible());
      seen = MonitorText(main);
      CloseModal(editor);
    });
    device.Choose("N2");
    for (const char* read :
         {"чтение таблицы 3, поля 0-7;", "чтение таблицы 5, поле 0;", "чтение таблицы 6, поля 0-130;",
          "чтение таблицы 6, поля 130-255;", "чтение таблицы 1, поля 0-2;"}) {
      QVERIFY2(seen.contains(QString::fromUtf8(read)), read);
    }
    QVERIFY(seen.contains("ответ: таблица 5, поле 0, значения «ATZ\\x0D»"));
  }

  void PauseClearCopyAndSave() {
    EditorFixture device;
    TFormMain& main = device.main();
    Child<QAction>(&main, "NMonitor")->trigger();
    TFormExchangeMonitor* monitor = Monitor(main);
    auto* lines = Child<TMonitorLines>(monitor, "Lines");
    auto* count = Child<QLabel>(monitor, "CountLabel");
    ConfigRecord record;
    LinkSession session = main.state().link.Session(main);
    QVERIFY(ReadIdentification(session, record));
    const int before = lines->RowCount();
    QCOMPARE(count->text(), QString("Кадров: %1").arg(before));

    Child<QPushButton>(monitor, "PauseButton")->click();
    QVERIFY(ReadIdentification(session, record));
    QCOMPARE(lines->RowCount(), before);
    QCOMPARE(count->text(), QString("Кадров: %1 (пауза)").arg(before));
    Child<QPushButton>(monitor, "PauseButton")->click();
    QCOMPARE(lines->RowCount(), before + 1);
    QVERIFY(lines->RowText(before).endsWith("пауза: не записано кадров: 2"));

    // Rows picked with the mouse, Shift extending, are what "Копировать" takes.
    QVERIFY(QTest::qWaitForWindowExposed(monitor));
    const int rowHeight = lines->fontMetrics().height();
    lines->verticalScrollBar()->setValue(0);
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, QPoint(10, rowHeight / 2));
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, rowHeight + rowHeight / 2));
    Click(monitor, "CopyButton");
    QCOMPARE(QApplication::clipboard()->text(), lines->RowText(0) + "\n" + lines->RowText(1) + "\n");
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, QPoint(10, rowHeight / 2));
    lines->SelectAll();

    // Every row selected, "Копировать" takes every line; saved, the file holds them too.
    Click(monitor, "CopyButton");
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, lines->Text());
    QCOMPARE(copied.count('\n'), before + 1);
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
    QCOMPARE(lines->Text(), QString());
    QCOMPARE(lines->RowCount(), 0);
    QCOMPARE(count->text(), QString("Кадров: 0"));
    QVERIFY(ReadIdentification(session, record));
    QCOMPARE(lines->RowCount(), 2);
  }

 private:
  QTemporaryDir toolkitHome_;
};

// A machine without the system's fixed font, as wine is without "Courier
// New": here the fixed font ("monospace") resolves to a serif face. Set
// before the first font is made.
bool TakeAwayTheFixedFont(const QTemporaryDir& folder) {
  QFile config(folder.filePath("fonts.conf"));
  if (!config.open(QIODevice::WriteOnly)) return false;
  config.write(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <match target="pattern">
    <test name="family"><string>monospace</string></test>
    <edit name="family" mode="assign" binding="strong"><string>DejaVu Serif</string></edit>
  </match>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
</fontconfig>
)");
  return qputenv("FONTCONFIG_FILE", config.fileName().toLocal8Bit());
}

int main(int argc, char** argv) {
  QTemporaryDir fonts;
  if (!TakeAwayTheFixedFont(fonts)) return 2;
  QApplication app(argc, argv);
  ExchangeMonitorTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "exchange_monitor_test.moc"
