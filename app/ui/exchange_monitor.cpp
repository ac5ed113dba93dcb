#include "app/ui/exchange_monitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "widgets/file_dialog.h"
#include "widgets/question.h"
#include "support/program_folder.h"
#include "link/exchange_recorder.h"

namespace vkt53 {

namespace {

QPushButton* MakeButton(QWidget* owner, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), owner);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Characters of a UTF-8 line (the bytes that do not continue a character).
int Characters(const std::string& line) {
  return static_cast<int>(
      std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

constexpr int kMargin = 4;  // pixels left of the text

// A label for a path: too narrow for its text, it leaves out the middle (the
// path's start and the file's name stay) rather than widen the window; the
// whole text is its tool tip.
class PathLabel : public QLabel {
 public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, static_cast<int>(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
  }
};

// The system's fixed font, so that the hex columns line up. A system that
// lacks it (wine has no "Courier New") hands out a proportional face in its
// place; then the first installed fixed-pitch family with Cyrillic, for the
// Russian descriptions, is taken. Vertical ("@") faces are for East Asian
// text set upright.
QFont FixedPitchFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (QFontInfo(font).fixedPitch()) return font;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Cyrillic)) {
    if (family.startsWith(u'@') || !QFontDatabase::isFixedPitch(family)) continue;
    QFont candidate = font;
    candidate.setFamilies({family});
    if (QFontInfo(candidate).fixedPitch()) return candidate;
  }
  return font;
}

}  // namespace

TMonitorLines::TMonitorLines(const ExchangeRecorder& recorder, QWidget* parent)
    : QAbstractScrollArea(parent), recorder_(recorder) {
  setFont(FixedPitchFont());
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), [this] { viewport()->update(); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), [this] { viewport()->update(); });
}

uint64_t TMonitorLines::FirstKept() const { return recorder_.Added() - recorder_.Size(); }
int TMonitorLines::RowCount() const { return static_cast<int>(recorder_.Size()); }
QString TMonitorLines::RowText(int row) const {
  return QString::fromStdString(recorder_.Line(static_cast<std::size_t>(row)));
}

QString TMonitorLines::Text() const { return QString::fromStdString(recorder_.Text()); }

QString TMonitorLines::SelectedText() const {
  QString text;
  for (int row = 0; row < RowCount(); ++row) {
    if (Selected(FirstKept() + static_cast<uint64_t>(row))) text += RowText(row) + '\n';
  }
  return text;
}

void TMonitorLines::SelectAll() {
  if (RowCount() == 0) return;
  anchor_ = static_cast<int64_t>(FirstKept());
  current_ = static_cast<int64_t>(recorder_.Added()) - 1;
  viewport()->update();
}

bool TMonitorLines::Selected(uint64_t line) const {
  if (anchor_ < 0) return false;
  const auto at = static_cast<int64_t>(line);
  return at >= std::min(anchor_, current_) && at <= std::max(anchor_, current_);
}

void TMonitorLines::Follow() {
  if (recorder_.Clears() != clears_) {
    clears_ = recorder_.Clears();
    widest_ = 0;
    anchor_ = current_ = -1;
  }
  for (uint64_t line = std::max(taken_, FirstKept()); line < recorder_.Added(); ++line) {
    widest_ = std::max(widest_, Characters(recorder_.Line(static_cast<std::size_t>(line - FirstKept()))));
  }
  taken_ = recorder_.Added();
  QScrollBar* bar = verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum();
  UpdateScrollBars();
  if (atBottom) bar->setValue(bar->maximum());
  viewport()->update();
}

int TMonitorLines::VisibleRows() const { return std::max(1, viewport()->height() / fontMetrics().height()); }

int TMonitorLines::VisibleColumns() const {
  return std::max(1, (viewport()->width() - kMargin) / std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0'))));
}

void TMonitorLines::UpdateScrollBars() {
  verticalScrollBar()->setRange(0, std::max(0, RowCount() - VisibleRows()));
  verticalScrollBar()->setPageStep(VisibleRows());
  horizontalScrollBar()->setRange(0, std::max(0, widest_ - VisibleColumns() + 1));
  horizontalScrollBar()->setPageStep(VisibleColumns());
}

void TMonitorLines::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  QScrollBar* bar = verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum();
  UpdateScrollBars();
  if (atBottom) bar->setValue(bar->maximum());
}

