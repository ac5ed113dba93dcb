// Commands and closing while a table operation runs: the table service lets
// window events through while it works, and the user who chooses a command
// or closes the window then must not start a second operation on the same
// record and port, nor pull the port away from the first.
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QTableWidget>
#include <QWindow>
#include <QtTest>

#include <chrono>

#include "app/ui/wait.h"
#include "config/modem_string.h"
#include "config/ui/config_editor.h"
#include "dialogs/ui/tableinfo.h"
#include "tests/support/ui/editor_fixture.h"
#include "tests/support/ui/frame_close.h"
#include "tests/support/fake_clock.h"
#include "tests/support/ui/modal.h"

using namespace vkt53;

namespace {

// A user who does not wait: chooses each command and closes the main window
// by its frame, the first time `when` holds at a moment the program lets
// window events through (or when told to act). From then on every message
// box is answered "Нет" and every window other than the `driven` ones is
// closed and noted, so that a command that wrongly started shows itself
// instead of holding the test.
class ImpatientUser {
 public:
  ImpatientUser(TFormMain& main, std::function<bool()> when, QStringList commands, QStringList driven = {})
      : main_(main), when_(std::move(when)), commands_(std::move(commands)), driven_(std::move(driven)) {
    if (!when_) return;
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      if (when_()) Act();
    });
    poll_.start(0);  // at every turn of the event loop
  }

  void Act() {
    poll_.stop();
    acted_ = true;
    watcher_ = std::make_unique<MessageWatcher>(false, true, driven_);
    for (const QString& name : commands_) {
      if (auto* item = Child<QAction>(&main_, qPrintable(name))) item->trigger();
    }
    closeAccepted_ = CloseByFrame(&main_);
  }

  bool acted() const { return acted_; }
  bool closeAccepted() const { return closeAccepted_; }
  // What the commands and the close request showed: nothing, when refused.
  QStringList Shown() const {
    if (!watcher_) return {};
    return watcher_->FirstLines() + watcher_->otherWindows();
  }

 private:
  TFormMain& main_;
  std::function<bool()> when_;
  QStringList commands_, driven_;
  QTimer poll_;
  std::unique_ptr<MessageWatcher> watcher_;
  bool acted_ = false;
  bool closeAccepted_ = false;
};

// The wait window is up and the first table of the operation is done.
bool FirstTableDone(TFormMain& main) {
  auto* wait = main.findChild<TFormWait*>();
  auto* bar = wait ? wait->findChild<QProgressBar*>("ProgressBar1") : nullptr;
  return bar && wait->isVisible() && bar->value() >= 1;
}

