#include "dialogs/ui/vichpar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "widgets/question.h"
#include "widgets/widgets.h"
#include "config/speed_list.h"

namespace vkt53 {

namespace {

QComboBox* MakeUnitList(QWidget* owner, const char* name, const QStringList& items = {}) {
  QComboBox* list = MakeList(owner, name, items);
  list->setMinimumWidth(120);
  return list;
}

}  // namespace

TFormVichPar::TFormVichPar(UnitEntry& entry, int address, uint32_t unitSpeedMask, QWidget* parent)
    : QDialog(parent), entry_(entry), copy_(entry), address_(address), unitSpeedMask_(unitSpeedMask) {
  setObjectName("TFormVichPar");
  setWindowTitle(QStringLiteral("Параметры связи с вычислителем"));
  SetTitleBar(this, TitleButtons::Close);
  setModal(true);
  setMinimumWidth(CaptionWidth(windowTitle()));

  Label2 = MakeNamed<QLabel>("Label2", QStringLiteral("Адрес"), this);
  Label3 = MakeNamed<QLabel>("Label3", this);
  CheckBox1 = MakeNamed<QCheckBox>("CheckBox1", QStringLiteral("Подключение"), this);
  Label1 = MakeNamed<QLabel>("Label1", QStringLiteral("Порт подключения"), this);
  ComboBox1 = MakeUnitList(this, "ComboBox1", {QStringLiteral("  A"), QStringLiteral("  B"), QStringLiteral("  C")});
  Label4 = MakeNamed<QLabel>("Label4", QStringLiteral("Скорость обмена"), this);
  ComboBox2 = MakeUnitList(this, "ComboBox2");
  BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("Принять"));
  BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Отменить"));

  auto* fields = new QGridLayout;
  fields->addWidget(Label2, 0, 0);
  fields->addWidget(Label3, 0, 1);
  fields->addWidget(CheckBox1, 1, 0, 1, 2);
  fields->addWidget(Label1, 2, 0);
  fields->addWidget(ComboBox1, 2, 1);
  fields->addWidget(Label4, 3, 0);
  fields->addWidget(ComboBox2, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addSpacing(8);
  layout->addLayout(buttons);

  connect(CheckBox1, &QCheckBox::clicked, this, &TFormVichPar::CheckBox1Click);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TFormVichPar::ComboBox1Click);
  connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TFormVichPar::ComboBox2Change);
  connect(BitBtn1, &QPushButton::clicked, this, &TFormVichPar::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFormVichPar::BitBtn2Click);
}

void TFormVichPar::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TFormVichPar::FormShow() {
  copy_ = entry_;
  const SpeedListContent speeds = FillSpeedList(unitSpeedMask_, copy_.speedIndex);
  {
    const QSignalBlocker quiet(ComboBox2);
    ComboBox2->clear();
    for (const std::string& item : speeds.items) ComboBox2->addItem(QString::fromStdString(item));
    ComboBox2->setCurrentIndex(-1);
  }
  speedToSelect_ = speeds.selectedItem;
  Label3->setText(QString::number(address_));
  CheckBox1->setChecked(copy_.connected != 0);
  ApplyConnectedState();
}

void TFormVichPar::CheckBox1Click() { ApplyConnectedState(); }

// Unticking keeps the copy's port and speed, so that ticking again shows them
// and "Принять" stores them beside the cleared flag: the lists change here
// without telling their handlers.
void TFormVichPar::ApplyConnectedState() {
  const bool connected = CheckBox1->isChecked();
  copy_.connected = connected ? 1 : 0;
  for (QWidget* control : std::initializer_list<QWidget*>{Label1, ComboBox1, Label4, ComboBox2}) {
    control->setEnabled(connected);
  }
  const QSignalBlocker quietPorts(ComboBox1);
  const QSignalBlocker quietSpeeds(ComboBox2);
  const bool portListed = copy_.portCode >= kPortA && copy_.portCode <= kPortC;
  ComboBox1->setCurrentIndex(connected && portListed ? copy_.portCode - 1 : -1);
  ComboBox2->setCurrentIndex(connected && speedToSelect_ ? *speedToSelect_ : -1);
}

void TFormVichPar::ComboBox1Click(int item) {
  if (item >= 0) copy_.portCode = static_cast<uint8_t>(item + 1);
}

void TFormVichPar::ComboBox2Change(int item) {
  if (item < 0) return;
  const int speedIndex = SpeedIndexOfItem(ComboBox2->itemText(item).toStdString());
  if (speedIndex < 0) return;
  copy_.speedIndex = static_cast<uint8_t>(speedIndex);
  speedToSelect_ = item;
}

void TFormVichPar::BitBtn1Click() {
  const bool complete = ComboBox1->currentIndex() >= 0 && ComboBox2->currentIndex() >= 0;
  if (copy_.connected != 0 && !complete) {
    ShowMessage(MessageKind::InputError, QStringLiteral("Введены не все параметры"), QString(), this);
    return;
  }
  entry_ = copy_;
  accept();
}

void TFormVichPar::BitBtn2Click() { reject(); }

}  // namespace vkt53
