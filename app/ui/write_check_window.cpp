#include "app/ui/write_check_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "widgets/widgets.h"
#include "config/config_tables.h"

namespace vkt53 {

namespace {

constexpr int kButtonWidth = 75;
constexpr int kVisibleRows = 12;

}  // namespace

TFormWriteCheck::TFormWriteCheck(const std::vector<FieldDifference>& differences, const std::string& backupFileName,
                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName("TFormWriteCheck");
  setWindowTitle("Проверка записи в устройство");
  SetTitleBar(this, TitleButtons::Close);

  HeaderLabel = MakeNamed<QLabel>("HeaderLabel",
                                  QString("Прочитанные из устройства значения отличаются от записанных "
                                          "(полей: %1):")
                                      .arg(differences.size()),
                                  this);

  DifferenceTable = MakeNamed<QTableWidget>("DifferenceTable", static_cast<int>(differences.size()), 4, this);
  DifferenceTable->setHorizontalHeaderLabels({"Таблица", "Поле", "Записано", "Прочитано"});
  DifferenceTable->verticalHeader()->hide();
  DifferenceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DifferenceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  DifferenceTable->setWordWrap(false);
  for (int row = 0; row < static_cast<int>(differences.size()); ++row) {
    const FieldDifference& d = differences[static_cast<std::size_t>(row)];
    const QString texts[] = {QString("%1 \"%2\"").arg(d.table).arg(Q(TableName(d.table))),
                             QString("%1 (%2)").arg(d.field).arg(Q(d.fieldName)), Q(d.expected), Q(d.found)};
    for (int column = 0; column < 4; ++column) {
      DifferenceTable->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
  }
  DifferenceTable->resizeColumnsToContents();
  DifferenceTable->horizontalHeader()->setStretchLastSection(true);
  const int rows = std::min(kVisibleRows, std::max(1, DifferenceTable->rowCount()));
  int width = DifferenceTable->frameWidth() * 2 + 24;
  for (int column = 0; column < 4; ++column) width += DifferenceTable->columnWidth(column);
  DifferenceTable->setMinimumSize(std::min(width, 1100),
                                  DifferenceTable->horizontalHeader()->height() +
                                      rows * DifferenceTable->verticalHeader()->defaultSectionSize() +
                                      DifferenceTable->frameWidth() * 2 + 4);

  QuestionLabel = MakeNamed<QLabel>("QuestionLabel",
                                    QString("Записать в устройство резервную копию %1?").arg(Q(backupFileName)), this);

  YesButton = MakeButton(this, "YesButton", "Да");
  NoButton = MakeButton(this, "NoButton", "Нет");
  YesButton->setFixedWidth(kButtonWidth);
  NoButton->setFixedWidth(kButtonWidth);
  connect(YesButton, &QPushButton::clicked, this, [this] {
    answer_ = true;
    accept();
  });
  connect(NoButton, &QPushButton::clicked, this, [this] {
    answer_ = false;
    reject();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(YesButton);
  buttons->addSpacing(kButtonWidth / 2);
  buttons->addWidget(NoButton);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(HeaderLabel);
  layout->addWidget(DifferenceTable);
  layout->addWidget(QuestionLabel);
  layout->addLayout(buttons);
  // "Нет" is the safe answer: it has the focus, and Esc gives it too.
  NoButton->setFocus();
  adjustSize();
  CentreOnScreen(this);
}

}  // namespace vkt53
