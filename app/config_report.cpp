#include "app/config_report.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/field_texts.h"
#include "support/file_io.h"
#include "config/identification.h"
#include "config/modem_string.h"
#include "config/unit_row.h"
#include "config/working_folders.h"
#include "dialogs/ident_text.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr char kEnDash[] = "\u2013";
constexpr int kUnitsPerTableRow = 3;  // address and speed pairs side by side

// The device's ports A, B and C by their codes, in the report's order.
constexpr uint8_t kPorts[] = {kPortA, kPortB, kPortC};

// The colours of the picture: fill and frame of each box.
struct BoxColours {
  const char* fill;
  const char* frame;
};
constexpr BoxColours kMasterColours = {"#dce8f6", "#3d6ea8"};
constexpr BoxColours kDeviceColours = {"#fff1c2", "#a98200"};
constexpr BoxColours kPortColours = {"#e2f1dc", "#4b8a36"};
constexpr BoxColours kIdlePortColours = {"#f0f0f0", "#9a9a9a"};
constexpr BoxColours kInvalidColours = {"#f8dcdc", "#b03030"};
constexpr char kLineColour[] = "#555555";

// The connected units by port, and those whose port code names no port.
struct UnitsByPort {
  std::vector<int> onPort[std::size(kPorts)];
  std::vector<int> onInvalidPort;
};

// A unit the device would not reach: connected to a code that is no port,
// or carrying a code the device treats as not connected (4..7, read from a
// device) that no editor writes.
bool OnInvalidPort(const UnitEntry& unit) {
  return (unit.connected != 0 && PortLetter(unit.portCode) == nullptr) || unit.portCode > kPortC;
}

UnitsByPort SortUnits(const ConfigImage& image) {
  UnitsByPort units;
  for (int address = kFirstUnitAddress; address <= kLastUnitAddress; ++address) {
    const UnitEntry unit = GetUnitEntry(image, address);
    if (OnInvalidPort(unit)) {
      units.onInvalidPort.push_back(address);
    } else if (unit.connected != 0) {
      units.onPort[unit.portCode - kPortA].push_back(address);
    }
  }
  return units;
}

