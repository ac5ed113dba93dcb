#include "dialogs/ui/connpar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <functional>
#include <utility>

#include "widgets/busy_cursor.h"
#include "widgets/question.h"
#include "widgets/widgets.h"
#include "dialogs/link_entry.h"
#include "link/link_state.h"
#include "dialogs/speed_search.h"
#include "link/clock.h"
#include "link/port_operations.h"
#include "link/port_discovery.h"
#include "config/speed_table.h"

namespace vkt53 {

namespace {

constexpr uint32_t kReopenPauseMs = 100;

// Wide enough for the common adapters' texts; a longer one is cut in the
// middle and shown whole as the label's tool tip.
constexpr int kPortTextMinWidth = 200;
constexpr int kPortTextMaxWidth = 600;
constexpr int kPortTextRole = Qt::UserRole + 1;
constexpr char kPortTextGap[] = "    ";

// The port list's drop-down shows what each port is beside its name; the
// item's own text stays "COMn".
class PortItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString shown = index.data(kPortTextRole).toString();
    if (!shown.isEmpty()) option->text += kPortTextGap + shown;
  }
};

// The port list reads the ports again each time its drop-down opens, so
// that an adapter plugged in while the dialog is up is there to choose.
class PortList : public QComboBox {
 public:
  PortList(QWidget* owner, std::function<void()> beforeOpening)
      : QComboBox(owner), beforeOpening_(std::move(beforeOpening)) {}

  void showPopup() override {
    beforeOpening_();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> beforeOpening_;
};

QLineEdit* MakeEdit(QWidget* parent, const char* name, int maxLength) {
  QLineEdit* edit = MakeIntEdit(parent, name, maxLength);
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(6, u'0')) + 12);
  return edit;
}

// A stored value longer than its field's limit (a damaged settings file)
// would be cut to the limit by the field and pass as another value; the
// field is widened for it instead, so the value shows whole and is refused.
void SetFieldText(QLineEdit* edit, const std::string& text, int designedLength) {
  edit->setMaxLength(std::max<int>(designedLength, static_cast<int>(text.size())));
  edit->setText(QString::fromStdString(text));
}

void AddRow(QGridLayout* grid, int row, const QString& label, QWidget* field, QWidget* unit = nullptr) {
  auto* text = new QLabel(label, grid->parentWidget());
  grid->addWidget(text, row, 0);
  grid->addWidget(field, row, 1);
  if (unit) grid->addWidget(unit, row, 2);
}

QStringList SpeedItems() {
  QStringList items;
  for (int32_t speed : kExchangeSpeeds) items << QString::number(speed);
  return items;
}

QStringList AttemptItems() {
  QStringList items;
  for (int count = 1; count <= kAttemptChoices; ++count) items << QString(" %1").arg(count);
  return items;
}

// Why the search found nothing, as the message's two lines: a port whose
// speed cannot be set refuses it before anything is sent, and its reason
// goes on two lines so that the message stays narrow.
QStringList SearchFailureLines(const ExchangeContext& context) {
  const QString refusal = QString::fromStdString(SpeedSearchRefusal(context));
  if (refusal.isEmpty()) return {QString("Связь не установлена"), QString()};
  const qsizetype colon = refusal.indexOf(": ");
  if (colon < 0) return {refusal, QString()};
  return {refusal.left(colon + 1), refusal.mid(colon + 2)};
}

}  // namespace

TFormConnPar::TFormConnPar(LinkState& link, QWidget* parent) : QDialog(parent), link_(link) {
  setObjectName("TFormConnPar");
  setWindowTitle("Параметры связи с КОРДИНом");
  SetTitleBar(this, TitleButtons::Close);
  BuildControls();
  FormCreate();
}