void TMonitorLines::paintEvent(QPaintEvent*) {
  lastPaint_ = std::chrono::steady_clock::now();
  QPainter painter(viewport());
  const QFontMetrics metrics = fontMetrics();
  const int height = metrics.height();
  const int first = verticalScrollBar()->value();
  const int columns = VisibleColumns() + 1;
  const int column = horizontalScrollBar()->value();
  const int last = std::min(RowCount(), first + VisibleRows() + 1);
  for (int row = first; row < last; ++row) {
    const int top = (row - first) * height;
    const bool selected = Selected(FirstKept() + static_cast<uint64_t>(row));
    if (selected) painter.fillRect(0, top, viewport()->width(), height, palette().highlight());
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(kMargin, top + metrics.ascent(), RowText(row).mid(column, columns));
  }
}

int TMonitorLines::RowAt(int y) const {
  const int row = verticalScrollBar()->value() + y / fontMetrics().height();
  return std::clamp(row, 0, std::max(0, RowCount() - 1));
}

void TMonitorLines::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || RowCount() == 0) return;
  const auto line = static_cast<int64_t>(FirstKept()) + RowAt(event->position().toPoint().y());
  if (!(event->modifiers() & Qt::ShiftModifier) || anchor_ < 0) anchor_ = line;
  current_ = line;
  viewport()->update();
}

void TMonitorLines::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0 || RowCount() == 0) return;
  current_ = static_cast<int64_t>(FirstKept()) + RowAt(event->position().toPoint().y());
  viewport()->update();
}

void TMonitorLines::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
  } else if (event->matches(QKeySequence::Copy)) {
    const QString selected = SelectedText();
    if (!selected.isEmpty()) QApplication::clipboard()->setText(selected);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

TFormExchangeMonitor::TFormExchangeMonitor(ExchangeRecorder& recorder, QWidget* parent)
    : QWidget(parent, Qt::Tool), recorder_(recorder) {
  setObjectName("TFormExchangeMonitor");
  setWindowTitle("Монитор обмена");
  resize(1000, 420);

  Lines = new TMonitorLines(recorder_, this);
  Lines->setObjectName("Lines");

  PauseButton = MakeButton(this, "PauseButton", "Пауза");
  PauseButton->setCheckable(true);
  ClearButton = MakeButton(this, "ClearButton", "Очистить");
  CopyButton = MakeButton(this, "CopyButton", "Копировать");
  SaveButton = MakeButton(this, "SaveButton", "Сохранить в файл...");
  LogCheckBox = new QCheckBox(QStringLiteral("Записывать в файл..."), this);
  LogCheckBox->setObjectName("LogCheckBox");
  LogLabel = new PathLabel(this);
  LogLabel->setObjectName("LogLabel");
  CountLabel = new QLabel(this);
  CountLabel->setObjectName("CountLabel");

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {PauseButton, ClearButton, CopyButton, SaveButton}) buttons->addWidget(button);
  buttons->addWidget(LogCheckBox);
  buttons->addStretch();
  buttons->addWidget(CountLabel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Lines);
  layout->addWidget(LogLabel);  // the whole width for the path and the reason
  LogLabel->hide();

  connect(PauseButton, &QPushButton::toggled, this, &TFormExchangeMonitor::PauseButtonToggled);
  connect(ClearButton, &QPushButton::clicked, this, &TFormExchangeMonitor::ClearButtonClick);
  connect(CopyButton, &QPushButton::clicked, this, &TFormExchangeMonitor::CopyButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TFormExchangeMonitor::SaveButtonClick);
  connect(LogCheckBox, &QCheckBox::clicked, this, &TFormExchangeMonitor::LogCheckBoxClick);

  PauseButton->setChecked(recorder_.Paused());
  recorder_.SetChangeListener([this] { RecordChanged(); });
}

TFormExchangeMonitor::~TFormExchangeMonitor() { recorder_.SetChangeListener(nullptr); }

void TFormExchangeMonitor::Open() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void TFormExchangeMonitor::showEvent(QShowEvent* event) {
  TakeNewLines();
  QWidget::showEvent(event);
}

// The view reads the record itself and is never behind it; what is spaced
// out is the paint.
void TFormExchangeMonitor::RecordChanged() {
  if (!isVisible()) return;  // taken when the window is shown again
  TakeNewLines();            // and painted at the next turn of the event loop, unless that is overdue
  if (std::chrono::steady_clock::now() - Lines->LastPaint() >= kRepaintInterval) PaintNow();
}

