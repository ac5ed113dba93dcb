#include "app/cli/config_text.h"

#include "app/field_texts.h"
#include "app/write_check.h"
#include "config/modem_string.h"
#include "config/speed_table.h"
#include "config/unit_row.h"
#include "support/utf8.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::vector<std::string> ConfigurationLines(const ConfigImage& image) {
  std::vector<std::string> lines;
  lines.push_back("Параметры связи");
  for (const std::size_t field : kLinkFieldsInEditorOrder) {
    lines.push_back(
        std::string("  ") + LinkFieldCaption(field) + ": " +
        LinkFieldValueText(field, image.bytes[ConfigImage::kLinkParametersOffset + field]));
  }
  lines.push_back(std::string(kModemStringCaption) + ": " +
                  Quoted(VisibleText(ModemTextOfImage(image))));
  lines.push_back("Параметры связи с отдельным вычислителем");
  bool anyConnected = false;
  for (int address = kFirstUnitAddress; address < static_cast<int>(kUnitAddressCount); ++address) {
    const UnitEntry unit = GetUnitEntry(image, address);
    if (unit.connected == 0) continue;
    anyConnected = true;
    lines.push_back(Format("  Адрес %d: ", address) + PortText(unit.portCode) + ", " +
                    SpeedIndexText(unit.speedIndex));
  }
  if (!anyConnected) lines.push_back("  Подключенных вычислителей нет");
  return lines;
}

JsonValue ConfigurationJson(const ConfigImage& image) {
  const auto link = [&image](std::size_t field) {
    return static_cast<int>(image.bytes[ConfigImage::kLinkParametersOffset + field]);
  };
  const int masterIndex = link(kMasterSpeedIndexField);
  JsonValue master = JsonValue::Object();
  master.Set("speedIndex", masterIndex)
      .Set("speed", static_cast<int>(SpeedOfIndex(masterIndex)))
      .Set("answerPreambles", link(kAnswerPreambleCountField))
      .Set("requestPreambles", link(kRequestPreambleCountField))
      .Set("priority", link(kPriorityField))
      .Set("waitUnitPreambles", link(kWaitUnitPreamblesField))
      .Set("retryDelayIndex", link(kRetryDelayIndexField))
      .Set("unitAnswerWait", link(kUnitAnswerWaitField))
      .Set("unitAnswerWaitMs", UnitAnswerWaitMs(link(kUnitAnswerWaitField)));
  JsonValue units = JsonValue::Array();
  for (int address = kFirstUnitAddress; address < static_cast<int>(kUnitAddressCount); ++address) {
    const UnitEntry unit = GetUnitEntry(image, address);
    if (unit.connected == 0) continue;
    const char* port = PortLetter(unit.portCode);
    JsonValue entry = JsonValue::Object();
    entry.Set("address", address)
        .Set("port", port ? JsonValue(port) : JsonValue())
        .Set("speedIndex", static_cast<int>(unit.speedIndex))
        .Set("speed", static_cast<int>(SpeedOfIndex(unit.speedIndex)));
    units.Push(std::move(entry));
  }
  JsonValue out = JsonValue::Object();
  out.Set("masterLink", std::move(master))
      .Set("modem", ModemTextOfImage(image))
      .Set("units", std::move(units));
  return out;
}

std::vector<FieldDifference> ConfigurationDifferences(const ConfigRecord& before,
                                                      const ConfigRecord& after) {
  return DifferingFields(after, before, WrittenTables{true, true, true});
}

std::string ChangeLine(const FieldDifference& difference) {
  return VisibleText(difference.fieldName + ": " + difference.found + " -> " + difference.expected);
}

JsonValue DifferenceJson(const FieldDifference& difference) {
  JsonValue out = JsonValue::Object();
  out.Set("table", difference.table)
      .Set("field", difference.field)
      .Set("name", difference.fieldName)
      .Set("before", difference.found)
      .Set("after", difference.expected);
  return out;
}

}  // namespace vkt53
