// The program from start to exit, driven through its windows as a user
// would, with the emulator as the device on COM1.
#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

#include "app/ui/about.h"
#include "app/ui/main_form.h"
#include "widgets/question.h"
#include "app/ui/program.h"
#include "dialogs/ui/connpar.h"
#include "dialogs/ui/ident.h"
#include "dialogs/ui/tableinfo.h"
#include "link/port_operations.h"
#include "tests/support/ui/message_watcher.h"
#include "tests/support/fake_clock.h"
#include "tests/support/ui/modal.h"
#include "tests/support/ui/program_fixture.h"

using namespace vkt53;

namespace {

// The program's own menus; "Сервис" stands beside them (exchange_monitor_test.cpp).
QStringList VisibleTopItems(TFormMain& main) {
  QStringList items;
  for (QAction* item : main.menuBar()->actions()) {
    if (item->isVisible() && item->text() != "Сервис") items << item->text();
  }
  return items;
}

const QStringList kNoDeviceMenu = {"Связь с другим устройством", "Файлы  конфигурации", "Общее", "Выход"};
const QStringList kDeviceMenu = {"Параметры", "Связь с другим устройством", "Файлы  конфигурации", "Общее", "Выход"};

void AnswerConnectionDialog(const char* button) {
  WhenModal<TFormConnPar>([button](TFormConnPar* dialog) { Click(dialog, button); });
}

const QByteArray kDefaultSettings = QByteArray::fromHex("000001B00400000001640000000200000002000000");

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  // The settling pauses of the start-up sequence and of the table service
  // are skipped; the line's own time-outs are the emulator's real ones.
  FakeClock clock_;

 private slots:
  // The toolkit's own settings would go to the user's configuration folder:
  // here an empty one of the test's own.
  void initTestCase() { qputenv("XDG_CONFIG_HOME", toolkitHome_.path().toLocal8Bit()); }
  void cleanup() { EndModalWaits(); }

  void StartConnectsAndShowsAllMenus();
  void CancelAndReconnectKeepParametersHidden();
  void ForeignModelAndVersionAreRefused_data();
  void ForeignModelAndVersionAreRefused();
  void CorruptedTableOffersTheRestore();
  void TableWriteLockOffersNoWriting();
  void IdentificationAndAboutWindows();
  void ExitSavesTheSettingsAndClosesThePort();
  void TheToolkitKeepsNoSettingsOfItsOwn();
  void TheFileDialogsAreTheWindowsOwnAndKept();
  void TheFileDialogSpeaksRussianOnAMachineThatDoesNot();

 private:
  QTemporaryDir toolkitHome_;
};

void MainWindowTest::StartConnectsAndShowsAllMenus() {
  ProgramFixture fixture;
  WhenModal<TFormConnPar>([](TFormConnPar* dialog) { Click(dialog, "BitBtn1"); });
  TFormMain& main = fixture.Start();
  QVERIFY2(VisibleTopItems(main).isEmpty(), "the menu bar is empty until the sequence has run");
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kDeviceMenu, 15000);
  QVERIFY(main.state().supportedDevice);
  QCOMPARE(Child<QLabel>(&main, "LinkPanel")->text(), QString(" COM1,   1200 бит/с"));
  const QMenu* parameters = Child<QMenu>(&main, "NWorkPar");
  QCOMPARE(parameters->actions().size(), 3);
  for (const QAction* item : parameters->actions()) QVERIFY(item->isVisible());
}

void MainWindowTest::CancelAndReconnectKeepParametersHidden() {
  ProgramFixture fixture;
  AnswerConnectionDialog("BitBtn2");
  TFormMain& main = fixture.Start();
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 10000);
  QVERIFY(!main.state().link.IsOpen());

  AnswerConnectionDialog("BitBtn1");
  Child<QAction>(&main, "Nconnect")->trigger();
  QVERIFY(VisibleTopItems(main).isEmpty());
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kDeviceMenu, 15000);

  AnswerConnectionDialog("BitBtn2");
  Child<QAction>(&main, "Nconnect")->trigger();
  QCOMPARE(Child<QLabel>(&main, "LinkPanel")->text(), QString());
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 10000);
  QVERIFY2(main.state().link.IsOpen(), "the port stays open; only the menu forgets the device");
}

void MainWindowTest::ForeignModelAndVersionAreRefused_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("software");
  QTest::addColumn<QString>("line1");
  QTest::addColumn<QString>("line2");
  QTest::newRow("type 7") << "7"
                          << "3"
                          << "Код типа подключенного устройства  7"
                          << "Программа обслуживает кордины vkt53-sx";
  QTest::newRow("type 7 whatever its version") << "7"
                                               << "5"
                                               << "Код типа подключенного устройства  7"
                                               << "Программа обслуживает кордины vkt53-sx";
  QTest::newRow("version 5") << "8"
                             << "5"
                             << "Версия ПО подключенного кордина 5"
                             << "Программа обслуживает кордины vkt53-sx только с версией ПО 3 или 4";
  QTest::newRow("version 2") << "8"
                             << "2"
                             << "Версия ПО подключенного кордина 2"
                             << "Программа обслуживает кордины vkt53-sx только с версией ПО 3 или 4";
  QTest::newRow("version 4 passes") << "8"
                                    << "4"
                                    << ""
                                    << "";
}

