#include "config/ui/config_editor.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "widgets/qt_config_file_ui.h"
#include "widgets/question.h"
#include "widgets/widgets.h"
#include "app/config_file_flows.h"
#include "config/modem_string.h"
#include "config/unit_row.h"
#include "dialogs/ui/vichpar.h"

namespace vkt53 {

namespace {

constexpr int kByteFieldLength = 3;
constexpr int kUnitRowCount = kLastUnitAddress - kFirstUnitAddress + 1;
constexpr int kColumnWidths[kUnitRowColumns] = {80, 110, 80, 130};

void ShowList(QComboBox* list, const SpeedListContent& content) {
  list->clear();
  for (const std::string& item : content.items) list->addItem(QString::fromStdString(item));
  list->setCurrentIndex(content.selectedItem.value_or(-1));
}

// A stored value the list has no item for leaves it without a selection.
void SelectStoredItem(QComboBox* list, uint8_t stored) {
  list->setCurrentIndex(stored < list->count() ? stored : -1);
}

std::optional<int> SelectedItem(const QComboBox* list) {
  if (list->currentIndex() < 0) return std::nullopt;
  return list->currentIndex();
}

}  // namespace

QColor ConfigEditorForm::PanelColour() { return QColor(210, 210, 210); }

ConfigEditorForm::ConfigEditorForm(ConfigImage& image, ConfigRecord& record, const char* className,
                                   QWidget* parent)
    : QDialog(parent), image_(image), record_(record) {
  setObjectName(className);
  setWindowTitle(QStringLiteral("Параметры конфигурации КОРДИНа"));
  setModal(true);
  setAutoFillBackground(true);
  SetPanelColour(PanelColour());

  auto* left = new QVBoxLayout;
  left->addWidget(BuildLinkGroup());
  left->addWidget(BuildModemGroup());
  left->addStretch();
  auto* panes = new QHBoxLayout;
  panes->addLayout(left);
  panes->addWidget(BuildUnitList());

  BitBtn14 = MakeButton(this, "BitBtn14", QStringLiteral("Записать в устройство"));
  BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Выход"));
  acceptRow_ = new QHBoxLayout;
  acceptRow_->addWidget(BitBtn14);
  acceptRow_->addStretch();
  acceptRow_->addWidget(BitBtn2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(panes);
  layout->addLayout(acceptRow_);

  connect(BitBtn14, &QPushButton::clicked, this, &ConfigEditorForm::BitBtn14Click);
  connect(BitBtn2, &QPushButton::clicked, this, &ConfigEditorForm::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &ConfigEditorForm::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &ConfigEditorForm::BitBtn4Click);
  connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &ConfigEditorForm::StringGrid1DblClick);
}

QComboBox* ConfigEditorForm::MakeLinkList(const char* name, const QStringList& items) {
  QComboBox* list = MakeList(this, name, items);
  list->setMinimumWidth(130);
  return list;
}

QLineEdit* ConfigEditorForm::MakeByteEdit(const char* name) {
  QLineEdit* edit = MakeIntEdit(this, name, kByteFieldLength);
  edit->setFixedWidth(60);
  return edit;
}

QWidget* ConfigEditorForm::BuildLinkGroup() {
  auto* group = MakeNamed<QGroupBox>("GroupBox1", QStringLiteral(" Параметры связи "), this);
  ComboBox1 = MakeLinkList("ComboBox1", {});
  Edit2 = MakeByteEdit("Edit2");
  Edit3 = MakeByteEdit("Edit3");
  Edit4 = MakeByteEdit("Edit4");
  ComboBox3 = MakeLinkList("ComboBox3", {QStringLiteral(" Не ожидать"), QStringLiteral(" Ожидать")});
  ComboBox2 = MakeLinkList("ComboBox2", {QStringLiteral(" Высокий"), QStringLiteral(" Низкий")});
  ComboBox4 = MakeLinkList("ComboBox4", {QStringLiteral(" Меньшая"), QStringLiteral(" Большая")});

  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(10);
  int row = 0;
  auto addRow = [&](const QString& text, QWidget* control, const QString& unit = QString()) {
    grid->addWidget(new QLabel(text, group), row, 0);
    grid->addWidget(control, row, 1, Qt::AlignLeft);
    if (!unit.isEmpty()) grid->addWidget(new QLabel(unit, group), row, 2);
    ++row;
  };
  addRow(QStringLiteral("Скорость обмена с ВУ"), ComboBox1);
  addRow(QStringLiteral("Количество преамбул\nпри ответе ВУ (0...255)"), Edit2);
  addRow(QStringLiteral("Количество преамбул\nв запросе к вычислителю (0...255)"), Edit3);
  addRow(QStringLiteral("Длительность ожидания ответа\nот вычислителя (0...255)"), Edit4,
         QStringLiteral("* 20 мс + 1000 мс"));
  addRow(QStringLiteral("Преамбулы от вычислителя"), ComboBox3);
  addRow(QStringLiteral("Приоритет"), ComboBox2);
  addRow(QStringLiteral("Индекс задержки перед повторной\nпопыткой занять порт"), ComboBox4);
  grid->setColumnStretch(3, 1);
  return group;
}

QWidget* ConfigEditorForm::BuildModemGroup() {
  auto* group = MakeNamed<QGroupBox>("GroupBox2", QStringLiteral(" Строка инициализации модема "), this);
  Edit1 = MakeNamed<QLineEdit>("Edit1", group);
  Edit1->setMaxLength(static_cast<int>(kModemTextMaxCharacters));
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(Edit1);
  return group;
}

QWidget* ConfigEditorForm::BuildUnitList() {
  auto* pane = new QWidget(this);
  auto* header = new QLabel(QStringLiteral(" Параметры связи  с отдельным вычислителем"), pane);
  auto* heads = new QHBoxLayout;
  heads->setSpacing(0);
  const QString headTexts[kUnitRowColumns] = {QStringLiteral("Адрес"), QStringLiteral("Подключение"),
                                              QStringLiteral("Порт"),
                                              QStringLiteral("Скорость обмена\n( бит/с )")};
  for (int column = 0; column < kUnitRowColumns; ++column) {
    auto* head = new QLabel(headTexts[column], pane);
    head->setAlignment(Qt::AlignCenter);
    head->setFixedWidth(kColumnWidths[column]);
    heads->addWidget(head);
  }
  heads->addStretch();

  StringGrid1 = MakeNamed<QTableWidget>("StringGrid1", kUnitRowCount, kUnitRowColumns, pane);
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setDefaultSectionSize(22);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  int gridWidth = 2 * StringGrid1->frameWidth() + StringGrid1->verticalScrollBar()->sizeHint().width();
  for (int column = 0; column < kUnitRowColumns; ++column) {
    StringGrid1->setColumnWidth(column, kColumnWidths[column]);
    gridWidth += kColumnWidths[column];
  }
  StringGrid1->setFixedWidth(gridWidth);
  StringGrid1->setMinimumHeight(300);

  BitBtn3 = MakeButton(pane, "BitBtn3", QStringLiteral("Изменить"));
  BitBtn4 = MakeButton(pane, "BitBtn4", QStringLiteral("Отключить все вычислители"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn3);
  buttons->addWidget(BitBtn4);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(header);
  layout->addLayout(heads);
  layout->addWidget(StringGrid1, 1);
  layout->addLayout(buttons);
  return pane;
}

QPushButton* ConfigEditorForm::AddAcceptRowButton(const char* name, const QString& text) {
  QPushButton* button = MakeButton(this, name, text);
  acceptRow_->insertWidget(acceptRow_->indexOf(BitBtn14) + 1, button);
  return button;
}

void ConfigEditorForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void ConfigEditorForm::FormShow() {
  PrepareShow();
  ShowList(ComboBox1, MasterSpeeds());
  Edit1->setText(QString::fromStdString(ModemTextOfImage(image_)));
  Edit2->setText(QString::number(image_.bytes[kAnswerPreambleCountField]));
  Edit3->setText(QString::number(image_.bytes[kRequestPreambleCountField]));
  Edit4->setText(QString::number(image_.bytes[kUnitAnswerWaitField]));
  SelectStoredItem(ComboBox2, image_.bytes[kPriorityField]);
  SelectStoredItem(ComboBox3, image_.bytes[kWaitUnitPreamblesField]);
  SelectStoredItem(ComboBox4, image_.bytes[kRetryDelayIndexField]);
  for (int address = kFirstUnitAddress; address <= kLastUnitAddress; ++address) ShowUnitRow(address);
  StringGrid1->setCurrentCell(0, 0);
}

void ConfigEditorForm::ShowUnitRow(int address) {
  const auto texts = UnitRowTexts(address, GetUnitEntry(image_, address));
  const int row = address - kFirstUnitAddress;
  for (int column = 0; column < kUnitRowColumns; ++column) {
    QTableWidgetItem* cell = StringGrid1->item(row, column);
    if (!cell) {
      cell = new QTableWidgetItem;
      StringGrid1->setItem(row, column, cell);
    }
    cell->setText(QString::fromStdString(texts[column]));
  }
}

LinkInputs ConfigEditorForm::ReadInputs() const {
  LinkInputs inputs;
  if (ComboBox1->currentIndex() >= 0) inputs.masterSpeedItem = ComboBox1->currentText().toStdString();
  inputs.priorityItem = SelectedItem(ComboBox2);
  inputs.waitUnitPreamblesItem = SelectedItem(ComboBox3);
  inputs.retryDelayItem = SelectedItem(ComboBox4);
  inputs.answerPreambles = Edit2->text().toStdString();
  inputs.requestPreambles = Edit3->text().toStdString();
  inputs.unitAnswerWait = Edit4->text().toStdString();
  inputs.modemText = Edit1->text().toStdString();
  return inputs;
}

bool ConfigEditorForm::StoreControls() {
  const LinkInputVerdict verdict = StoreLinkInputs(ReadInputs(), image_);
  if (verdict == LinkInputVerdict::Stored) return true;
  const InputErrorLines lines = InputErrorOf(verdict);
  ShowMessage(MessageKind::InputError, QString::fromUtf8(lines.line1), QString::fromUtf8(lines.line2), this);
  return false;
}

void ConfigEditorForm::BitBtn14Click() {
  if (!StoreControls()) return;
  FinishAcceptance();
  accept();
}

void ConfigEditorForm::BitBtn2Click() { reject(); }

void ConfigEditorForm::BitBtn3Click() { OpenUnitDialog(); }

void ConfigEditorForm::StringGrid1DblClick() { OpenUnitDialog(); }

void ConfigEditorForm::OpenUnitDialog() {
  const int row = StringGrid1->currentRow();
  if (row < 0) return;
  const int address = row + kFirstUnitAddress;
  UnitEntry entry = GetUnitEntry(image_, address);
  SetPanelColour(QApplication::palette().color(QPalette::Button));
  {
    TFormVichPar dialog(entry, address, record_.UnitSpeedMask(), this);
    dialog.exec();
  }
  SetPanelColour(PanelColour());
  SetUnitEntry(image_, address, entry);
  ShowUnitRow(address);
}

void ConfigEditorForm::BitBtn4Click() {
  SetPanelColour(QApplication::palette().color(QPalette::Button));
  const bool confirmed = ShowMessage(MessageKind::Question, QStringLiteral("Вы действительно хотите удалить"),
                                    QStringLiteral("все вычислители из списка подключенных?"), this);
  SetPanelColour(PanelColour());
  if (!confirmed) return;
  for (int address = kFirstUnitAddress; address <= kLastUnitAddress; ++address) {
    UnitEntry entry = GetUnitEntry(image_, address);
    entry.connected = 0;
    SetUnitEntry(image_, address, entry);
    ShowUnitRow(address);
  }
}

void ConfigEditorForm::SetPanelColour(const QColor& colour) {
  QPalette panel = palette();
  panel.setColor(QPalette::Window, colour);
  setPalette(panel);
}

TFormRealConfig::TFormRealConfig(ConfigImage& image, ConfigRecord& record, std::string configFolder,
                                 QWidget* parent)
    : ConfigEditorForm(image, record, "TFormRealConfig", parent), configFolder_(std::move(configFolder)) {
  BitBtn1 = AddAcceptRowButton("BitBtn1", QStringLiteral("Сохранить в файле"));
  connect(BitBtn1, &QPushButton::clicked, this, &TFormRealConfig::BitBtn1Click);
}

SpeedListContent TFormRealConfig::MasterSpeeds() {
  return FillSpeedList(record_.MasterSpeedMask(), image_.bytes[kMasterSpeedIndexField]);
}

void TFormRealConfig::FinishAcceptance() { writeRequested_ = true; }

void TFormRealConfig::BitBtn1Click() {
  // The file holds what the window shows. The write still compares the image
  // with the record as read, so storing the controls here changes nothing it
  // would send.
  if (!StoreControls()) return;
  QtConfigFileUi files(this, SaveDialog1);
  SaveImageToFile(files, configFolder_, image_);
}

TFormConfig::TFormConfig(ConfigImage& image, ConfigRecord& record, QWidget* parent)
    : ConfigEditorForm(image, record, "TFormConfig", parent) {
  BitBtn5 = AddAcceptRowButton("BitBtn5", QStringLiteral("Принять"));
  connect(BitBtn5, &QPushButton::clicked, this, &TFormConfig::BitBtn14Click);
}

void TFormConfig::PrepareShow() {
  workingCopy_ = image_;
  BitBtn14->setVisible(deviceMode_);
  BitBtn5->setVisible(!deviceMode_);
}

SpeedListContent TFormConfig::MasterSpeeds() {
  const int stored = image_.bytes[kMasterSpeedIndexField];
  if (deviceMode_) return FillSpeedList(record_.MasterSpeedMask(), stored);
  record_.SetAllSpeedsAvailable();
  return FillAllSpeedsList(stored);
}

void TFormConfig::FinishAcceptance() {
  changed_ = image_ != workingCopy_;
  accepted_ = true;
}

}  // namespace vkt53
