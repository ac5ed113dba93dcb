// vkt53-cli report: the configuration report of a file or of a device as an
// HTML file. The terminal tool has no printing engine: a PDF is made by the
// program's "Сервис" → "Отчёт о конфигурации...", or by a browser from the
// HTML.
#pragma once

#include <string>
#include <vector>

#include "app/config_report.h"

namespace vkt53 {

// What saving the report leaves for the person: where it went, or why it
// did not (a file error).
struct SavedReport {
  bool written = false;
  std::vector<std::string> lines;
};

// Writes the report of the configuration, made now, as HTML to `path` (an
// old file stays whole until the new one is).
SavedReport SaveHtmlReport(const ReportedConfiguration& configuration, const std::string& path);

// Why the output file cannot take the report (a PDF name); empty when it can.
std::string ReportOutputRefusal(const std::string& path);

// The command's help, without the link options.
std::string ReportHelpText();

}  // namespace vkt53