void TFormConnPar::BuildControls() {
  ComboBox1 = MakeNamed<PortList>("ComboBox1", this, [this] { ReadPorts(ChosenPort()); });
  ComboBox2 = MakeList(this, "ComboBox2", {});
  ComboBox3 = MakeList(this, "ComboBox3", AttemptItems());
  Edit1 = MakeEdit(this, "Edit1", 3);
  Edit2 = MakeEdit(this, "Edit2", 4);
  Edit3 = MakeEdit(this, "Edit3", 3);
  Edit4 = MakeEdit(this, "Edit4", 4);

  ComboBox1->setItemDelegate(new PortItemDelegate(ComboBox1));
  PortPathLabel = MakeNamed<QLabel>("PortPathLabel", this);
  PortPathLabel->setMinimumWidth(kPortTextMinWidth);
  PortReasonLabel = MakeNamed<QLabel>("PortReasonLabel", this);
  PortReasonLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the command can be copied
  PortReasonLabel->hide();

  auto* grid = new QGridLayout;
  AddRow(grid, 0, "Порт подключения", ComboBox1, PortPathLabel);
  AddRow(grid, 1, "Скорость обмена", ComboBox2, new QLabel("бит/с", this));
  AddRow(grid, 2, "Количество попыток обмена", ComboBox3);
  AddRow(grid, 3, "Время ожидания первого\nбайта ответа (1...120)", Edit1, new QLabel("c", this));
  AddRow(grid, 4, "Время ожидания следующих\nбайтов ответа (55...5000)", Edit2, new QLabel("мс", this));
  AddRow(grid, 5, "Количество преамбул\nв запросе (0...255)", Edit3);
  AddRow(grid, 6, "Пауза после\nустановки RTS (2...1000)", Edit4, new QLabel("мс", this));
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(6);
  grid->setColumnStretch(2, 1);

  BitBtn2 = MakeButton(this, "BitBtn2", "Отменить", QStyle::SP_DialogCancelButton);
  BitBtn4 = MakeButton(this, "BitBtn4", "Определение скорости обмена", QStyle::SP_BrowserReload);
  BitBtn1 = MakeButton(this, "BitBtn1", "Связаться", QStyle::SP_DialogOkButton);
  BitBtn1->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn2);
  buttons->addStretch();
  buttons->addWidget(BitBtn4);
  buttons->addWidget(BitBtn1);

  StatusBar1 = MakeNamed<QStatusBar>("StatusBar1", this);
  StatusBar1->setSizeGripEnabled(false);
  // Kept visible while empty, so the dialog does not jump when the search starts.
  StatusBar1->setMinimumHeight(StatusBar1->fontMetrics().height() + 8);

  auto* content = new QVBoxLayout;
  content->setContentsMargins(12, 12, 12, 8);
  content->addLayout(grid);
  content->addSpacing(8);
  content->addWidget(PortReasonLabel);
  content->addSpacing(6);
  content->addLayout(buttons);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addLayout(content);
  outer->addWidget(StatusBar1);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  connect(BitBtn1, &QPushButton::clicked, this, &TFormConnPar::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFormConnPar::BitBtn2Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TFormConnPar::BitBtn4Click);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TFormConnPar::ShowPortPath);
}

void TFormConnPar::FormCreate() {
  connectRequested_ = false;
  ComboBox2->clear();
  ComboBox2->addItems(SpeedItems());
}

void TFormConnPar::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    FormShow();
    // The ports' texts have just set the width: the size is settled before
    // QDialog places the dialog over its owner, so that it is centred as it
    // is rather than as it was, and kept on the screen.
    adjustSize();
  }
  QDialog::showEvent(event);
}

void TFormConnPar::FormShow() {
  const LinkEntry entry = EntryOfSettings(link_.settings);
  ReadPorts(entry.portNumber);
  ComboBox2->setCurrentIndex(entry.speedIndex);
  ComboBox3->setCurrentIndex(entry.attemptsIndex);
  SetFieldText(Edit1, entry.firstByteWait, 3);
  SetFieldText(Edit2, entry.followingBytesWait, 4);
  SetFieldText(Edit3, entry.preambleCount, 3);
  SetFieldText(Edit4, entry.rtsPause, 4);
  ComboBox1->setFocus();
}

// Read at every showing and every opening of the drop-down, so that an
// adapter plugged in meanwhile is there; `chosen` stays selected. The label
// is as wide as the widest port's text, so that it does not change the
// dialog's size when another port is chosen.
void TFormConnPar::ReadPorts(int chosen) {
  ports_ = OfferedPorts(chosen);
  const QFontMetrics metrics = PortPathLabel->fontMetrics();
  int widest = kPortTextMinWidth;
  int widestItem = 0;
  {
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->clear();
    for (const PortInfo& port : ports_) {
      const QString name = QString("COM%1").arg(port.number);
      const QString shown = QString::fromStdString(PortShownText(port));
      ComboBox1->addItem(name);
      const int item = ComboBox1->count() - 1;
      ComboBox1->setItemData(item, shown, kPortTextRole);
      ComboBox1->setItemData(item, shown, Qt::ToolTipRole);
      widest = std::max(widest, metrics.horizontalAdvance(shown) + 4);
      widestItem = std::max(widestItem, metrics.horizontalAdvance(name + kPortTextGap + shown));
    }
    ComboBox1->setCurrentIndex(PortListPosition(ports_, chosen));
  }
  PortPathLabel->setFixedWidth(std::min(widest, kPortTextMaxWidth));
  ComboBox1->view()->setMinimumWidth(std::min(widestItem, kPortTextMaxWidth) + 40);
  ShowPortPath();
}

int TFormConnPar::ChosenPort() const {
  const int index = ComboBox1->currentIndex();
  return index >= 0 && index < static_cast<int>(ports_.size()) ? ports_[static_cast<std::size_t>(index)].number : 0;
}

void TFormConnPar::ShowPortPath() {
  const int index = ComboBox1->currentIndex();
  const bool known = index >= 0 && index < static_cast<int>(ports_.size());
  const QString shown =
      known ? QString::fromStdString(PortShownText(ports_[static_cast<std::size_t>(index)])) : QString();
  PortPathLabel->setToolTip(shown);
  PortPathLabel->setText(PortPathLabel->fontMetrics().elidedText(shown, Qt::ElideMiddle, PortPathLabel->width()));
}

