// "Отчёт о конфигурации..." in the windows: the choice between the
// configuration read from the device and a file, the report's file dialogs,
// the report printed to PDF on numbered A4 pages, and the system's viewer.
// What is offered and where the report goes is decided in the core
// (app/config_report_export.h).
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

#include "app/config_report_export.h"
#include "widgets/qt_config_file_ui.h"

class QLabel;
class QPushButton;

namespace vkt53 {

struct ProgramState;

// Which configuration the report describes. Modal; Esc is "Отмена".
class TFormReportSource : public QDialog {
  Q_OBJECT
 public:
  // reading: where and when the device's configuration was read.
  TFormReportSource(const QString& reading, QWidget* parent = nullptr);

  ReportSource choice() const { return choice_; }

 private:
  QLabel* Label1;
  QLabel* Label2;
  QPushButton* DeviceButton;  // "Из устройства", the focus
  QPushButton* FileButton;    // "Из файла..."
  QPushButton* CancelButton;  // "Отмена"
  ReportSource choice_ = ReportSource::kNone;
};

// The command, with its file dialogs kept by the owner between uses.
class ConfigReportExport {
 public:
  explicit ConfigReportExport(QWidget* owner);
  ConfigReportExport(const ConfigReportExport&) = delete;
  ConfigReportExport& operator=(const ConfigReportExport&) = delete;

  void Run(ProgramState& state);

 private:
  QWidget* owner_;
  ConfigFileDialog openDialog_;
  ConfigFileDialog saveDialog_;
};

// The report's HTML as a PDF document: A4 pages, each with its number.
QByteArray PdfOfReport(const QString& html);

}  // namespace vkt53
