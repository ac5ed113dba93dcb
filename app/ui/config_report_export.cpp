#include "app/ui/config_report_export.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "app/program_state.h"
#include "widgets/widgets.h"

namespace vkt53 {

namespace {

// Lengths in CSS pixels, so that the report's sizes mean on paper what they
// mean in a browser.
constexpr int kDotsPerInch = 96;
constexpr QMarginsF kPageMarginsMm(15, 15, 15, 12);
constexpr qreal kFooterHeight = 30;  // below the text, for the page number
constexpr qreal kPageNumberPoints = 8;

// Each page shows its slice of the laid-out document and its number.
void PrintPages(QTextDocument& document, QPdfWriter& writer, const QRectF& area) {
  QPainter painter(&writer);
  const int pages = document.pageCount();
  const qreal bodyHeight = document.pageSize().height();
  QFont numberFont = document.defaultFont();
  numberFont.setPointSizeF(kPageNumberPoints);
  for (int page = 0; page < pages; ++page) {
    if (page > 0) writer.newPage();
    const QRectF body(0, page * bodyHeight, area.width(), bodyHeight);
    painter.save();
    painter.translate(0, -body.top());
    document.drawContents(&painter, body);
    painter.restore();
    painter.setFont(numberFont);
    painter.drawText(QRectF(0, bodyHeight, area.width(), kFooterHeight), Qt::AlignHCenter | Qt::AlignBottom,
                     QString("Страница %1 из %2").arg(page + 1).arg(pages));
  }
}

class QtReportUi : public ReportUi {
 public:
  QtReportUi(QWidget* owner, ConfigFileDialog& openDialog, ConfigFileDialog& saveDialog)
      : owner_(owner), saveDialog_(saveDialog), files_(owner, openDialog, saveDialog) {}

  ReportSource ChooseSource(const std::string& reading) override {
    TFormReportSource window(Q(reading), owner_);
    window.exec();
    return window.choice();
  }

  ConfigFileUi& Files() override { return files_; }

  std::optional<ChosenReportFile> ChooseReportFile(const FileDialogRequest& request) override {
    QFileDialog* dialog = saveDialog_.Get();
    const std::optional<std::string> path = ShowSaveDialog(dialog, request);
    if (!path) return std::nullopt;
    return ChosenReportFile{*path, static_cast<int>(dialog->nameFilters().indexOf(dialog->selectedNameFilter()))};
  }

  std::vector<uint8_t> PdfOfReport(const std::string& html) override {
    const QByteArray pdf = vkt53::PdfOfReport(Q(html));
    return {pdf.begin(), pdf.end()};
  }

  void OpenWithViewer(const std::string& path) override { QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path))); }

 private:
  QWidget* owner_;
  ConfigFileDialog& saveDialog_;
  QtConfigFileUi files_;
};

}  // namespace

TFormReportSource::TFormReportSource(const QString& reading, QWidget* parent) : QDialog(parent) {
  setObjectName("TFormReportSource");
  setWindowTitle("Отчёт о конфигурации");
  SetTitleBar(this, TitleButtons::Close);
  Label1 = MakeCentredLabel(this, "Label1", "Конфигурация прочитана из устройства:");
  Label2 = MakeCentredLabel(this, "Label2", reading);
  Label2->setTextFormat(Qt::PlainText);
  DeviceButton = MakeButton(this, "DeviceButton", "Из устройства");
  FileButton = MakeButton(this, "FileButton", "Из файла...");
  CancelButton = MakeButton(this, "CancelButton", "Отмена");
  const auto choose = [this](QPushButton* button, ReportSource source) {
    connect(button, &QPushButton::clicked, this, [this, source] {
      choice_ = source;
      source == ReportSource::kNone ? reject() : accept();
    });
  };
  choose(DeviceButton, ReportSource::kDevice);
  choose(FileButton, ReportSource::kFile);
  choose(CancelButton, ReportSource::kNone);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(DeviceButton);
  buttons->addWidget(FileButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  DeviceButton->setFocus();
  CentreOnScreen(this);
}

ConfigReportExport::ConfigReportExport(QWidget* owner)
    : owner_(owner), openDialog_(owner, "ReportOpenDialog"), saveDialog_(owner, "ReportSaveDialog") {}

void ConfigReportExport::Run(ProgramState& state) {
  QtReportUi ui(owner_, openDialog_, saveDialog_);
  RunConfigurationReport(state, ui, BackupTimeNow());
}

QByteArray PdfOfReport(const QString& html) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(kDotsPerInch);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, kPageMarginsMm, QPageLayout::Millimeter));
  writer.setTitle("Отчёт о конфигурации");
  writer.setCreator("vkt53");
  QTextDocument document;
  document.documentLayout()->setPaintDevice(&writer);
  document.setHtml(html);
  const QRectF area = writer.pageLayout().paintRectPixels(kDotsPerInch);
  document.setPageSize(QSizeF(area.width(), area.height() - kFooterHeight));
  PrintPages(document, writer, area);
  return pdf;
}

}  // namespace vkt53