void MainWindowTest::ForeignModelAndVersionAreRefused() {
  QFETCH(QString, type);
  QFETCH(QString, software);
  QFETCH(QString, line1);
  QFETCH(QString, line2);
  ProgramFixture fixture({"--type", type.toStdString(), "--software", software.toStdString()});
  AnswerConnectionDialog("BitBtn1");
  MessageWatcher messages;
  TFormMain& main = fixture.Start();
  if (line1.isEmpty()) {
    QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kDeviceMenu, 15000);
    QCOMPARE(messages.FirstLines(), QStringList());
    return;
  }
  QTRY_COMPARE_WITH_TIMEOUT(messages.FirstLines(), QStringList{line1}, 15000);
  QCOMPARE(messages.seen().front().line2, line2);
  QCOMPARE(messages.seen().front().caption, QString());
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 5000);
  QVERIFY(!main.state().supportedDevice);
}

void MainWindowTest::CorruptedTableOffersTheRestore() {
  ProgramFixture fixture({"--corrupt", "6"});
  AnswerConnectionDialog("BitBtn1");
  QStringList names, corrupted;
  QList<bool> ticked;
  auto readRows = [&](TFormTableInfo* window) {
    names.clear(), corrupted.clear(), ticked.clear();
    for (int slot = 1; slot <= 3; ++slot) {
      names << Child<QLabel>(window, qPrintable(QString("pn%1").arg(slot)))->text();
      corrupted << Child<QLabel>(window, qPrintable(QString("pw%1").arg(slot)))->text();
      ticked << Child<QCheckBox>(window, qPrintable(QString("cb%1").arg(slot)))->isChecked();
    }
    QVERIFY(!Child<QCheckBox>(window, "cb4")->isVisibleTo(window));
    Click(window, "BitBtn2");  // "Выход": nothing is written
  };
  WhenModal<TFormTableInfo>(readRows, 15000);
  TFormMain& main = fixture.Start();
  // What the operation panel shows whenever the program lets events run.
  QStringList operationTexts;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const QString text = Child<QLabel>(&main, "OperationPanel")->text();
    if (!text.isEmpty() && !operationTexts.contains(text)) operationTexts << text;
  });
  watch.start(0);
  QTRY_COMPARE_WITH_TIMEOUT(names.size(), 3, 15000);
  QVERIFY2(operationTexts.contains("Разрушена таблица № 6"), qPrintable(operationTexts.join('|')));
  QCOMPARE(names, QStringList({" Табл.  3.  Параметры связи", " Табл.  5.  Командная строка модема",
                               " Табл.  6.  Скорость обмена с подкл. вычислителем и порт подключения"}));
  QCOMPARE(corrupted, QStringList({"Нет", "Нет", "Да"}));
  QCOMPARE(ticked, QList<bool>({false, false, true}));
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kDeviceMenu, 5000);

  // The device still asks for table 6: "Выход" wrote nothing.
  names.clear();
  WhenModal<TFormTableInfo>(readRows, 15000);
  Child<QAction>(&main, "N1")->trigger();
  QTRY_COMPARE_WITH_TIMEOUT(corrupted, QStringList({"Нет", "Нет", "Да"}), 15000);
}

void MainWindowTest::TableWriteLockOffersNoWriting() {
  QByteArray locked = kDefaultSettings;
  locked[0] = 1;
  ProgramFixture fixture({"--corrupt", "3"}, locked);
  AnswerConnectionDialog("BitBtn1");
  bool seen = false, writable = true, boxFree = true;
  QString flag;
  WhenModal<TFormTableInfo>(
      [&](TFormTableInfo* window) {
        seen = true;
        writable =
            Child<QPushButton>(window, "BitBtn1")->isEnabled() || Child<QPushButton>(window, "BitBtn3")->isEnabled();
        QCheckBox* box = Child<QCheckBox>(window, "cb1");
        boxFree = box->isChecked() || box->isEnabled();
        flag = Child<QLabel>(window, "pw1")->text();
        Click(window, "BitBtn2");
      },
      15000);
  fixture.Start();
  QTRY_VERIFY_WITH_TIMEOUT(seen, 15000);
  QVERIFY2(!writable, "both write buttons disabled");
  QVERIFY2(!boxFree, "the box of the corrupted table cleared and disabled");
  QCOMPARE(flag, QString("Да"));
  fixture.main->close();
  QCOMPARE(fixture.SettingsFile().at(0), char(1));
}