void TFormExchangeMonitor::TakeNewLines() {
  Lines->Follow();
  QString count = QStringLiteral("Кадров: %1").arg(recorder_.Size());
  if (recorder_.Paused()) count += QStringLiteral(" (пауза)");
  CountLabel->setText(count);
  ShowLogState();
}

// The box stays ticked only while the log is written; a log that stopped on
// a failure leaves the reason.
void TFormExchangeMonitor::ShowLogState() {
  const TrafficLog* log = recorder_.Log();
  LogCheckBox->setChecked(log && log->Writing());
  QString text;
  if (log) {
    text = log->Writing() ? QStringLiteral("Запись в файл: ") + QString::fromStdString(log->Path())
                          : QStringLiteral("Запись в файл остановлена: ") + QString::fromStdString(log->Failure());
  }
  if (text == LogLabel->text()) return;
  LogLabel->setText(text);
  LogLabel->setToolTip(text);
  LogLabel->setVisible(!text.isEmpty());
}

// One repaint paints every part of the window marked for it: the scroll
// bars and the count too.
void TFormExchangeMonitor::PaintNow() { Lines->viewport()->repaint(); }

void TFormExchangeMonitor::PauseButtonToggled(bool paused) {
  recorder_.SetPaused(paused);
  TakeNewLines();
}

void TFormExchangeMonitor::ClearButtonClick() { recorder_.Clear(); }

// The selection when there is one, else every kept line.
void TFormExchangeMonitor::CopyButtonClick() {
  const QString selected = Lines->SelectedText();
  QApplication::clipboard()->setText(selected.isEmpty() ? Lines->Text() : selected);
}

void TFormExchangeMonitor::SaveButtonClick() {
  const std::unique_ptr<QFileDialog> dialog(MakeFileDialog(this, "MonitorSaveDialog"));
  dialog->setWindowTitle(QStringLiteral("Сохранить записи обмена"));
  dialog->setDirectory(QString::fromStdString(WorkingFolder()));
  dialog->setNameFilter(QStringLiteral("Текстовые файлы (*.txt)"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix("txt");
  dialog->selectFile(QDateTime::currentDateTime().toString(QStringLiteral("'обмен-'yyyyMMdd-HHmmss'.txt'")));
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
  const QString path = QDir::toNativeSeparators(dialog->selectedFiles().first());
  if (recorder_.Save(path.toStdString()) != FileWriteResult::kWritten) {
    ShowMessage(MessageKind::Error, QStringLiteral("Записи обмена не сохранены в файл"), path, this);
  }
}

void TFormExchangeMonitor::LogCheckBoxClick(bool checked) {
  if (!checked) {
    recorder_.StopLog();
    return;
  }
  if (const std::optional<QString> path = ChooseLogFile()) {
    const std::string failure = recorder_.StartLog(path->toStdString());
    if (!failure.empty()) ShowMessage(MessageKind::Error, QString::fromStdString(failure), QString(), this);
  }
  TakeNewLines();  // unticked again when no log was started
}

// An existing file is continued, not replaced: the program's own question
// says so.
std::optional<QString> TFormExchangeMonitor::ChooseLogFile() {
  const std::unique_ptr<QFileDialog> dialog(MakeFileDialog(this, "MonitorLogDialog"));
  dialog->setWindowTitle(QStringLiteral("Записывать обмен в файл"));
  dialog->setDirectory(QString::fromStdString(WorkingFolder()));
  dialog->setNameFilter(QStringLiteral("Журналы обмена (*.log)"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setOption(QFileDialog::DontConfirmOverwrite);
  dialog->setDefaultSuffix("log");
  dialog->selectFile(QDateTime::currentDateTime().toString(QStringLiteral("'обмен-'yyyyMMdd-HHmmss'.log'")));
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  const QString path = QDir::toNativeSeparators(dialog->selectedFiles().first());
  if (QFileInfo::exists(path) &&
      !ShowMessage(MessageKind::Question, QStringLiteral("Файл %1 уже есть.").arg(QFileInfo(path).fileName()),
                   QStringLiteral("Дописывать записи обмена в конец файла?"), this)) {
    return std::nullopt;
  }
  return path;
}

}  // namespace vkt53
