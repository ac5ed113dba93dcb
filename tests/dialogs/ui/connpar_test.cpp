// The connection parameters dialog as the user meets it: what it shows, what
// it refuses and in which order, opening the port, and the speed search on a
// real line (the emulator, and a scripted peer that refuses every probe).
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <future>
#include <map>
#include <memory>

#include "link/link_state.h"
#include "widgets/question.h"
#include "dialogs/ui/connpar.h"
#include "link/plcbox.h"
#include "link/port_operations.h"
#include "support/program_folder.h"
#include "config/speed_table.h"
#include "tests/support/ui/message_watcher.h"
#include "tests/support/device_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_device_tree.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/pty_peer.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/test_frames.h"
#include "tests/support/test_link.h"

using namespace vkt53;

Q_DECLARE_METATYPE(LinkSettings)

namespace {

const QString kOutOfRange = "Параметр вне допустимого диапазона";
const QString kIncomplete = "Введены не все параметры";
const QString kInputErrorCaption = "Ошибка ввода параметров";
const QString kExchangeResultCaption = "Результат обмена с устройством";

using Message = MessageSeen;

// The dialog with its controls, on a state of its own in a program folder of
// its own whose INI/comports maps COM ports to device paths.
class Fixture {
 public:
  explicit Fixture(const std::map<int, std::string>& portMap = {{1, "/nonexistent"}}) { folder_.MapPorts(portMap); }
  ~Fixture() { state.Close(); }

  // Creates and shows the dialog over the settings as they are now.
  TFormConnPar& Show() {
    dialog = std::make_unique<TFormConnPar>(state);
    dialog->show();
    return *dialog;
  }

  template <typename T>
  T* Control(const char* name) const {
    return dialog->findChild<T*>(name);
  }
  QLineEdit* Edit(const char* name) const { return Control<QLineEdit>(name); }

  // Clicks a dialog button and returns the messages it showed;
  // underEachMessage looks at the dialog while each message is up.
  QList<Message> Click(const char* button, std::function<void()> underEachMessage = {}) const {
    MessageWatcher watcher;
    watcher.OnEachMessage(std::move(underEachMessage));
    Control<QPushButton>(button)->click();
    return QList<Message>(watcher.seen().begin(), watcher.seen().end());
  }

  // The serial devices the dialog finds (an empty tree until something is added).
  FakeDeviceTree Devices() const { return FakeDeviceTree(folder_.Devices()); }

  LinkState state;
  std::unique_ptr<TFormConnPar> dialog;

 private:
  ProgramFolderFixture folder_;
};

QString StoredText(const LinkSettings& settings, const QString& edit) {
  if (edit == "Edit1") return QString::number(settings.firstByteWaitSec);
  if (edit == "Edit2") return QString::number(settings.followingBytesWaitMs);
  if (edit == "Edit3") return QString::number(settings.preambleCount);
  return QString::number(settings.rtsPauseMs);
}

QStringList SpeedTexts(int first, int last) {
  QStringList texts;
  for (int i = first; i <= last; ++i) texts << QString("Скорость обмена:  %1").arg(kExchangeSpeeds[i]);
  return texts;
}

FakeUsbAdapter Adapter(const std::string& kernelName, const std::string& byIdName) {
  FakeUsbAdapter adapter;
  adapter.kernelName = kernelName;
  adapter.byIdName = byIdName;
  return adapter;
}

// The port label's text, checked to be shown whole.
QString ShownWhole(QLabel* label) {
  const QString text = label->text();
  if (label->fontMetrics().horizontalAdvance(text) > label->contentsRect().width()) return "clipped: " + text;
  return text;
}

bool ButtonsEnabled(const Fixture& f) {
  for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn4"}) {
    if (!f.Control<QPushButton>(name)->isEnabled()) return false;
  }
  return true;
}

