#include "app/cli/config_text.h"

#include "app/write_check.h"

#include <algorithm>
#include <optional>
#include <span>

#include "config/modem_string.h"
#include "config/speed_table.h"
#include "config/unit_row.h"
#include "support/utf8.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr int kAnswerWaitStepMs = 20;
constexpr int kAnswerWaitBaseMs = 1000;

struct LinkField {
  std::size_t field;
  const char* caption;
  // Item texts of a two-item list; null for a number.
  const char* item0;
  const char* item1;
};

// The editors' captions on one line, in the order the editors show them.
constexpr LinkField kLinkFields[] = {
    {kAnswerPreambleCountField, "Количество преамбул при ответе ВУ", nullptr, nullptr},
    {kRequestPreambleCountField, "Количество преамбул в запросе к вычислителю", nullptr, nullptr},
    {kUnitAnswerWaitField, "Длительность ожидания ответа от вычислителя", nullptr, nullptr},
    {kWaitUnitPreamblesField, "Преамбулы от вычислителя", "Не ожидать", "Ожидать"},
    {kPriorityField, "Приоритет", "Высокий", "Низкий"},
    {kRetryDelayIndexField, "Индекс задержки перед повторной попыткой занять порт", "Меньшая",
     "Большая"},
};

constexpr char kMasterSpeedCaption[] = "Скорость обмена с ВУ";
constexpr char kModemCaption[] = "Строка инициализации модема";

std::string SpeedText(int speedIndex) {
  const int32_t speed = SpeedOfIndex(speedIndex);
  return speed != 0 ? Format("%d бит/с", speed) : Format("? (индекс скорости %d)", speedIndex);
}

std::string LinkFieldText(const LinkField& field, int value) {
  if (field.item0 == nullptr) {
    if (field.field == kUnitAnswerWaitField) {
      return Format("%d (%d мс)", value, value * kAnswerWaitStepMs + kAnswerWaitBaseMs);
    }
    return std::to_string(value);
  }
  if (value == 0) return field.item0;
  if (value == 1) return field.item1;
  return Format("? (%d)", value);
}

const char* PortLetter(uint8_t portCode) {
  switch (portCode) {
    case kPortA: return "A";
    case kPortB: return "B";
    case kPortC: return "C";
    default: return nullptr;
  }
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// C0 controls, DEL and the C1 controls, which a terminal obeys.
bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

std::string TerminalText(const std::string& text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const std::optional<char32_t> c = NextUtf8Character(text, pos);
    if (c && !IsControlCharacter(*c)) {
      out.append(text, start, pos - start);
    } else {
      out += Format("\\x%02X", c ? unsigned{*c} : unsigned{static_cast<uint8_t>(text[start])});
    }
  }
  return out;
}

std::vector<std::string> ConfigurationLines(const ConfigImage& image) {
  std::vector<std::string> lines;
  lines.push_back("Параметры связи");
  lines.push_back(
      std::string("  ") + kMasterSpeedCaption + ": " +
      SpeedText(image.bytes[ConfigImage::kLinkParametersOffset + kMasterSpeedIndexField]));
  for (const LinkField& field : kLinkFields) {
    lines.push_back(
        std::string("  ") + field.caption + ": " +
        LinkFieldText(field, image.bytes[ConfigImage::kLinkParametersOffset + field.field]));
  }
  lines.push_back(std::string(kModemCaption) + ": " +
                  Quoted(TerminalText(ModemTextOfImage(image))));
  lines.push_back("Параметры связи с отдельным вычислителем");
  bool anyConnected = false;
  for (int address = kFirstUnitAddress; address < static_cast<int>(kUnitAddressCount); ++address) {
    const UnitEntry unit = GetUnitEntry(image, address);
    if (unit.connected == 0) continue;
    anyConnected = true;
    const char* port = PortLetter(unit.portCode);
    lines.push_back(Format("  Адрес %d: порт %s, ", address, port ? port : "?") +
                    SpeedText(unit.speedIndex));
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
      .Set("unitAnswerWaitMs", link(kUnitAnswerWaitField) * kAnswerWaitStepMs + kAnswerWaitBaseMs);
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

ConfigRecord RecordOfImage(const ConfigImage& image) {
  ConfigRecord record;
  RecordFromImage(image, record);
  return record;
}

std::vector<FieldDifference> ConfigurationDifferences(const ConfigRecord& before,
                                                      const ConfigRecord& after) {
  return DifferingFields(after, before, WrittenTables{true, true, true});
}

std::string ChangeLine(const FieldDifference& difference) {
  return TerminalText(difference.fieldName + ": " + difference.found + " -> " +
                      difference.expected);
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
