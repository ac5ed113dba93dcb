#include "dialogs/ui/ident.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "widgets/widgets.h"

namespace vkt53 {

namespace {

// Wide enough for the longest value the boxes can show, in the font in use.
int ValueBoxWidth(const QFontMetrics& metrics) {
  int widest = 0;
  for (const char* text : {"Разрушенных таблиц нет", "3 (Чтение и запись)", "Мл. адрес - ст. байт",
                           "255.255.255", "**.**.**  **:**:**"}) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(text)));
  }
  return widest + 24;
}

}  // namespace

TFormIdent::TFormIdent(std::span<const uint8_t, kIdentificationSize> identification, QWidget* parent)
    : QDialog(parent), identification_(identification) {
  setObjectName("TFormIdent");
  setWindowTitle(QStringLiteral("Параметры идентификации контроллера"));
  SetTitleBar(this, TitleButtons::Close);

  BitBtn2 = MakeNamed<QPushButton>("BitBtn2", QStringLiteral("Выход"), this);
  BitBtn2->setMinimumWidth(90);
  connect(BitBtn2, &QPushButton::clicked, this, &TFormIdent::BitBtn2Click);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 14, 14, 12);
  layout->setSpacing(14);
  layout->addLayout(BuildRows());
  layout->addWidget(BitBtn2, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QGridLayout* TFormIdent::BuildRows() {
  auto* rows = new QGridLayout;
  rows->setHorizontalSpacing(12);
  const int boxWidth = ValueBoxWidth(fontMetrics());
  for (std::size_t row = 0; row < kIdentificationRowCount; ++row) {
    const QString number = QString::number(row + 1);
    auto* label = MakeNamed<QLabel>("Label" + number, QString::fromUtf8(IdentificationRowCaption(row)), this);
    auto* box = MakeNamed<QLineEdit>("Edit" + number, this);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFixedWidth(boxWidth);
    rows->addWidget(label, static_cast<int>(row), 0);
    rows->addWidget(box, static_cast<int>(row), 1, Qt::AlignVCenter);
    valueBoxes_[row] = box;
  }
  return rows;
}

void TFormIdent::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

// Refills every box on each showing, the colour too, so that a window shown
// again after the record changed never keeps an earlier reading.
void TFormIdent::FormShow() {
  const IdentificationTexts texts = IdentificationRows(identification_);
  for (std::size_t row = 0; row < kIdentificationRowCount; ++row) {
    valueBoxes_[row]->setText(QString::fromStdString(texts[row]));
    valueBoxes_[row]->setCursorPosition(0);
    SetTextColour(valueBoxes_[row], Qt::black);
  }
  if (ReportsCorruptedTable(identification_)) SetTextColour(valueBoxes_[kCorruptedTableRow], Qt::red);
  BitBtn2->setFocus();
}

void TFormIdent::BitBtn2Click() { close(); }

}  // namespace vkt53
