#include "dialogs/ui/vichpar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/ui/common/question.h"
#include "config/speed_list.h"

namespace {

QLabel* MakeLabel(QWidget* owner, const char* name, const QString& text) {
  auto* label = new QLabel(text, owner);
  label->setObjectName(name);
  return label;
}

QComboBox* MakeList(QWidget* owner, const char* name) {
  auto* list = new QComboBox(owner);
  list->setObjectName(name);
  list->setEditable(false);
  list->setMinimumWidth(120);
  return list;
}

QPushButton* MakeButton(QWidget* owner, const char* name, const QString& text) {
  auto* button = new QPushButton(text, owner);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFormVichPar::TFormVichPar(UnitEntry& entry, int address, uint32_t unitSpeedMask, QWidget* parent)
    : QDialog(parent), entry_(entry), copy_(entry), address_(address), unitSpeedMask_(unitSpeedMask) {
  setObjectName("TFormVichPar");
  setWindowTitle(QStringLiteral("Параметры связи с вычислителем"));
  setModal(true);

  Label2 = MakeLabel(this, "Label2", QStringLiteral("Адрес"));
  Label3 = MakeLabel(this, "Label3", QString());
  CheckBox1 = new QCheckBox(QStringLiteral("Подключение"), this);
  CheckBox1->setObjectName("CheckBox1");
  Label1 = MakeLabel(this, "Label1", QStringLiteral("Порт подключения"));
  ComboBox1 = MakeList(this, "ComboBox1");
  ComboBox1->addItems({QStringLiteral("  A"), QStringLiteral("  B"), QStringLiteral("  C")});
  Label4 = MakeLabel(this, "Label4", QStringLiteral("Скорость обмена"));
  ComboBox2 = MakeList(this, "ComboBox2");
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
  ComboBox2->blockSignals(true);
  ComboBox2->clear();
  for (const std::string& item : speeds.items) ComboBox2->addItem(QString::fromStdString(item));
  ComboBox2->setCurrentIndex(-1);
  ComboBox2->blockSignals(false);
  speedToSelect_ = speeds.selectedItem;
  Label3->setText(QString::number(address_));
  CheckBox1->setChecked(copy_.connected != 0);
  ApplyConnectedState();
}

void TFormVichPar::CheckBox1Click() { ApplyConnectedState(); }

// Unticking keeps the copy's port and speed, so that ticking again shows them
// and "Принять" stores them beside the cleared flag.
void TFormVichPar::ApplyConnectedState() {
  const bool connected = CheckBox1->isChecked();
  copy_.connected = connected ? 1 : 0;
  for (QWidget* control : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(ComboBox1),
                           static_cast<QWidget*>(Label4), static_cast<QWidget*>(ComboBox2)}) {
    control->setEnabled(connected);
  }
  const UnitEntry kept = copy_;
  const bool portListed = kept.portCode >= kPortA && kept.portCode <= kPortC;
  ComboBox1->setCurrentIndex(connected && portListed ? kept.portCode - 1 : -1);
  ComboBox2->setCurrentIndex(connected && speedToSelect_ ? *speedToSelect_ : -1);
  copy_ = kept;
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
    MessageBox(MessageKind::InputError, QStringLiteral("Введены не все параметры"), QString(), this);
    return;
  }
  entry_ = copy_;
  accept();
}

void TFormVichPar::BitBtn2Click() { reject(); }