// Whether a button was enabled when it was last painted.
class PaintedEnabled : public QObject {
 public:
  explicit PaintedEnabled(QWidget* button) : button_(button) { button->installEventFilter(this); }
  bool lastPaintEnabled = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) lastPaintEnabled = button_->isEnabled();
    return false;
  }

 private:
  QWidget* button_;
};

}  // namespace

class ConnParTest : public QObject {
  Q_OBJECT

 private slots:
  // --- What the dialog shows ---

  void showsControlsAsDesigned() {
    Fixture f;
    TFormConnPar& dialog = f.Show();
    QCOMPARE(dialog.objectName(), QString("TFormConnPar"));
    QCOMPARE(dialog.windowTitle(), QString("Параметры связи с КОРДИНом"));
    QCOMPARE(f.Control<QComboBox>("ComboBox1")->count(), 8);
    QCOMPARE(f.Control<QComboBox>("ComboBox1")->itemText(7), QString("COM8"));
    auto* speeds = f.Control<QComboBox>("ComboBox2");
    QCOMPARE(speeds->count(), 22);
    QCOMPARE(speeds->itemText(0), QString("300"));
    QCOMPARE(speeds->itemText(21), QString("230400"));
    QCOMPARE(f.Control<QComboBox>("ComboBox3")->itemText(0), QString(" 1"));
    QCOMPARE(f.Control<QComboBox>("ComboBox3")->itemText(4), QString(" 5"));
    QCOMPARE(f.Edit("Edit1")->maxLength(), 3);
    QCOMPARE(f.Edit("Edit2")->maxLength(), 4);
    QCOMPARE(f.Edit("Edit3")->maxLength(), 3);
    QCOMPARE(f.Edit("Edit4")->maxLength(), 4);
    QCOMPARE(f.Control<QPushButton>("BitBtn1")->text(), QString("Связаться"));
    QCOMPARE(f.Control<QPushButton>("BitBtn2")->text(), QString("Отменить"));
    QCOMPARE(f.Control<QPushButton>("BitBtn4")->text(), QString("Определение скорости обмена"));
    QVERIFY(f.Control<QStatusBar>("StatusBar1"));
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"Порт подключения", "Скорость обмена", "бит/с", "Количество попыток обмена",
                             "Время ожидания первого\nбайта ответа (1...120)", "c",
                             "Время ожидания следующих\nбайтов ответа (55...5000)", "мс",
                             "Количество преамбул\nв запросе (0...255)", "Пауза после\nустановки RTS (2...1000)"}) {
      QVERIFY2(labels.contains(QString(text)), text);
    }
    QVERIFY(!dialog.connectRequested());
  }

  void showsStoredSettings() {
    Fixture f;
    f.state.settings = {0, 0, 3, 19200, 7, 4, 250, 15, 30};
    f.Show();
    QCOMPARE(f.Control<QComboBox>("ComboBox1")->currentText(), QString("COM3"));
    QCOMPARE(f.Control<QComboBox>("ComboBox2")->currentText(), QString("19200"));
    QCOMPARE(f.Control<QComboBox>("ComboBox3")->currentText(), QString(" 4"));
    QCOMPARE(f.Edit("Edit1")->text(), QString("15"));
    QCOMPARE(f.Edit("Edit2")->text(), QString("250"));
    QCOMPARE(f.Edit("Edit3")->text(), QString("7"));
    QCOMPARE(f.Edit("Edit4")->text(), QString("30"));
  }

  void showsWhichDeviceThePortOpens() {
    Fixture f({{1, "/dev/ttyUSB0"}});
    f.Show();
    auto* path = f.Control<QLabel>("PortPathLabel");
    QCOMPARE(path->text(), QString("/dev/ttyUSB0 — нет устройства (INI/comports)"));
    f.Control<QComboBox>("ComboBox1")->setCurrentIndex(2);
    QCOMPARE(path->text(), QString("нет устройства"));
  }

  // Beside the port list, what the chosen port is; in its drop-down, what
  // each is. The items stay "COMn", and choosing one stores its number.
  void showsWhatEachPortIs() {
    Fixture f;  // COM1 is named by INI/comports
    const FakeDeviceTree devices = f.Devices();
    devices.AddUsb(Adapter("ttyUSB0", "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), 2);
    devices.AddOnBoard("ttyS0", 4);
    devices.AddOnBoard("ttyS1", 0);
    f.state.settings.portNumber = 2;
    f.Show();
    auto* ports = f.Control<QComboBox>("ComboBox1");
    auto* label = f.Control<QLabel>("PortPathLabel");
    const QString usb =
        QString::fromStdString(devices.Node("ttyUSB0")) + " — FTDI FT232R USB UART (0403:6001), № A50285BI";
    const QString onBoard = QString::fromStdString(devices.Node("ttyS0")) + " — последовательный порт ПК (UART 16550A)";
    QCOMPARE(ports->currentText(), QString("COM2"));
    QCOMPARE(ShownWhole(label), usb);
    ports->setCurrentIndex(2);
    QCOMPARE(ShownWhole(label), onBoard);
    ports->setCurrentIndex(0);
    QCOMPARE(ShownWhole(label), QString("/nonexistent — нет устройства (INI/comports)"));
    ports->setCurrentIndex(3);
    QCOMPARE(ShownWhole(label), QString("нет устройства"));
    const QStringList expected = {"/nonexistent — нет устройства (INI/comports)", usb, onBoard, "нет устройства"};
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(ports->itemText(i), QString("COM%1").arg(i + 1));
      QCOMPARE(ports->itemData(i, Qt::ToolTipRole).toString(), expected.value(i, "нет устройства"));
    }
    // The label is as wide as the widest text, whichever port is chosen.
    QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(usb));

    ports->setCurrentIndex(6);
    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Коммуникационный порт COM7 недоступен"));
    QCOMPARE(f.state.settings.portNumber, uint8_t{7});
  }

  // The dialog opens the device it showed, even when the devices change
  // while it is up; the next showing reads them again.
  void opensTheDeviceItShowedAndReadsThemAgainWhenShownAgain() {
    DeviceFixture emu({}, "", kStateSpeed);
    Fixture f(std::map<int, std::string>{});
    const FakeDeviceTree devices = f.Devices();
    devices.AddUsb(Adapter("ttyUSB0", "usb-FTDI_B-if00-port0"), 2, emu.terminalPath());
    f.Show();
    auto* label = f.Control<QLabel>("PortPathLabel");
    QVERIFY(label->text().startsWith(QString::fromStdString(devices.Node("ttyUSB0")) + " — "));
    // An adapter whose by-id name sorts first is plugged in meanwhile.
    devices.AddUsb(Adapter("ttyUSB1", "usb-FTDI_A-if00-port0"), 3);
    QCOMPARE(QString::fromStdString(PortDeviceName(1)), QString::fromStdString(devices.Node("ttyUSB1")));

    QCOMPARE(f.Click("BitBtn1").size(), 0);
    QVERIFY(f.dialog->connectRequested());
    QVERIFY2(RequestIdentification(f.state.context), "the port opened is not the one shown");
    QCOMPARE(f.state.settings.portNumber, uint8_t{1});
    f.state.Close();

    f.Show();
    QVERIFY(
        f.Control<QLabel>("PortPathLabel")->text().startsWith(QString::fromStdString(devices.Node("ttyUSB1")) + " — "));
  }

  // USB adapters often get COM10 and up: a stored COM12 is its item after
  // COM1 .. COM8, and "Связаться" opens it and keeps its number.
  void aStoredPortAboveEightSelectsItsItemAndOpensIt() {
    DeviceFixture emu({}, "", kStateSpeed);
    Fixture f({{12, emu.terminalPath()}});
    f.state.settings.portNumber = 12;
    f.Show();
    auto* ports = f.Control<QComboBox>("ComboBox1");
    QCOMPARE(ports->count(), 9);
    QCOMPARE(ports->itemText(7), QString("COM8"));
    QCOMPARE(ports->currentIndex(), 8);
    QCOMPARE(ports->currentText(), QString("COM12"));
    QVERIFY(f.Control<QLabel>("PortPathLabel")->text().startsWith(QString::fromStdString(emu.terminalPath())));

    QCOMPARE(f.Click("BitBtn1").size(), 0);
    QVERIFY(f.dialog->connectRequested());
    QCOMPARE(f.state.settings.portNumber, uint8_t{12});
    QVERIFY2(RequestIdentification(f.state.context), "COM12 did not open its device");
  }

  // The ports are read again each time the drop-down opens; the port chosen
  // stays chosen, and stays in the list when its adapter is pulled out.
  void anAdapterPluggedInWhileTheDialogIsUpIsThereWhenTheDropDownOpens() {
    std::map<int, std::string> firstEight;
    for (int port = 1; port <= 8; ++port) firstEight[port] = "/nonexistent";
    Fixture f(firstEight);
    const FakeDeviceTree devices = f.Devices();
    f.Show();
    auto* ports = f.Control<QComboBox>("ComboBox1");
    ports->setCurrentIndex(2);
    QCOMPARE(ports->count(), 8);

    devices.AddUsb(Adapter("ttyUSB0", "usb-FTDI_A-if00-port0"), 2);
    ports->showPopup();
    ports->hidePopup();
    QCOMPARE(ports->count(), 9);
    QCOMPARE(ports->itemText(8), QString("COM9"));
    QVERIFY(ports->itemData(8, Qt::ToolTipRole).toString().startsWith(QString::fromStdString(devices.Node("ttyUSB0"))));
    QCOMPARE(ports->currentText(), QString("COM3"));

    ports->setCurrentIndex(8);
    devices.Remove("ttyUSB0");
    ports->showPopup();
    ports->hidePopup();
    QCOMPARE(ports->count(), 9);
    QCOMPARE(ports->currentText(), QString("COM9"));
    QCOMPARE(f.Control<QLabel>("PortPathLabel")->text(), QString("нет устройства"));
    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Коммуникационный порт COM9 недоступен"));
    QCOMPARE(f.state.settings.portNumber, uint8_t{9});
  }

  // The program's message, and beside the port the reason, when it is permission.
  void aPortThatMayNotBeOpenedSaysWhy() {
    Fixture f(std::map<int, std::string>{});
    const FakeDeviceTree devices = f.Devices();
    devices.AddUsb(Adapter("ttyUSB0", "usb-FTDI_A-if00-port0"), 2);
    f.Show();
    auto* reason = f.Control<QLabel>("PortReasonLabel");
    QVERIFY(reason && reason->isHidden());
    QList<Message> shown = f.Click("BitBtn1");  // the node is a plain file: no terminal, no reason
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Коммуникационный порт COM1 недоступен"));
    QVERIFY(reason->isHidden());

    if (geteuid() == 0) QSKIP("root may open anything; run as another user to see the reason");
    QVERIFY(chmod(devices.Node("ttyUSB0").c_str(), 0) == 0);
    shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, QString("Ошибка"));
    QCOMPARE(shown[0].line1, QString("Коммуникационный порт COM1 недоступен"));
    QCOMPARE(shown[0].line2, QString());
    QVERIFY(reason->isVisible());
    QCOMPARE(reason->text(), QString::fromStdString(PortPermissionReason(devices.Node("ttyUSB0"))));
    QVERIFY(
        reason->text().startsWith("Нет прав на чтение и запись " + QString::fromStdString(devices.Node("ttyUSB0"))));
  }

  void typedLettersAreDiscarded() {
    Fixture f;
    f.Show();
    for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4"}) {
      QLineEdit* edit = f.Edit(name);
      edit->clear();
      QTest::keyClicks(edit, "4x-2 .");
      QCOMPARE(edit->text(), QString("42"));
      QTest::keyClick(edit, Qt::Key_Backspace);
      QCOMPARE(edit->text(), QString("4"));
    }
  }

  // --- What "Связаться" refuses, and in which order ---

  void incompleteEntryIsRefused_data() {
    QTest::addColumn<LinkSettings>("stored");
    QTest::addColumn<QString>("emptiedEdit");
    QTest::addColumn<QString>("list");  // the list expected without selection, if any
    LinkSettings speed1000, port0, attempts0, attempts6;
    speed1000.exchangeSpeed = 1000;
    port0.portNumber = 0;
    attempts0.attemptCount = 0;
    attempts6.attemptCount = 6;
    QTest::newRow("speed not in the table") << speed1000 << "" << "ComboBox2";
    QTest::newRow("port 0") << port0 << "" << "ComboBox1";
    QTest::newRow("attempts 0") << attempts0 << "" << "ComboBox3";
    QTest::newRow("attempts 6") << attempts6 << "" << "ComboBox3";
    QTest::newRow("empty preamble count") << LinkSettings{} << "Edit3" << "";
    QTest::newRow("empty RTS pause") << LinkSettings{} << "Edit4" << "";
  }

  void incompleteEntryIsRefused() {
    QFETCH(LinkSettings, stored);
    QFETCH(QString, emptiedEdit);
    QFETCH(QString, list);
    Fixture f;
    f.state.settings = stored;
    f.Show();
    if (!list.isEmpty()) QCOMPARE(f.Control<QComboBox>(list.toUtf8())->currentIndex(), -1);
    if (!emptiedEdit.isEmpty()) f.Edit(emptiedEdit.toUtf8())->clear();
    f.Edit("Edit1")->setText("0");  // out of range too, but completeness comes first

    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, kInputErrorCaption);
    QCOMPARE(shown[0].line1, kIncomplete);
    QCOMPARE(shown[0].line2, QString());
    QCOMPARE(f.state.settings, stored);
    QVERIFY(!f.state.IsOpen());
    QVERIFY(f.dialog->isVisible());
    QVERIFY(!f.dialog->connectRequested());
  }

  // The ranges themselves are checked in the core; here each edit's value
  // reaches its own field, refused under that field's name or stored.
  void eachEditReachesItsOwnField_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("refusedAs");  // empty when the value passes
    const QString firstWait = "Время ожидания первого байта ответа";
    const QString followingWait = "Время ожидания следующих байтов ответа";
    const QString preambles = "Количество преамбул в запросе";
    const QString rtsPause = "Пауза после установки RTS";
    QTest::newRow("first-byte wait 120") << "Edit1" << "120" << "";
    QTest::newRow("first-byte wait 121") << "Edit1" << "121" << firstWait;
    QTest::newRow("following wait 55") << "Edit2" << "55" << "";
    QTest::newRow("following wait 5001") << "Edit2" << "5001" << followingWait;
    QTest::newRow("preambles 255") << "Edit3" << "255" << "";
    QTest::newRow("preambles 256") << "Edit3" << "256" << preambles;
    QTest::newRow("RTS pause 2") << "Edit4" << "2" << "";
    QTest::newRow("RTS pause 1001") << "Edit4" << "1001" << rtsPause;
  }

  // A value that passes reaches the port, which does not exist here: the
  // port message then proves that every check passed.
  void eachEditReachesItsOwnField() {
    QFETCH(QString, edit);
    QFETCH(QString, value);
    QFETCH(QString, refusedAs);
    Fixture f;
    const LinkSettings before = f.state.settings;
    f.Show();
    f.Edit(edit.toUtf8())->setText(value);

    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    if (refusedAs.isEmpty()) {
      QCOMPARE(shown[0].line1, QString("Коммуникационный порт COM1 недоступен"));
      QCOMPARE(StoredText(f.state.settings, edit), value);
    } else {
      QCOMPARE(shown[0].caption, kInputErrorCaption);
      QCOMPARE(shown[0].line1, refusedAs);
      QCOMPARE(shown[0].line2, kOutOfRange);
      QCOMPARE(f.state.settings, before);
    }
    QVERIFY(!f.dialog->connectRequested());
  }

  void onlyTheFirstFailingFieldIsReported() {
    Fixture f;
    f.Show();
    f.Edit("Edit1")->setText("0");
    f.Edit("Edit2")->setText("1");
    f.Edit("Edit3")->setText("999");
    f.Edit("Edit4")->setText("0");
    QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Время ожидания первого байта ответа"));

    f.Edit("Edit1")->setText("5");
    shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Время ожидания следующих байтов ответа"));

    f.Edit("Edit2")->setText("100");
    shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Количество преамбул в запросе"));

    f.Edit("Edit3")->setText("9");
    shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Пауза после установки RTS"));
    QCOMPARE(f.state.settings, LinkSettings{});
  }

  void pastedNonNumberIsRefusedLikeOutOfRange() {
    Fixture f;
    f.Show();
    QLineEdit* edit = f.Edit("Edit2");
    edit->selectAll();
    QApplication::clipboard()->setText("1x0");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), QString("1x0"));
    f.Edit("Edit3")->setText("7");  // a valid change that must not be stored either

    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, kInputErrorCaption);
    QCOMPARE(shown[0].line1, QString("Время ожидания следующих байтов ответа"));
    QCOMPARE(shown[0].line2, kOutOfRange);
    QCOMPARE(f.state.settings, LinkSettings{});
  }

  // A damaged settings file may hold a value longer than its field; cut to
  // the field's length it would pass as another value.
  void storedValueTooLongForItsFieldIsShownWholeAndRefused() {
    Fixture f;
    f.state.settings.firstByteWaitSec = 1000;
    f.Show();
    QCOMPARE(f.Edit("Edit1")->text(), QString("1000"));
    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Время ожидания первого байта ответа"));
    QCOMPARE(f.state.settings.firstByteWaitSec, 1000);
  }

  // --- Opening the port ---

  void unavailablePortIsReportedAndTheValuesStayStored() {
    Fixture f({{5, "/nonexistent"}});
    f.Show();
    f.Control<QComboBox>("ComboBox1")->setCurrentIndex(4);
    f.Control<QComboBox>("ComboBox2")->setCurrentText("57600");
    f.Control<QComboBox>("ComboBox3")->setCurrentIndex(2);
    f.Edit("Edit1")->setText("9");
    f.Edit("Edit2")->setText("300");
    f.Edit("Edit3")->setText("4");
    f.Edit("Edit4")->setText("20");

    const QList<Message> shown = f.Click("BitBtn1");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, QString("Ошибка"));
    QCOMPARE(shown[0].line1, QString("Коммуникационный порт COM5 недоступен"));
    QCOMPARE(shown[0].line2, QString());
    QCOMPARE(f.state.settings, (LinkSettings{0, 0, 5, 57600, 4, 3, 300, 9, 20}));
    QVERIFY(!f.state.IsOpen());
    QVERIFY(!f.dialog->connectRequested());
    QVERIFY(f.dialog->isVisible());
  }

  void connectOpensThePortAndLoadsTheExchangeParameters() {
    DeviceFixture emu({}, "", 9600);
    Fixture f({{1, emu.terminalPath()}});
    f.state.settings.exchangeSpeed = 9600;
    f.state.settings.firstByteWaitSec = 3;
    // A port left open by an earlier connection is closed before reopening;
    // the terminal opens exclusively, so the reopening proves it.
    PortHandle earlier = OpenLinkPort(emu.terminalPath());
    QVERIFY(earlier);
    f.state.Attach(earlier);
    f.Show();
    f.Control<QComboBox>("ComboBox3")->setCurrentIndex(1);
    f.Edit("Edit2")->setText("200");
    f.Edit("Edit3")->setText("2");
    f.Edit("Edit4")->setText("5");

    QElapsedTimer clock;
    clock.start();
    const QList<Message> shown = f.Click("BitBtn1");
    QVERIFY(clock.elapsed() >= 100);
    QCOMPARE(shown.size(), 0);
    QVERIFY(f.dialog->connectRequested());
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!earlier->IsOpen());
    QVERIFY(f.state.IsOpen() && f.state.port()->IsOpen());

    ExchangeContext& context = f.state.context;
    QCOMPARE(context.port, f.state.port());
    QCOMPARE(context.exchangeSpeed, 9600);
    QCOMPARE(context.firstByteWaitMs, 3000u);
    QCOMPARE(context.followingBytesWaitMs, 200u);
    QCOMPARE(context.preambleCount, uint8_t{2});
    QCOMPARE(context.rtsPauseMs, 5u);
    QCOMPARE(context.attemptCount, uint8_t{2});
    QVERIFY2(RequestIdentification(context), "the opened link does not reach the device");
  }

  // --- The speed search ---

  // Which speeds the search tries, and what answers, is the core's
  // (dialogs_tests: SpeedSearch.*); here the dialog around it: the status
  // line before each try, the buttons, the cursor, closing refused while it
  // runs, the message and the list afterwards. Found on the second try, so
  // that one silent try lies between two status texts.
  void searchShowsEachTryAndReportsTheSpeedThatAnswered() {
    DeviceFixture emu({}, "", 1200);
    Fixture f({{1, emu.terminalPath()}});
    f.state.settings.exchangeSpeed = 9600;
    TFormConnPar& dialog = f.Show();
    auto* status = f.Control<QStatusBar>("StatusBar1");
    QStringList tried;
    bool buttonsDisabledThroughout = true, busyThroughout = true, stayedOpen = true;
    connect(status, &QStatusBar::messageChanged, this, [&](const QString& text) {
      if (text.isEmpty()) return;
      tried << text;
      for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn4"}) {
        buttonsDisabledThroughout &= !f.Control<QPushButton>(name)->isEnabled();
      }
      busyThroughout &= QApplication::overrideCursor() != nullptr;
      if (tried.size() == 1) {  // Esc and the frame's close button while it runs
        dialog.reject();
        dialog.close();
        stayedOpen = dialog.isVisible();
      }
    });

    // The search is over by the time its result shows, and the dialog has
    // been painted so: acknowledging the message returns at once to a ready
    // dialog, not to closing the port behind disabled buttons.
    PaintedEnabled searchButton(f.Control<QPushButton>("BitBtn4"));
    bool readyUnderTheMessage = false;
    const QList<Message> shown = f.Click("BitBtn4", [&] {
      readyUnderTheMessage = !f.state.IsOpen() && searchButton.lastPaintEnabled && ButtonsEnabled(f);
    });
    QVERIFY(readyUnderTheMessage);
    QCOMPARE(tried, SpeedTexts(1, 2));
    QVERIFY(buttonsDisabledThroughout);
    QVERIFY(busyThroughout);
    QVERIFY(stayedOpen);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, kExchangeResultCaption);
    QCOMPARE(shown[0].line1, QString("Получен ответ на запрос"));
    QCOMPARE(shown[0].line2, QString("при скорости обмена - 1200 бит/с"));
    QVERIFY(!shown[0].busyCursor);

    QCOMPARE(f.Control<QComboBox>("ComboBox2")->currentText(), QString("1200"));
    QCOMPARE(f.state.settings.exchangeSpeed, 1200);
    QVERIFY(!f.state.IsOpen());
    QVERIFY(status->currentMessage().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(ButtonsEnabled(f));
    QCOMPARE(f.state.context.firstByteWaitMs, 300u);
    QCOMPARE(f.state.context.followingBytesWaitMs, 100u);
    QCOMPARE(f.state.context.attemptCount, uint8_t{1});

    // "Отменить" (here by Esc) does not undo the found speed.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.connectRequested());
    QCOMPARE(f.state.settings.exchangeSpeed, 1200);
  }

  // A line that refuses the probe at every speed (a device error at once, so
  // that no try waits out its time-out, and a clock that skips the RTS hold).
  void searchThatFindsNoSpeedSaysSoAndKeepsTheStoredSpeed() {
    FakeClock clock;
    PtyPeer peer;
    Fixture f({{1, peer.slavePath()}});
    constexpr int kTries = kSpeedCount - 1;  // every speed but 300
    auto far = std::async(std::launch::async, [&peer] {
      int probes = 0;
      for (; probes < kTries && peer.Receive(12, std::chrono::seconds(5)).size() == 12; ++probes) {
        peer.Send(Answer(0, 0x1D, {1}));
      }
      return probes;
    });
    f.Show();
    QStringList tried;
    connect(f.Control<QStatusBar>("StatusBar1"), &QStatusBar::messageChanged, this,
            [&](const QString& text) {
              if (!text.isEmpty()) tried << text;
            });

    bool readyUnderTheMessage = false;
    const QList<Message> shown =
        f.Click("BitBtn4", [&] { readyUnderTheMessage = !f.state.IsOpen() && ButtonsEnabled(f); });
    QVERIFY(readyUnderTheMessage);
    QCOMPARE(far.get(), kTries);
    QCOMPARE(tried, SpeedTexts(1, 21));
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, kExchangeResultCaption);
    QCOMPARE(shown[0].line1, QString("Связь не установлена"));
    QCOMPARE(shown[0].line2, QString());
    QVERIFY(!shown[0].busyCursor);
    QCOMPARE(f.state.settings.exchangeSpeed, 1200);
    QCOMPARE(f.Control<QComboBox>("ComboBox2")->currentText(), QString("1200"));
    QVERIFY(!f.state.IsOpen());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(f.Control<QPushButton>("BitBtn4")->isEnabled());
    QVERIFY(f.dialog->isVisible());
  }

  // The line of a tcp:// port is set up by its server: the search is refused
  // with the reason, and nothing goes to the line.
  void searchOverARawNetworkPortIsRefusedAndSendsNothing() {
    PtyPeer peer;
    const Ser2netProcess server(peer.slavePath(), "9600n81");
    Fixture f({{3, server.RawTcpUrl()}});
    f.state.settings.portNumber = 3;
    f.Show();
    QCOMPARE(f.Control<QLabel>("PortPathLabel")->toolTip(),
             QString::fromStdString(server.RawTcpUrl() + " — сервер портов (TCP) (INI/comports)"));
    QStringList tried;
    connect(f.Control<QStatusBar>("StatusBar1"), &QStatusBar::messageChanged, this,
            [&](const QString& text) {
              if (!text.isEmpty()) tried << text;
            });

    const QList<Message> shown = f.Click("BitBtn4");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, kExchangeResultCaption);
    QCOMPARE(shown[0].line1, QString("Определение скорости обмена невозможно:"));
    QCOMPARE(shown[0].line2,
             QString("скорость линии порта tcp:// задаёт сервер портов. Для определения скорости нужен порт rfc2217://."));
    QVERIFY(tried.isEmpty());
    QVERIFY(peer.Receive(1, std::chrono::milliseconds(300)).empty());
    QVERIFY(!f.state.IsOpen());
  }

  void searchDoesNotStartOnARefusedEntry() {
    Fixture f;
    f.Show();
    f.Edit("Edit4")->setText("1");
    QStringList tried;
    connect(f.Control<QStatusBar>("StatusBar1"), &QStatusBar::messageChanged, this,
            [&](const QString& text) {
              if (!text.isEmpty()) tried << text;
            });
    const QList<Message> shown = f.Click("BitBtn4");
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].line1, QString("Пауза после установки RTS"));
    QVERIFY(tried.isEmpty());
    QVERIFY(f.Control<QPushButton>("BitBtn1")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
  }
};

QTEST_MAIN(ConnParTest)
#include "connpar_test.moc"