void MainWindowTest::IdentificationAndAboutWindows() {
  ProgramFixture fixture;
  AnswerConnectionDialog("BitBtn1");
  TFormMain& main = fixture.Start();
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kDeviceMenu, 15000);

  bool identShown = false;
  WhenModal<TFormIdent>([&](TFormIdent* window) {
    identShown = true;
    Click(window, "BitBtn2");
  });
  Child<QAction>(&main, "Nident")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(identShown, 10000);

  bool aboutShown = false;
  WhenModal<TFormAbout>([&](TFormAbout* window) {
    aboutShown = true;
    Click(window, "BitBtn1");
  });
  Child<QAction>(&main, "Nabout")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(aboutShown, 10000);
}

void MainWindowTest::ExitSavesTheSettingsAndClosesThePort() {
  {
    ProgramFixture fixture;
    AnswerConnectionDialog("BitBtn2");
    TFormMain& main = fixture.Start();
    QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 10000);
    QVERIFY(QDir(QString::fromStdString(fixture.folder.File("CONFIG"))).exists());
    Child<QAction>(&main, "Nexit")->trigger();
    QCOMPARE(fixture.SettingsFile().toHex(), kDefaultSettings.toHex());
  }
  {
    ProgramFixture fixture;
    AnswerConnectionDialog("BitBtn1");
    TFormMain& main = fixture.Start();
    QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kDeviceMenu, 15000);
    QVERIFY2(!OpenLinkPort(fixture.device.terminalPath()), "the tool holds the port exclusively");
    main.close();
    QVERIFY2(OpenLinkPort(fixture.device.terminalPath()), "closing the window lets go of the port");
  }
}

void MainWindowTest::TheToolkitKeepsNoSettingsOfItsOwn() {
  ProgramFixture fixture;
  AnswerConnectionDialog("BitBtn2");
  TFormMain& main = fixture.Start();
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 10000);
  bool opened = false;
  WhenModal<QFileDialog>([&opened](QFileDialog* dialog) {
    opened = true;
    dialog->reject();
  });
  Child<QAction>(&main, "NEditCnf")->trigger();
  QVERIFY(opened);
  Child<QAction>(&main, "Nexit")->trigger();
  fixture.main.reset();
  QCOMPARE(QDir(toolkitHome_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
  QCOMPARE(fixture.SettingsFile().size(), 21);
}

// The open dialog keeps its name line and folder between uses: the same
// named window each time, the main window's own.
void MainWindowTest::TheFileDialogsAreTheWindowsOwnAndKept() {
  ProgramFixture fixture;
  AnswerConnectionDialog("BitBtn2");
  TFormMain& main = fixture.Start();
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 10000);
  QList<QFileDialog*> shown;
  for (int use = 0; use < 2; ++use) {
    WhenModal<QFileDialog>([&shown](QFileDialog* dialog) {
      shown << dialog;
      dialog->reject();
    });
    Child<QAction>(&main, "NEditCnf")->trigger();
  }
  QCOMPARE(shown.size(), 2);
  QCOMPARE(shown[0], shown[1]);
  QCOMPARE(shown[0]->objectName(), QString("pod"));
  QCOMPARE(shown[0]->parent(), &main);
  QCOMPARE(main.findChild<QFileDialog*>("pod"), shown[0]);
}

// What the file list of a file dialog shows of one file: its size and date.
QStringList ShownOfFile(QFileDialog* dialog, const QString& name) {
  auto* list = dialog->findChild<QTreeView*>("treeView");
  const QAbstractItemModel* model = list->model();
  QStringList shown;
  const bool listed = QTest::qWaitFor([&] {
    for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
      if (model->index(row, 0, list->rootIndex()).data().toString() != name) continue;
      shown = {model->index(row, 1, list->rootIndex()).data().toString(),
               model->index(row, 3, list->rootIndex()).data().toString()};
    }
    return !shown.isEmpty() && !shown.front().isEmpty();
  });
  return listed ? shown : QStringList();
}

// The test runs in a locale that is not Russian (tests/app/CMakeLists.txt).
void MainWindowTest::TheFileDialogSpeaksRussianOnAMachineThatDoesNot() {
  QVERIFY2(QLocale::system().language() != QLocale::Russian, "the machine speaks another language");
  UseProgramLanguage(*qApp);
  ProgramFixture fixture;
  AnswerConnectionDialog("BitBtn2");
  TFormMain& main = fixture.Start();
  QTRY_COMPARE_WITH_TIMEOUT(VisibleTopItems(main), kNoDeviceMenu, 10000);
  QFile file(QString::fromStdString(fixture.folder.File("CONFIG/r.cnf")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(1208, 'x'));
  file.flush();
  QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(17, 34)), QFileDevice::FileModificationTime));
  file.close();

  QString cancel;
  QStringList shown;
  WhenModal<QFileDialog>([&](QFileDialog* dialog) {
    cancel = dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Cancel)->text();
    shown = ShownOfFile(dialog, "r.cnf");
    dialog->reject();
  });
  Child<QAction>(&main, "NEditCnf")->trigger();
  QCOMPARE(shown, QStringList({"1,18 кБ", "09.12.2026 17:34"}));
  QCOMPARE(cancel, QString("Отмена"));
  QCOMPARE(QLocale().language(), QLocale::Russian);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