std::vector<int> Bytes(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// Nothing of the commands happened: the device is still the one connected,
// the sequence of "Связь с другим устройством" was not started, the window
// and its port are still there, and the menu is back.
void VerifyUntouched(EditorFixture& device, const ImpatientUser& user) {
  QVERIFY2(user.acted(), "the commands were chosen while the operation ran");
  QVERIFY2(!user.closeAccepted(), "closing is refused while the operation runs");
  QCOMPARE(user.Shown(), QStringList());
  TFormMain& main = device.main();
  QVERIFY(main.isVisible());
  QVERIFY(device.portOpen());
  QVERIFY(main.state().supportedDevice);
  QVERIFY(!Child<QTimer>(&main, "TimerStart")->isActive());
  QVERIFY(main.menuBar()->isEnabled());
}

const QStringList kEveryCommand = {"N2", "N1", "Nident", "NNewCnf", "Nconnect", "Nabout", "Nexit"};

// What the user sees of the wait window when the first request after it
// goes out (the status line shows "Обмен..." then).
//
// A desktop's window system shows a new window a moment after it is asked
// to: on X11 the server maps it and the window manager frames it before the
// window is exposed and may paint. The offscreen platform exposes it at once,
// so this holds the wait window's first expose back for such a moment.
class WaitWindowWatch : public QObject {
 public:
  WaitWindowWatch() { qApp->installEventFilter(this); }
  ~WaitWindowWatch() override { qApp->removeEventFilter(this); }

  bool requestSeen() const { return requestSeen_; }
  bool paintedBeforeRequest() const { return paintedBeforeRequest_; }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    const bool toWaitWindow = !exposed_ && IsWaitWindow(object);
    if (toWaitWindow && event->type() == QEvent::Expose) {
      ExposeLater(qobject_cast<QWindow*>(object));
      return true;
    }
    if (toWaitWindow && event->type() == QEvent::Paint) return true;  // what the expose brings
    if (event->type() == QEvent::Paint) NotePaint(object);
    return false;
  }

 private:
  static bool IsWaitWindow(QObject* object) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (qobject_cast<TFormWait*>(window) && window->windowHandle() == object) return true;
    }
    return false;
  }

  void ExposeLater(QWindow* window) {
    if (exposeDue_) return;
    exposeDue_ = true;
    QTimer::singleShot(std::chrono::milliseconds(100), window, [this, window] {
      exposed_ = true;
      QExposeEvent expose(QRect(QPoint(), window->size()));
      QCoreApplication::sendEvent(window, &expose);
    });
  }

  void NotePaint(QObject* object) {
    if (auto* form = qobject_cast<TFormWait*>(object)) {
      const bool linesShown = !form->findChild<QLabel*>("Label2")->text().isEmpty();
      if (!requestSeen_ && linesShown) painted_ = true;
      return;
    }
    auto* panel = qobject_cast<QLabel*>(object);
    if (requestSeen_ || !panel || panel->objectName() != "ExchangePanel" || panel->text() != "Обмен...") return;
    auto* wait = panel->window()->findChild<TFormWait*>();
    if (!wait || !wait->isVisible()) return;
    requestSeen_ = true;
    paintedBeforeRequest_ = painted_;
  }

  bool exposeDue_ = false;
  bool exposed_ = false;
  bool painted_ = false;
  bool requestSeen_ = false;
  bool paintedBeforeRequest_ = false;
};

// A configuration file with table 6 changed, in the fixture's CONFIG folder.
QString RestoreFile(EditorFixture& device) {
  const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
  ConfigImage image;
  NewConfigurationImage(image);
  image.bytes[kMasterSpeedIndexField] = 20;  // the device's 115200, so the link stays
  SetUnitEntry(image, 9, {1, kPortA, 13});
  if (WriteConfigFile(path.toStdString(), image) != FileWriteResult::kWritten) return {};
  return path;
}

}  // namespace

class TableOperationTest : public QObject {
  Q_OBJECT

  // The pauses after long table sequences and after the restore are
  // skipped; what the operations send and when commands may run is checked.
  FakeClock clock_;

 private slots:
  void cleanup() { EndModalWaits(); }

  void commandsAndClosingDuringARestoreWaitAndTheFileIsWritten() {
    EditorFixture device("table6.5 = 2F\nmodem = ATZ0\n");
    const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
    ConfigImage image;
    NewConfigurationImage(image);
    image.bytes[kMasterSpeedIndexField] = 20;  // the device's 115200, so the link stays
    image.bytes[kAnswerPreambleCountField] = 4;
    SetUnitEntry(image, 7, {1, kPortB, 11});
    SetUnitEntry(image, 200, {1, kPortC, 15});
    StoreModemText(image, "ATDP77");
    QCOMPARE(WriteConfigFile(path.toStdString(), image), FileWriteResult::kWritten);

    bool previewed = false;
    WhenModal<TFormTableInfo>([path, &previewed](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([&previewed](TFormConfig* editor) {
        previewed = true;
        Click(editor, "BitBtn14");
      });
      Click(status, "BitBtn1");  // write all
    });
    TFormMain& main = device.main();
    ImpatientUser user(
        main, [&main] { return FirstTableDone(main); }, kEveryCommand);
    device.Choose("N1");

    QVERIFY(previewed);
    VerifyUntouched(device, user);
    QCOMPARE(device.Writes(), (std::vector<std::string>{"3 0 7", "5 0 1", "6 0 243", "6 243 12"}));
    ConfigRecord file;
    RecordFromImage(image, file);
    QCOMPARE(device.Table(3), Bytes(file.LinkParameters()));
    QCOMPARE(device.Table(5), Bytes(file.ModemField()));
    QCOMPARE(device.Table(6), Bytes(file.UnitLinkBytes()));
    QVERIFY2(CloseByFrame(&main), "the window closes once the restore is over");
    QVERIFY(!device.portOpen());
  }