void TFormConnPar::ShowPortReason(const QString& reason) {
  PortReasonLabel->setText(reason);
  PortReasonLabel->setVisible(!reason.isEmpty());
}

LinkEntry TFormConnPar::CurrentEntry() const {
  LinkEntry entry;
  entry.portNumber = ChosenPort();
  entry.speedIndex = ComboBox2->currentIndex();
  entry.attemptsIndex = ComboBox3->currentIndex();
  entry.firstByteWait = Edit1->text().toStdString();
  entry.followingBytesWait = Edit2->text().toStdString();
  entry.preambleCount = Edit3->text().toStdString();
  entry.rtsPause = Edit4->text().toStdString();
  return entry;
}

bool TFormConnPar::ApplyLinkParameters() {
  const LinkEntry entry = CurrentEntry();
  if (!IsEntryComplete(entry)) {
    ShowMessage(MessageKind::InputError, "Введены не все параметры", QString(), this);
    return false;
  }
  SetStatus(QString());
  const LinkEntryCheck check = CheckLinkEntry(entry, link_.settings);
  if (check.failed != LinkEntryField::None) {
    ShowMessage(MessageKind::InputError, QString::fromUtf8(LinkEntryFieldName(check.failed)),
                "Параметр вне допустимого диапазона", this);
    return false;
  }
  // From here on the new values stay, whether or not the port opens.
  link_.settings = check.settings;
  return EstablishLink();
}

bool TFormConnPar::EstablishLink() {
  if (link_.IsOpen()) {
    link_.Close();
    WaitMs(kReopenPauseMs);
  }
  // The device the dialog showed for the port, not a fresh look: what the
  // user saw is what is opened.
  const int number = link_.settings.portNumber;
  const int shown = PortListPosition(ports_, number);
  const PortInfo port = shown >= 0 ? ports_[static_cast<std::size_t>(shown)] : DiscoverPort(number);
  ShowPortReason(QString());
  // A line of INI/comports with a mode not known opens nothing: the user
  // meant some mode, and guessing one could leave the line silent.
  if (!port.entryProblem.empty() || !link_.Open(port.devicePath, port.rts)) {
    const std::string reason = port.entryProblem.empty() ? PortOpenFailureReason(port.devicePath) : port.entryProblem;
    ShowPortReason(QString::fromStdString(reason));
    ShowMessage(MessageKind::Error, QString("Коммуникационный порт COM%1 недоступен").arg(link_.settings.portNumber),
                QString(), this);
    return false;
  }
  return true;
}

void TFormConnPar::BitBtn1Click() {
  if (!ApplyLinkParameters()) return;
  connectRequested_ = true;
  accept();
}

void TFormConnPar::BitBtn2Click() { reject(); }

// Closing is refused while the search runs: its windows messages are
// processed between tries, and the dialog must not vanish under it.
void TFormConnPar::reject() {
  if (!searching_) QDialog::reject();
}

void TFormConnPar::closeEvent(QCloseEvent* event) {
  if (searching_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TFormConnPar::BitBtn4Click() {
  SetStatus(QString());
  if (!ApplyLinkParameters()) return;
  // Known before the search: the port just opened decides whether it can run.
  const QStringList failure = SearchFailureLines(link_.context);
  ReportSearchResult(RunSpeedSearch(), failure);
}

// Ends the whole busy state (port closed, buttons enabled, status line
// cleared) before the result is shown: acknowledging the message then
// returns straight to a dialog that is painted and ready, with nothing
// slow, such as closing the port, still to come.
int32_t TFormConnPar::RunSpeedSearch() {
  SetButtonsEnabled(false);
  searching_ = true;
  int32_t found = 0;
  {
    BusyCursor cursor;
    found = SearchExchangeSpeed(link_.context,
                                [this](int32_t speed) { SetStatus(QString("Скорость обмена:  %1").arg(speed)); });
  }
  if (found != 0) link_.settings.exchangeSpeed = found;
  link_.Close();
  searching_ = false;
  SetButtonsEnabled(true);
  SetStatus(QString());
  return found;
}

void TFormConnPar::ReportSearchResult(int32_t foundSpeed, const QStringList& failure) {
  if (foundSpeed == 0) {
    ShowMessage(MessageKind::ExchangeResult, failure.value(0), failure.value(1), this);
    return;
  }
  ShowMessage(MessageKind::ExchangeResult, "Получен ответ на запрос",
              QString("при скорости обмена - %1 бит/с").arg(foundSpeed), this);
  ComboBox2->setCurrentIndex(IndexOfSpeed(foundSpeed));
}

// Lets pending window messages through so that the text is shown at once,
// before the blocking work that follows.
void TFormConnPar::SetStatus(const QString& text) {
  if (text.isEmpty()) {
    StatusBar1->clearMessage();
  } else {
    StatusBar1->showMessage(text);
  }
  QCoreApplication::processEvents();
}

void TFormConnPar::SetButtonsEnabled(bool enabled) {
  for (QPushButton* button : {BitBtn1, BitBtn2, BitBtn4}) button->setEnabled(enabled);
}

}  // namespace vkt53
