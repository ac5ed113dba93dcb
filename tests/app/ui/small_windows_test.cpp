// The wait window, which the user cannot close and whose progress bar the
// table service drives, and the about window; and every window of the
// program on a small laptop's screen, where all of these tests run.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "link/link_state.h"
#include "app/ui/about.h"
#include "widgets/question.h"
#include "app/ui/exchange_monitor.h"
#include "app/ui/wait.h"
#include "app/ui/write_check_window.h"
#include "config/config_image.h"
#include "config/config_record.h"
#include "config/table_status.h"
#include "config/ui/config_editor.h"
#include "config/unit_row.h"
#include "dialogs/ui/connpar.h"
#include "dialogs/ui/ident.h"
#include "dialogs/ui/tableinfo.h"
#include "dialogs/ui/vichpar.h"
#include "tests/support/ui/frame_close.h"
#include "link/conffun.h"
#include "link/exchange_recorder.h"
#include "link/plcbox.h"
#include "link/port_operations.h"
#include "tests/support/device_fixture.h"
#include "tests/support/ui/modal.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/sample_records.h"
#include "tests/support/test_link.h"

using namespace vkt53;

namespace {

QString Line(QWidget* form, const char* name) { return form->findChild<QLabel*>(name)->text(); }

// Within the few units a window frame may add on one side.
bool CentredOnScreen(QWidget* form) {
  const QPoint offset = QApplication::primaryScreen()->availableGeometry().center() - form->geometry().center();
  return std::abs(offset.x()) <= 4 && std::abs(offset.y()) <= 4;
}

// Passes every step on to the wait window's bar and notes where the bar stood.
class WatchedProgress : public ProgressBar {
 public:
  WatchedProgress(ProgressBar& inner, QProgressBar* bar) : inner_(inner), bar_(bar) {}
  void SetMaximum(int maximum) override { inner_.SetMaximum(maximum); }
  int Maximum() const override { return inner_.Maximum(); }
  void SetPosition(int position) override {
    inner_.SetPosition(position);
    barValues.push_back(bar_->value());
  }
  int Position() const override { return inner_.Position(); }

  std::vector<int> barValues;

 private:
  ProgressBar& inner_;
  QProgressBar* bar_;
};

}  // namespace

class SmallWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { EndModalWaits(); }

  // The wait window.
  void waitWindowOffersNoWayToCloseIt() {
    TFormWait form(WaitKind::Writing);
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
  }

  void waitWindowStaysUpAgainstEscAndTheFrameUntilItsOpenerEndsIt() {
    auto window = std::make_unique<TFormWait>(WaitKind::Reading);
    TFormWait* form = window.get();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QVERIFY(!form->isModal());
    QTest::keyClick(form, Qt::Key_Escape);
    QVERIFY(form->isVisible());
    QVERIFY(!CloseByFrame(form));
    QVERIFY(form->isVisible());
    form->close();  // the opener may close it
    QVERIFY(!form->isVisible());
  }

  void kindNamesTheOperation_data() {
    QTest::addColumn<WaitKind>("kind");
    QTest::addColumn<QString>("line2");
    QTest::addColumn<QString>("line3");
    QTest::newRow("writing") << WaitKind::Writing << "Выполняется запись параметров" << "конфигурации в кордин";
    QTest::newRow("reading") << WaitKind::Reading << "Выполняется чтение" << "таблиц параметров конфигурации";
  }

  void kindNamesTheOperation() {
    QFETCH(WaitKind, kind);
    TFormWait form(kind);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QString("..."));
    QCOMPARE(Line(&form, "Label1"), QString("Ожидайте..."));
    QTEST(Line(&form, "Label2"), "line2");
    QTEST(Line(&form, "Label3"), "line3");
    QCOMPARE(form.size(), QSize(322, 127));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(CentredOnScreen(&form));
  }

  // Its progress bar as the table service sees it.
  void progressStartsAtZeroAndStepsOneByOne() {
    TFormWait form(WaitKind::Reading);
    auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
    ProgressBar& progress = form.progress();
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(progress.Position(), 0);
    progress.SetMaximum(5);
    progress.SetPosition(progress.Position() + 1);
    progress.SetPosition(progress.Position() + 1);
    QCOMPARE(progress.Position(), 2);
    QCOMPARE(bar->value(), 2);
    QCOMPARE(bar->maximum(), 5);
    progress.SetPosition(progress.Maximum());
    QCOMPARE(bar->value(), bar->maximum());
  }

  void progressNeverLeavesItsRange() {
    TFormWait form(WaitKind::Writing);
    auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
    ProgressBar& progress = form.progress();
    progress.SetMaximum(0);  // an operation without steps: an empty bar, not Qt's busy one
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), 0);
    progress.SetMaximum(3);
    progress.SetPosition(7);
    QCOMPARE(progress.Position(), 3);
    QCOMPARE(bar->value(), 3);
    progress.SetPosition(-2);
    QCOMPARE(progress.Position(), 0);
    progress.SetPosition(3);
    progress.SetMaximum(2);  // a shorter operation after a longer one
    QCOMPARE(progress.Position(), 2);
    QCOMPARE(bar->value(), 2);
  }

  void readingTheConfigurationFillsTheBarStepByStep() {
    DeviceFixture emulator({}, "", 9600);
    TestLink link(emulator.terminalPath(), 9600);
    QVERIFY(link.port);

    TFormWait form(WaitKind::Reading);
    form.show();
    auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
    WatchedProgress progress(form.progress(), bar);
    ConfigRecord record;
    QVERIFY(ReadConfiguration(link.session, record, &progress));
    QVERIFY(link.ui.questions.empty());
    QVERIFY(form.isVisible());
    QVERIFY(bar->maximum() > 1);
    QCOMPARE(bar->value(), bar->maximum());
    // One step per table read, each shown on the bar as it happened.
    QVERIFY(progress.barValues.size() >= 2);
    QCOMPARE(progress.barValues.front(), 1);
    for (std::size_t i = 1; i < progress.barValues.size(); ++i) {
      QVERIFY(progress.barValues[i] >= progress.barValues[i - 1]);
    }
    QCOMPARE(progress.barValues.back(), bar->maximum());
  }

  // The about window.
  void aboutShowsTheVersionAndClosesByItsPictureButton() {
    TFormAbout form;
    QString version;
    bool pictureOnly = false;
    bool centred = false;
    WhenModal<TFormAbout>([&](TFormAbout* shown) {
      version = Line(shown, "Label2");
      auto* close = shown->findChild<QPushButton*>("BitBtn1");
      pictureOnly = close->text().isEmpty() && !close->icon().isNull();
      centred = CentredOnScreen(shown);
      QTest::mouseClick(close, Qt::LeftButton);
    });
    form.exec();
    QCOMPARE(version, QString("Версия        3.02"));
    QVERIFY(pictureOnly);
    QVERIFY(centred);
    QVERIFY(!form.isVisible());
  }

  // Installed where it cannot write beside itself, it says where INI and
  // CONFIG are; beside a program that can write there, nothing more.
  void aboutTellsTheUsersFolderOnlyWhenTheFilesAreNotBesideTheProgram() {
    {
      ProgramFolderFixture portable;
      TFormAbout form;
      QVERIFY(!form.findChild<QLabel*>("LabelFolder"));
    }
    InstalledProgramFixture installed;
    TFormAbout form;
    form.show();
    const auto* folder = form.findChild<QLabel*>("LabelFolder");
    QVERIFY(folder);
    QCOMPARE(folder->text(), QString::fromStdString("Папка настроек и конфигураций: " + installed.UserFolder()));
    const QRect button = form.findChild<QPushButton*>("BitBtn1")->geometry();
    QVERIFY(button.top() > folder->geometry().bottom());
    QVERIFY(form.rect().contains(button));
    form.close();
  }

  // Every window, with the longest contents it can be given, fits a
  // 1920×1080 laptop at 150 % (see main): 1280×720, less Windows' taskbar
  // (48) and the window's own frame (16 by 40).
  void everyWindowFitsALaptopScreenAt150Percent() {
    QCOMPARE(QApplication::primaryScreen()->geometry().size(), QSize(1280, 720));
    const QSize room(1280 - 16, 720 - 48 - 40);
    ProgramFolderFixture folder;
    folder.MapPorts({{1, "/dev/" + std::string(300, 'x')}});
    LinkState link;
    const IdentificationRecord identification = TypicalIdentification();
    TableStatusBlock tables{};
    UnitEntry unit;
    ConfigImage image;
    ConfigRecord record;
    record.SetAllSpeedsAvailable();
    ExchangeRecorder recorder;
    FieldDifference difference;
    difference.table = 6;
    difference.field = 130;
    difference.fieldName = difference.expected = difference.found = std::string(60, 'x');
    const std::vector<FieldDifference> differences(40, difference);

    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<TFormConnPar>(link));
    windows.push_back(std::make_unique<TFormIdent>(identification));
    windows.push_back(std::make_unique<TFormTableInfo>(tables, uint8_t{0}));
    windows.push_back(std::make_unique<TFormRealConfig>(image, record, "/nonexistent"));
    windows.push_back(std::make_unique<TFormConfig>(image, record));
    windows.push_back(std::make_unique<TFormVichPar>(unit, kLastUnitAddress, ~0u));
    windows.push_back(std::make_unique<TFormAbout>());
    windows.push_back(std::make_unique<TFormWait>(WaitKind::Reading));
    windows.push_back(std::make_unique<TFormExchangeMonitor>(recorder));
    windows.push_back(std::make_unique<TFormWriteCheck>(differences, std::string(60, 'x') + ".cnf"));
    auto message = std::make_unique<TFormQues>();
    message->Prepare(MessageKind::Error, "Резервная копия конфигурации не сохранена",
                     "Нельзя создать папку " + QString(300, u'x'));
    windows.push_back(std::move(message));
    for (const auto& window : windows) {
      window->show();
      const QSize size = window->size();
      QVERIFY2(size.width() <= room.width() && size.height() <= room.height(),
               qPrintable(QString("%1 %2x%3").arg(window->objectName()).arg(size.width()).arg(size.height())));
      window->hide();
    }
  }

  void aboutHasOnlyTheSystemMenu() {
    TFormAbout form;
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
  }
};

// On the offscreen platform every window here is shown on a 1920×1080
// screen at 150 %, as on a laptop that Windows scales so: 1280×720.
bool UseALaptopScreen(const QTemporaryDir& folder) {
  if (qgetenv("QT_QPA_PLATFORM") != "offscreen") return true;
  QFile config(folder.filePath("screen.json"));
  if (!config.open(QIODevice::WriteOnly)) return false;
  config.write(R"({"screens": [{"name": "laptop", "width": 1920, "height": 1080,
                                "logicalDpi": 144, "logicalBaseDpi": 96}]})");
  config.close();
  return qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
}

int main(int argc, char** argv) {
  QTemporaryDir screen;
  if (!UseALaptopScreen(screen)) return 2;
  QApplication app(argc, argv);
  SmallWindowsTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "small_windows_test.moc"