  void theRestoresWaitWindowIsOnTheScreenBeforeItsFirstWrite() {
    EditorFixture device;
    const QString path = RestoreFile(device);
    QVERIFY(!path.isEmpty());
    WhenModal<TFormTableInfo>([path](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([](TFormConfig* editor) { Click(editor, "BitBtn14"); });
      Click(status, "BitBtn1");
    });
    WaitWindowWatch watch;
    device.Choose("N1");

    QVERIFY2(watch.requestSeen(), "the restore wrote with its wait window up");
    QVERIFY2(watch.paintedBeforeRequest(), "the wait window was painted, its lines set, before the first write");
    QCOMPARE(device.Writes(), (std::vector<std::string>{"3 0 7", "5 0 1", "6 0 243", "6 243 12"}));
  }

  void theRetryQuestionStaysAnswerableAndCommandsWaitMeanwhile() {
    // The identification read that checks the written tables goes unanswered once.
    EditorFixture device("", {"--fault-skip", "6", "--fault-drop", "1"});
    TFormMain& main = device.main();
    main.state().link.context.firstByteWaitMs = 300;
    const QString path = QString::fromStdString(device.configFolder()) + "/r.cnf";
    ConfigImage image;
    NewConfigurationImage(image);
    image.bytes[kMasterSpeedIndexField] = 20;
    SetUnitEntry(image, 9, {1, kPortA, 13});
    QCOMPARE(WriteConfigFile(path.toStdString(), image), FileWriteResult::kWritten);

    WhenModal<TFormTableInfo>([path](TFormTableInfo* status) {
      ChooseFileWhenAsked(path);
      WhenModal<TFormConfig>([](TFormConfig* editor) { Click(editor, "BitBtn14"); });
      Click(status, "BitBtn1");
    });
    ImpatientUser user(main, nullptr, kEveryCommand);
    QString question;
    WhenModal<TFormQues>(
        [&user, &question](TFormQues* box) {
          question = Child<QLabel>(box, "Label1")->text();
          user.Act();
          Click(box, "BitBtn1");  // "Да"
        },
        15000);
    device.Choose("N1");

    QCOMPARE(question, QString("Не выполнено чтение из таблицы 0."));
    VerifyUntouched(device, user);
    QCOMPARE(device.Writes(), (std::vector<std::string>{"3 0 7", "5 0 1", "6 0 243", "6 243 12"}));
    ConfigRecord file;
    RecordFromImage(image, file);
    QCOMPARE(device.Table(6), Bytes(file.UnitLinkBytes()));
    QCOMPARE(main.state().record.Identification()[1], 8);  // read again after "Да"
  }

  void commandsAndClosingDuringAReadAndItsWriteBackWait() {
    EditorFixture device("table6.5 = 2F\nmodem = ATDT5\n");
    TFormMain& main = device.main();
    bool writing = false;
    std::unique_ptr<ImpatientUser> duringWrite;
    WhenModal<TFormRealConfig>([&](TFormRealConfig* editor) {
      // The configuration as the device holds it, read whole.
      QCOMPARE(Child<QLineEdit>(editor, "Edit1")->text(), QString("ATDT5"));
      QCOMPARE(Child<QTableWidget>(editor, "StringGrid1")->item(4, 3)->text(), QString("        19200"));
      Child<QLineEdit>(editor, "Edit2")->setText("4");
      duringWrite = std::make_unique<ImpatientUser>(
          main, [&writing] { return writing && QApplication::overrideCursor(); }, kEveryCommand);
      writing = true;
      Click(editor, "BitBtn14");
    });
    ImpatientUser duringRead(main, [&main] { return FirstTableDone(main); }, kEveryCommand, {"TFormRealConfig"});
    device.Choose("N2");

    QVERIFY2(duringWrite, "the online editor opened");
    VerifyUntouched(device, duringRead);
    VerifyUntouched(device, *duringWrite);
    QCOMPARE(device.Writes(), std::vector<std::string>{"3 0 7"});
    QCOMPARE(device.Table(3), (std::vector<int>{20, 4, 5, 1, 0, 0, 0}));
    QVERIFY2(CloseByFrame(&main), "the window closes once the operation is over");
  }
};

QTEST_MAIN(TableOperationTest)
#include "table_operation_test.moc"
