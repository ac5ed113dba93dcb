#include "dialogs/ui/tableinfo.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "widgets/widgets.h"

namespace vkt53 {

namespace {

constexpr int kNameColumn = 0;
constexpr int kCorruptedColumn = 1;
constexpr int kWriteColumn = 2;
constexpr int kCorruptedCellWidth = 56;
constexpr int kCellHeight = 24;

QLabel* MakeCell(QWidget* parent, const QString& name, int width, Qt::Alignment alignment) {
  auto* cell = MakeNamed<QLabel>(name, parent);
  cell->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  cell->setFixedSize(width, kCellHeight);
  cell->setAlignment(alignment | Qt::AlignVCenter);
  return cell;
}

// Wide enough for the longest name any table could show, in the font in use.
int NameCellWidth(const QFontMetrics& metrics) {
  int widest = 0;
  for (int t = 0; t < kTableCount; ++t) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(TableRowName(t))));
  }
  return widest + 16;
}

}  // namespace

TFormTableInfo::TFormTableInfo(TableStatusBlock& block, uint8_t tableWriteLock, QWidget* parent)
    : QDialog(parent), block_(block), writeLocked_(tableWriteLock != 0) {
  setObjectName("TFormTableInfo");
  setWindowTitle(QStringLiteral("Состояние таблиц параметров конфигурации"));
  SetTitleBar(this, TitleButtons::Close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->setSpacing(14);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addLayout(BuildRows());
  layout->addLayout(BuildButtons());
}

QGridLayout* TFormTableInfo::BuildRows() {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  grid->addWidget(MakeCentredLabel(this, "Label1", QStringLiteral("Наименование таблицы")), 0, kNameColumn);
  grid->addWidget(MakeCentredLabel(this, "Label2", QStringLiteral("Разру-\nшена")), 0, kCorruptedColumn);
  grid->addWidget(MakeCentredLabel(this, "Label3", QStringLiteral("Записать\nтаблицу")), 0, kWriteColumn);
  const int nameWidth = NameCellWidth(fontMetrics());
  for (int i = 0; i < kTableRowSlots; ++i) {
    const QString number = QString::number(i + 1);
    RowSlot& slot = slots_[i];
    slot.name = MakeCell(this, "pn" + number, nameWidth, Qt::AlignLeft);
    slot.corrupted = MakeCell(this, "pw" + number, kCorruptedCellWidth, Qt::AlignHCenter);
    slot.write = MakeNamed<QCheckBox>("cb" + number, this);
    grid->addWidget(slot.name, i + 1, kNameColumn);
    grid->addWidget(slot.corrupted, i + 1, kCorruptedColumn);
    grid->addWidget(slot.write, i + 1, kWriteColumn, Qt::AlignCenter);
  }
  return grid;
}

QHBoxLayout* TFormTableInfo::BuildButtons() {
  // Enter presses the button that has the focus.
  auto makeButton = [this](const char* name, const char* text) {
    auto* button = MakeNamed<QPushButton>(name, QString::fromUtf8(text), this);
    button->setMinimumHeight(28);
    return button;
  };
  BitBtn2 = makeButton("BitBtn2", "Выход");
  BitBtn1 = makeButton("BitBtn1", "Записать все таблицы");
  BitBtn3 = makeButton("BitBtn3", "Записать избранные таблицы");
  connect(BitBtn1, &QPushButton::clicked, this, &TFormTableInfo::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFormTableInfo::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TFormTableInfo::BitBtn3Click);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(12);
  buttons->addWidget(BitBtn2);
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn3);
  return buttons;
}

void TFormTableInfo::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

// Every slot is set afresh, so a second showing starts from the block again.
void TFormTableInfo::FormShow() {
  choice_ = kWriteNothing;
  rows_ = TableRows(block_, writeLocked_);
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    ClearSlot(slots_[i]);
    if (i < rows_.size()) FillSlot(slots_[i], rows_[i]);
  }
  BitBtn1->setEnabled(!writeLocked_);
  BitBtn3->setEnabled(!writeLocked_);
  BitBtn2->setFocus();
}

void TFormTableInfo::ClearSlot(RowSlot& slot) {
  slot.name->clear();
  slot.corrupted->clear();
  SetTextColour(slot.corrupted, palette().color(QPalette::WindowText));
  slot.write->setChecked(false);
  slot.write->setEnabled(true);
  slot.write->hide();
}

void TFormTableInfo::FillSlot(RowSlot& slot, const TableRow& row) {
  slot.name->setText(QString::fromStdString(row.name));
  slot.corrupted->setText(row.corrupted ? QStringLiteral("Да") : QStringLiteral("Нет"));
  if (row.corrupted) SetTextColour(slot.corrupted, Qt::red);
  slot.write->setChecked(row.ticked);
  slot.write->setEnabled(row.tickable);
  slot.write->show();
}

void TFormTableInfo::BitBtn1Click() {
  if (writeLocked_) return;
  SelectAllOffered(block_);
  Finish(kWriteAll);
}

void TFormTableInfo::BitBtn2Click() { Finish(kWriteNothing); }

void TFormTableInfo::BitBtn3Click() {
  if (writeLocked_) return;
  std::array<bool, kTableRowSlots> ticked{};
  for (std::size_t i = 0; i < slots_.size(); ++i) ticked[i] = slots_[i].write->isChecked();
  SelectTicked(block_, rows_, ticked);
  Finish(kWriteSelected);
}

void TFormTableInfo::Finish(TableWriteChoice choice) {
  choice_ = choice;
  done(choice);
}

}  // namespace vkt53
