#include "app/ui/exchange_monitor.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/common/question.h"
#include "config/program_folder.h"
#include "link/exchange_recorder.h"

namespace vkt53 {

namespace {

QPushButton* MakeButton(QWidget* owner, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), owner);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFormExchangeMonitor::TFormExchangeMonitor(ExchangeRecorder& recorder, QWidget* parent)
    : QWidget(parent, Qt::Window), recorder_(recorder) {
  setObjectName("TFormExchangeMonitor");
  setWindowTitle("Монитор обмена");
  resize(1000, 420);

  Lines = new QPlainTextEdit(this);
  Lines->setObjectName("Lines");
  Lines->setReadOnly(true);
  Lines->setLineWrapMode(QPlainTextEdit::NoWrap);
  Lines->setMaximumBlockCount(static_cast<int>(ExchangeRecorder::kCapacity));
  Lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Lines->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  PauseButton = MakeButton(this, "PauseButton", "Пауза");
  PauseButton->setCheckable(true);
  ClearButton = MakeButton(this, "ClearButton", "Очистить");
  CopyButton = MakeButton(this, "CopyButton", "Копировать");
  SaveButton = MakeButton(this, "SaveButton", "Сохранить в файл...");
  CountLabel = new QLabel(this);
  CountLabel->setObjectName("CountLabel");

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {PauseButton, ClearButton, CopyButton, SaveButton}) buttons->addWidget(button);
  buttons->addStretch();
  buttons->addWidget(CountLabel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Lines);

  repaintTimer_ = new QTimer(this);
  repaintTimer_->setSingleShot(true);
  repaintTimer_->setInterval(kRepaintInterval);
  connect(repaintTimer_, &QTimer::timeout, this, [this] { PaintNow(); });

  connect(PauseButton, &QPushButton::toggled, this, &TFormExchangeMonitor::PauseButtonToggled);
  connect(ClearButton, &QPushButton::clicked, this, &TFormExchangeMonitor::ClearButtonClick);
  connect(CopyButton, &QPushButton::clicked, this, &TFormExchangeMonitor::CopyButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TFormExchangeMonitor::SaveButtonClick);

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

// The lines are taken at once, so that the view is never behind the record;
// the paint is what is spaced out.
void TFormExchangeMonitor::RecordChanged() {
  if (!isVisible()) return;  // taken when the window is shown again
  TakeNewLines();
  const auto now = std::chrono::steady_clock::now();
  if (now - lastPaint_ >= kRepaintInterval) {
    repaintTimer_->stop();
    PaintNow();
  } else if (!repaintTimer_->isActive()) {
    repaintTimer_->start();
  }
}

void TFormExchangeMonitor::TakeNewLines() {
  if (recorder_.Clears() != shownClears_) {
    Lines->clear();
    shownClears_ = recorder_.Clears();
  }
  const uint64_t firstKept = recorder_.Added() - recorder_.Size();
  const uint64_t from = std::max(shownAdded_, firstKept);
  if (from < recorder_.Added()) {
    QString text;
    for (uint64_t line = from; line < recorder_.Added(); ++line) {
      if (!text.isEmpty()) text += '\n';
      text += QString::fromStdString(recorder_.Line(static_cast<std::size_t>(line - firstKept)));
    }
    // Appending keeps the view at the bottom when it was there, and where
    // the engineer scrolled it otherwise.
    Lines->appendPlainText(text);
  }
  shownAdded_ = recorder_.Added();
  QString count = QStringLiteral("Кадров: %1").arg(recorder_.Size());
  if (recorder_.Paused()) count += QStringLiteral(" (пауза)");
  CountLabel->setText(count);
}

void TFormExchangeMonitor::PaintNow() {
  lastPaint_ = std::chrono::steady_clock::now();
  if (!isVisible()) return;
  // One repaint paints every part of the window marked for it.
  Lines->verticalScrollBar()->update();
  CountLabel->update();
  Lines->viewport()->repaint();
}

void TFormExchangeMonitor::PauseButtonToggled(bool paused) {
  recorder_.SetPaused(paused);
  TakeNewLines();
}

void TFormExchangeMonitor::ClearButtonClick() { recorder_.Clear(); }

// The selection when there is one, else every kept line.
void TFormExchangeMonitor::CopyButtonClick() {
  QString selected = Lines->textCursor().selectedText();
  QApplication::clipboard()->setText(selected.isEmpty() ? QString::fromStdString(recorder_.Text())
                                                        : selected.replace(QChar::ParagraphSeparator, '\n'));
}

void TFormExchangeMonitor::SaveButtonClick() {
  QFileDialog dialog(this, QStringLiteral("Сохранить записи обмена"),
                     QString::fromStdString(ProgramFolder()), QStringLiteral("Текстовые файлы (*.txt)"));
  dialog.setObjectName("MonitorSaveDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("txt");
  dialog.selectFile(QDateTime::currentDateTime().toString(QStringLiteral("'обмен-'yyyyMMdd-HHmmss'.txt'")));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = QDir::toNativeSeparators(dialog.selectedFiles().first());
  if (recorder_.Save(path.toStdString()) != FileWriteResult::kWritten) {
    ShowMessage(MessageKind::Error, QStringLiteral("Записи обмена не сохранены в файл"), path, this);
  }
}

}  // namespace vkt53
