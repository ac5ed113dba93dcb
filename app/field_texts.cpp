#include "app/field_texts.h"

#include <optional>

#include "config/config_image.h"
#include "config/speed_table.h"
#include "support/utf8.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr int kAnswerWaitStepMs = 20;
constexpr int kAnswerWaitBaseMs = 1000;

const char* const kLinkFieldCaptions[kLinkParametersSize] = {
    "Скорость обмена с ВУ",
    "Количество преамбул при ответе ВУ",
    "Количество преамбул в запросе к вычислителю",
    "Приоритет",
    "Преамбулы от вычислителя",
    "Индекс задержки перед повторной попыткой занять порт",
    "Длительность ожидания ответа от вычислителя",
};

// The item texts of the editors' two-item lists, without their leading blank.
std::string ChoiceText(int value, const char* item0, const char* item1) {
  if (value == 0) return item0;
  if (value == 1) return item1;
  return Format("? (%d)", value);
}

// C0 controls, DEL and the C1 controls, which a terminal obeys.
bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

const char* LinkFieldCaption(std::size_t field) {
  return field < kLinkParametersSize ? kLinkFieldCaptions[field] : "";
}

std::string SpeedIndexText(int speedIndex) {
  const int32_t speed = SpeedOfIndex(speedIndex);
  return speed != 0 ? Format("%d бит/с", speed) : Format("? (индекс скорости %d)", speedIndex);
}

std::string LinkFieldValueText(std::size_t field, int value) {
  switch (field) {
    case kMasterSpeedIndexField: return SpeedIndexText(value);
    case kPriorityField: return ChoiceText(value, "Высокий", "Низкий");
    case kWaitUnitPreamblesField: return ChoiceText(value, "Не ожидать", "Ожидать");
    case kRetryDelayIndexField: return ChoiceText(value, "Меньшая", "Большая");
    case kUnitAnswerWaitField: return Format("%d (%d мс)", value, UnitAnswerWaitMs(value));
    default: return std::to_string(value);
  }
}

int UnitAnswerWaitMs(int value) { return value * kAnswerWaitStepMs + kAnswerWaitBaseMs; }

const char* PortLetter(uint8_t portCode) {
  switch (portCode) {
    case kPortA: return "A";
    case kPortB: return "B";
    case kPortC: return "C";
    default: return nullptr;
  }
}

std::string PortText(uint8_t portCode) {
  const char* letter = PortLetter(portCode);
  return letter ? std::string("порт ") + letter : Format("порт ? (код %u)", unsigned{portCode});
}

std::string UnitLinkByteText(uint8_t linkByte) {
  const uint8_t port = PortCodeOfUnitLinkByte(linkByte);
  const std::string where = port == 0 ? std::string("не подключен") : PortText(port);
  return Format("%s, %s (0x%02X)", where.c_str(),
                SpeedIndexText(SpeedIndexOfUnitLinkByte(linkByte)).c_str(), unsigned{linkByte});
}

std::string VisibleText(const std::string& text) {
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

}  // namespace vkt53
