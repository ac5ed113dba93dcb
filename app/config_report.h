// The configuration report: a device's setup as one page to print or keep
// with the customer's documents. The master, the device and its ports A, B
// and C as a picture, every connected unit by port, the link parameters and
// the modem string, and, for a configuration read from a device, its
// identification. One self-contained HTML document (UTF-8, A4 print styles)
// that a browser and the toolkit's rich-text engine both draw; the program
// prints it to PDF, vkt53-cli saves it as it is.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/config_record.h"
#include "config/configuration_backup.h"

namespace vkt53 {

using IdentificationBytes = std::array<uint8_t, kIdentificationSize>;

// Where a configuration came from.
struct ConfigurationOrigin {
  bool fromDevice = false;
  std::string name;                // the port ("COM1") or the file's path
  std::optional<BackupTime> time;  // when it was read, or the file last changed
};

struct ReportedConfiguration {
  ConfigImage image;
  std::optional<IdentificationBytes> identification;  // read with it from a device
  ConfigurationOrigin origin;
};

// The configuration and identification of the record, read from the device
// on that port at that time.
ReportedConfiguration DeviceConfiguration(const ConfigRecord& record, const std::string& portName,
                                          const BackupTime& time);

// A configuration file's image, with the file's path and the time it was last
// changed (none when the file cannot be looked at).
ReportedConfiguration FileConfiguration(const ConfigImage& image, const std::string& path);

// The whole report, made at `made`.
std::string ConfigReportHtml(const ReportedConfiguration& configuration, const BackupTime& made);

// Ascending addresses as runs: "1–12, 17, 40–45" (two neighbours stay apart).
std::string AddressRunsText(const std::vector<int>& addresses);

// The report's two forms, in the order the program's save dialog offers them.
enum class ReportFormat { kPdf, kHtml };

// The form a file name's extension names (.pdf, .html, .htm, in any letter
// case); nothing for another name.
std::optional<ReportFormat> ReportFormatOfName(const std::string& path);

}  // namespace vkt53