// Text from the image or the device as page text: control characters shown
// as \xNN, the characters HTML gives a meaning escaped.
std::string Html(const std::string& text) {
  std::string out;
  for (const char c : VisibleText(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// "1 вычислитель", "3 вычислителя", "14 вычислителей".
std::string UnitCountText(std::size_t count) {
  const std::size_t lastTwo = count % 100, last = count % 10;
  const char* word = "вычислителей";
  if (last == 1 && lastTwo != 11) {
    word = "вычислитель";
  } else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) {
    word = "вычислителя";
  }
  return std::to_string(count) + " " + word;
}

std::string SpeedOfUnit(const ConfigImage& image, int address) {
  return SpeedIndexText(GetUnitEntry(image, address).speedIndex);
}

// A caption and its value. The toolkit ends a page between the lines of a
// cell too, cutting a row in two: a row that may come at a page's end keeps
// its caption on one line (oneLine). The others are on the first page.
std::string Row(const std::string& caption, const std::string& value, bool oneLine = false) {
  return std::string("<tr><td class=\"") + (oneLine ? "oneline" : "caption") + "\" width=\"55%\">" +
         caption + "</td><td>" + value + "</td></tr>\n";
}

// A table under its title. The title is a head row, not a heading above the
// table, so that it goes with the table to the next page and comes again,
// with the other head rows, on every page the table runs on.
std::string SectionTable(const std::string& title, int columns, const std::string& headRow,
                         const std::string& rows) {
  return Format(
             "<table class=\"section\" width=\"100%%\" cellspacing=\"0\" cellpadding=\"3\">\n"
             "<thead><tr><th class=\"title\" colspan=\"%d\">",
             columns) +
         title + "</th></tr>\n" + headRow + "</thead>\n<tbody>\n" + rows + "</tbody></table>\n";
}

constexpr char kStyles[] = R"(body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10pt;
  -webkit-print-color-adjust: exact; print-color-adjust: exact; }
h1 { font-size: 16pt; margin-top: 0px; margin-bottom: 8px; }
h2 { font-size: 12pt; margin-top: 20px; margin-bottom: 6px; }
p { margin-top: 4px; margin-bottom: 4px; }
table.section { border-collapse: collapse; margin-top: 16px; }
table.section td, table.section th { border: 1px solid #9a9a9a; padding: 3px 6px; }
table.section th { background-color: #e8e8e8; font-weight: bold; text-align: left; }
table.section th.title { font-size: 12pt; background-color: #ffffff; border: none; padding: 6px 0px; }
td.caption { background-color: #f3f3f3; }
td.oneline { background-color: #f3f3f3; white-space: nowrap; }
table.box { border-collapse: collapse; }
table.box td { padding: 6px; text-align: center; }
.modem { font-family: "DejaVu Sans Mono", "Courier New", monospace; white-space: pre; }
.note { color: #555555; }
.alarm { color: #c00000; }
@page { size: A4; margin: 15mm 15mm 18mm 15mm;
  @bottom-center { content: "Страница " counter(page) " из " counter(pages); font-size: 8pt; } }
)";

// ------------------------------------------------------------- the picture

// A framed box of colour, as wide as its place.
std::string Box(const BoxColours& colours, const std::string& content) {
  return Format(
             "<table class=\"box\" width=\"100%%\" cellspacing=\"0\" cellpadding=\"6\" "
             "border=\"1\" "
             "bgcolor=\"%s\" style=\"border: 1px solid %s; border-color: %s; background-color: "
             "%s\"><tr><td align=\"center\" style=\"border: 1px solid %s\">",
             colours.fill, colours.frame, colours.frame, colours.fill, colours.frame) +
         content + "</td></tr></table>";
}

// A short vertical line in the middle of its place, from the box above to the box below.
std::string Line() {
  return Format(
      "<table align=\"center\" cellspacing=\"0\" cellpadding=\"0\"><tr><td "
      "width=\"2\" bgcolor=\"%s\" style=\"background-color: %s; width: 2px; height: 14px\">"
      "</td></tr></table>",
      kLineColour, kLineColour);
}

// A row of the picture's table: one cell per place, each centred.
std::string PictureRow(const std::vector<std::string>& places, const std::vector<int>& widths) {
  std::string row = "<tr>";
  for (std::size_t i = 0; i < places.size(); ++i) {
    row += Format("<td width=\"%d%%\" align=\"center\" valign=\"top\">", widths[i]) + places[i] +
           "</td>";
  }
  return row + "</tr>\n";
}

std::string PictureTable(const std::string& rows) {
  return "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\">\n" + rows + "</table>\n";
}

std::string MasterBox(const ConfigImage& image) {
  return Box(kMasterColours,
             "<b>ВУ</b><br>" +
                 Html(LinkFieldValueText(
                     kMasterSpeedIndexField,
                     image.bytes[ConfigImage::kLinkParametersOffset + kMasterSpeedIndexField])));
}

std::string DeviceBox(const ReportedConfiguration& configuration) {
  const ConfigurationOrigin& origin = configuration.origin;
  const std::string where = origin.fromDevice ? "на порту " + Html(origin.name)
                                              : "файл " + Html(FileNameOfPath(origin.name));
  return Box(kDeviceColours, std::string("<b>") + kServedModelName + "</b><br>" + where);
}

std::string PortBox(uint8_t port, const std::vector<int>& addresses) {
  const std::string title = std::string("<b>Порт ") + PortLetter(port) + "</b><br>";
  if (addresses.empty()) return Box(kIdlePortColours, title + "нет вычислителей");
  return Box(kPortColours,
             title + UnitCountText(addresses.size()) + "<br>" + AddressRunsText(addresses));
}

std::string InvalidPortBox(const std::vector<int>& addresses) {
  return Box(kInvalidColours, "<b>Недопустимый код порта</b><br>" +
                                  UnitCountText(addresses.size()) + "<br>" +
                                  AddressRunsText(addresses));
}

// The master at the top, the device in the middle, its three ports below
// it; units on a code that is no port in a box of their own under them.
std::string Picture(const ReportedConfiguration& configuration, const UnitsByPort& units) {
  std::string html = "<h2>Схема подключения</h2>\n";
  html += PictureTable(PictureRow({"", MasterBox(configuration.image), ""}, {30, 40, 30}) +
                       PictureRow({"", Line(), ""}, {30, 40, 30}));
  html += PictureTable(PictureRow({DeviceBox(configuration)}, {100}));
  std::vector<std::string> lines, boxes;
  for (std::size_t i = 0; i < std::size(kPorts); ++i) {
    if (i != 0) {  // the gap between two ports
      lines.push_back("");
      boxes.push_back("");
    }
    lines.push_back(Line());
    boxes.push_back(PortBox(kPorts[i], units.onPort[i]));
  }
  const std::vector<int> widths = {31, 3, 32, 3, 31};
  html += PictureTable(PictureRow(lines, widths) + PictureRow(boxes, widths));
  if (!units.onInvalidPort.empty()) {
    html +=
        "<p></p>" + PictureTable(PictureRow({InvalidPortBox(units.onInvalidPort), ""}, {31, 69}));
  }
  return html;
}

// ------------------------------------------------------------- the sections

std::string OriginSection(const ReportedConfiguration& configuration, const BackupTime& made) {
  const ConfigurationOrigin& origin = configuration.origin;
  const std::string when = origin.time ? DateTimeText(*origin.time) : "неизвестно";
  std::string rows;
  if (origin.fromDevice) {
    rows += Row("Источник", "устройство на порту " + Html(origin.name));
    rows += Row("Прочитана из устройства", when);
  } else {
    rows += Row("Источник", "файл конфигурации " + Html(FileNameOfPath(origin.name)));
    rows += Row("Путь к файлу", Html(origin.name));
    rows += Row("Файл изменён", when);
  }
  rows += Row("Отчёт составлен", DateTimeText(made));
  return SectionTable("Откуда конфигурация", 2, "", rows);
}

std::string IdentificationSection(const std::optional<IdentificationBytes>& identification) {
  constexpr char kTitle[] = "Параметры идентификации";
  if (!identification) {
    return SectionTable(kTitle, 1, "",
                        "<tr><td class=\"note\">Файл конфигурации не содержит параметров "
                        "идентификации устройства.</td></tr>\n");
  }
  const IdentificationTexts texts = IdentificationRows(*identification);
  std::string rows;
  for (std::size_t row = 0; row < kIdentificationRowCount; ++row) {
    std::string caption = IdentificationRowCaption(row);
    for (char& c : caption) c = c == '\n' ? ' ' : c;
    const bool alarm = row == kCorruptedTableRow && ReportsCorruptedTable(*identification);
    rows += Row(Html(caption), alarm ? "<span class=\"alarm\" style=\"color: #c00000\">" +
                                           Html(texts[row]) + "</span>"
                                     : Html(texts[row]));
  }
  return SectionTable(kTitle, 2, "", rows);
}

// The modem string on a line of its own, as wide as the page: its 63
// characters fit whole.
std::string ModemSection(const ConfigImage& image) {
  const std::string text = ModemTextOfImage(image);
  const std::string value = text.empty() ? "<span class=\"note\">пустая</span>"
                                         : "<span class=\"modem\">" + Html(text) + "</span>";
  return SectionTable(kModemStringCaption, 1, "", "<tr><td>" + value + "</td></tr>\n");
}

std::string LinkSection(const ConfigImage& image) {
  std::string rows;
  for (const std::size_t field : kLinkFieldsInEditorOrder) {
    rows += Row(
        Html(LinkFieldCaption(field)),
        Html(LinkFieldValueText(field, image.bytes[ConfigImage::kLinkParametersOffset + field])),
        true);
  }
  return SectionTable("Параметры связи с ВУ", 2, "", rows) + ModemSection(image);
}

// The units in address order, kUnitsPerTableRow to a row; `cells` gives a
// unit's two cells.
template <typename Cells>
std::string UnitTable(const std::string& title, const std::vector<int>& addresses,
                      const char* firstColumn, Cells cells) {
  std::string head = "<tr>";
  for (int i = 0; i < kUnitsPerTableRow; ++i) {
    head += std::string("<th>") + firstColumn + "</th><th>Скорость обмена</th>";
  }
  head += "</tr>\n";
  std::string rows;
  for (std::size_t i = 0; i < addresses.size(); i += kUnitsPerTableRow) {
    rows += "<tr>";
    for (std::size_t j = i; j < i + kUnitsPerTableRow; ++j) {
      rows += j < addresses.size() ? cells(addresses[j]) : "<td></td><td></td>";
    }
    rows += "</tr>\n";
  }
  return SectionTable(title, 2 * kUnitsPerTableRow, head, rows);
}

std::string PortSection(uint8_t port, const std::vector<int>& addresses, const ConfigImage& image) {
  const std::string title = std::string("Порт ") + PortLetter(port) + ": ";
  if (addresses.empty()) return SectionTable(title + "нет вычислителей", 1, "", "");
  return UnitTable(title + UnitCountText(addresses.size()), addresses, "Адрес",
                   [&image](int address) {
                     return "<td>" + std::to_string(address) + "</td><td>" +
                            SpeedOfUnit(image, address) + "</td>";
                   });
}

std::string InvalidPortSection(const std::vector<int>& addresses, const ConfigImage& image) {
  if (addresses.empty()) return {};
  return UnitTable("Недопустимый код порта: " + UnitCountText(addresses.size()) +
                       "<br><span class=\"note\" style=\"font-size: 10pt; font-weight: "
                       "normal\">Устройство не считает эти вычислители подключенными ни к "
                       "одному порту.</span>",
                   addresses, "Адрес (код)", [&image](int address) {
                     return Format("<td>%d (%u)</td><td>", address,
                                   unsigned{GetUnitEntry(image, address).portCode}) +
                            SpeedOfUnit(image, address) + "</td>";
                   });
}

}  // namespace

ReportedConfiguration DeviceConfiguration(const ConfigRecord& record, const std::string& portName,
                                          const BackupTime& time) {
  ReportedConfiguration configuration;
  NewConfigurationImage(configuration.image);
  ImageFromRecord(record, configuration.image);
  IdentificationBytes identification{};
  std::ranges::copy(record.Identification(), identification.begin());
  configuration.identification = identification;
  configuration.origin = {true, portName, time};
  return configuration;
}

ReportedConfiguration FileConfiguration(const ConfigImage& image, const std::string& path) {
  ReportedConfiguration configuration;
  configuration.image = image;
  configuration.origin = {false, path, std::nullopt};
  std::error_code error;
  const auto changed = std::filesystem::last_write_time(PathFromUtf8(path), error);
  if (!error) {
    const auto moment = std::chrono::file_clock::to_sys(changed);
    configuration.origin.time = LocalTime(std::chrono::system_clock::to_time_t(moment));
  }
  return configuration;
}

std::string AddressRunsText(const std::vector<int>& addresses) {
  std::string text;
  for (std::size_t first = 0; first < addresses.size();) {
    std::size_t last = first;
    while (last + 1 < addresses.size() && addresses[last + 1] == addresses[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(addresses[first]);
    if (last - first >= 2) {
      text += kEnDash + std::to_string(addresses[last]);
    } else if (last != first) {
      text += ", " + std::to_string(addresses[last]);
    }
    first = last + 1;
  }
  return text;
}

std::optional<ReportFormat> ReportFormatOfName(const std::string& path) {
  const std::string name = FileNameOfPath(path);
  const std::size_t dot = name.rfind('.');
  std::string extension = dot == std::string::npos ? "" : name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".pdf") return ReportFormat::kPdf;
  if (extension == ".html" || extension == ".htm") return ReportFormat::kHtml;
  return std::nullopt;
}

std::string ConfigReportHtml(const ReportedConfiguration& configuration, const BackupTime& made) {
  const UnitsByPort units = SortUnits(configuration.image);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Отчёт о конфигурации " +
      std::string(kServedModelName) + "</title>\n<style>\n" + kStyles +
      "</style>\n</head>\n<body>\n";
  html += std::string("<h1>Отчёт о конфигурации устройства ") + kServedModelName + "</h1>\n";
  html += OriginSection(configuration, made);
  html += Picture(configuration, units);
  html += IdentificationSection(configuration.identification);
  html += LinkSection(configuration.image);
  for (std::size_t i = 0; i < std::size(kPorts); ++i) {
    html += PortSection(kPorts[i], units.onPort[i], configuration.image);
  }
  html += InvalidPortSection(units.onInvalidPort, configuration.image);
  return html + "</body>\n</html>\n";
}

}  // namespace vkt53
