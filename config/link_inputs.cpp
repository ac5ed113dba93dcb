#include "config/link_inputs.h"

#include "support/decimal_field.h"
#include "config/modem_string.h"
#include "config/speed_list.h"

namespace vkt53 {

namespace {

constexpr int kByteLimit = 255;

// An empty preamble field means no preambles.
std::optional<uint8_t> PreambleCount(const std::string& text) {
  const DecimalField field = ParseDecimalField(text);
  if (field.state == DecimalFieldState::Empty) return 0;
  if (!field.IsValueIn(0, kByteLimit)) return std::nullopt;
  return static_cast<uint8_t>(field.value);
}

std::optional<uint8_t> ByteValue(const std::string& text) {
  const DecimalField field = ParseDecimalField(text);
  if (!field.IsValueIn(0, kByteLimit)) return std::nullopt;
  return static_cast<uint8_t>(field.value);
}

bool IsComplete(const LinkInputs& inputs) {
  return inputs.masterSpeedItem && SpeedIndexOfItem(*inputs.masterSpeedItem) >= 0 &&
         inputs.priorityItem && inputs.waitUnitPreamblesItem && inputs.retryDelayItem &&
         !inputs.unitAnswerWait.empty();
}

}  // namespace

LinkInputVerdict StoreLinkInputs(const LinkInputs& inputs, ConfigImage& image) {
  if (!IsComplete(inputs)) return LinkInputVerdict::Incomplete;
  image.bytes[kMasterSpeedIndexField] = static_cast<uint8_t>(SpeedIndexOfItem(*inputs.masterSpeedItem));

  const auto answerPreambles = PreambleCount(inputs.answerPreambles);
  const auto requestPreambles = PreambleCount(inputs.requestPreambles);
  if (!answerPreambles || !requestPreambles) return LinkInputVerdict::PreamblesOutOfRange;
  const auto answerWait = ByteValue(inputs.unitAnswerWait);
  if (!answerWait) return LinkInputVerdict::AnswerWaitOutOfRange;

  image.bytes[kAnswerPreambleCountField] = *answerPreambles;
  image.bytes[kRequestPreambleCountField] = *requestPreambles;
  image.bytes[kUnitAnswerWaitField] = *answerWait;
  image.bytes[kPriorityField] = static_cast<uint8_t>(*inputs.priorityItem);
  image.bytes[kWaitUnitPreamblesField] = static_cast<uint8_t>(*inputs.waitUnitPreamblesItem);
  image.bytes[kRetryDelayIndexField] = static_cast<uint8_t>(*inputs.retryDelayItem);
  StoreModemText(image, inputs.modemText);
  return LinkInputVerdict::Stored;
}

InputErrorLines InputErrorOf(LinkInputVerdict verdict) {
  switch (verdict) {
    case LinkInputVerdict::Incomplete:
      return {"Введены не все параметры", ""};
    case LinkInputVerdict::PreamblesOutOfRange:
      return {"Количество преамбул", "вне допустимого диапазона"};
    case LinkInputVerdict::AnswerWaitOutOfRange:
      return {"Длительность ожидания ответа от вычислителя", "вне допустимого диапазона"};
    case LinkInputVerdict::Stored:
      break;
  }
  return {"", ""};
}

}  // namespace vkt53
