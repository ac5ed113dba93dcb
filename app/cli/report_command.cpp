#include "app/cli/report_command.h"

#include "support/file_io.h"
#include "config/working_folders.h"
#include "support/text_format.h"

namespace vkt53 {

SavedReport SaveHtmlReport(const ReportedConfiguration& configuration, const std::string& path) {
  const std::string html = ConfigReportHtml(configuration, BackupTimeNow());
  const std::string name = FileNameOfPath(path);
  switch (WriteFileReplacing(path, std::vector<uint8_t>(html.begin(), html.end()))) {
    case FileWriteResult::kWritten:
      return {true, {"Отчёт о конфигурации сохранён в файле " + name}};
    case FileWriteResult::kCannotCreate: return {false, {"Ошибка открытия файла", path}};
    case FileWriteResult::kWriteFailed:
      return {false, {Format("Ошибка записи файла %s", name.c_str())}};
  }
  return {};
}

std::string ReportOutputRefusal(const std::string& path) {
  if (ReportFormatOfName(path) != ReportFormat::kPdf) return {};
  return "report: vkt53-cli сохраняет отчёт только в HTML; PDF сохраняет программа "
         "(\"Сервис\" - \"Отчёт о конфигурации...\")";
}

std::string ReportHelpText() {
  return "vkt53-cli report ФАЙЛ.cnf -o ОТЧЁТ.html\n"
         "vkt53-cli report --port P -o ОТЧЁТ.html [параметры связи]\n\n"
         "Отчёт о конфигурации файла или устройства: схема подключения (ВУ,\n"
         "устройство, порты A, B и C с адресами вычислителей), вычислители по\n"
         "портам со скоростями, параметры связи, строка инициализации модема и,\n"
         "для устройства, параметры идентификации. Отчёт сохраняется в HTML\n"
         "(открывается и печатается браузером); в PDF его сохраняет программа\n"
         "(\"Сервис\" - \"Отчёт о конфигурации...\").\n"
         "  -o, --output ФАЙЛ  файл отчёта (заменяется, если есть)\n\n";
}

}  // namespace vkt53
