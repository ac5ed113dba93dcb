#include "link/exchange_lines.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "support/byte_order.h"
#include "config/config_record.h"
#include "config/config_tables.h"
#include "link/crc16.h"
#include "link/plcbox.h"
#include "link/result_codes.h"
#include "support/text_format.h"

namespace vkt53 {

namespace {

constexpr std::size_t kHeadSize = 4;  // start symbol, address, length, function code
constexpr std::size_t kChecksumSize = 2;
constexpr std::size_t kBlockHeaderSize = 6;  // of a function 29 request
constexpr std::size_t kEchoSize = 3;         // a read's answer: table, first field, count
constexpr uint8_t kReplyBit = 0x80;
constexpr uint8_t kPreambleByte = 0xFF;
constexpr uint8_t kValveError = 24;

double Ms(SteadyClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// "поле 5" for one field, else "поля 0-130": the upper number is first +
// count, as the status line writes its ranges.
std::string Fields(int first, int count) {
  return count <= 1 ? Format("поле %d", first) : Format("поля %d-%d", first, first + count);
}

uint8_t At(std::span<const uint8_t> bytes, std::size_t i) {
  return i < bytes.size() ? bytes[i] : 0;
}

std::span<const uint8_t> DataOf(std::span<const uint8_t> frame) {
  if (frame.size() < kHeadSize + kChecksumSize) return {};
  return frame.subspan(kHeadSize, frame.size() - kHeadSize - kChecksumSize);
}

const MessageTable& Messages() {
  static const MessageTable table = MakeMessageTable();
  return table;
}

std::string ResultText(int code) {
  return code >= 0 && code < kMessageCount ? Messages()[code] : std::string();
}

// The device's error and reason texts of an error answer, as the exchange
// decodes them.
std::string DeviceErrorMeaning(std::span<const uint8_t> frame) {
  MessageTable messages = Messages();
  const uint8_t errorData[2] = {At(frame, kHeadSize), At(frame, kHeadSize + 1)};
  if (DecodeDeviceError(messages, errorData) == kResultValveError) {
    return Format("ответ с ошибкой: ошибка устройства %d, причина %d «%s»", kValveError,
                  errorData[1], messages[kReasonSlot].c_str());
  }
  return Format("ответ с ошибкой: ошибка устройства %d «%s»", errorData[0],
                messages[kResultDeviceError].c_str());
}

std::string ResultWithText(int code, std::span<const uint8_t> frame) {
  std::string text = ResultText(code);
  if (code == kResultDeviceError) {
    MessageTable messages = Messages();
    const uint8_t errorData[2] = {At(frame, kHeadSize), At(frame, kHeadSize + 1)};
    DecodeDeviceError(messages, errorData);
    text = messages[kResultDeviceError];
  }
  return Format("код %d «%s»", code, text.c_str());
}

// The modem command string: printable characters as they are, the others
// as \xNN, the zeros that fill the field left out.
std::string FieldText(std::span<const uint8_t> bytes) {
  std::size_t end = bytes.size();
  while (end > 0 && bytes[end - 1] == 0) --end;
  std::string text;
  for (std::size_t i = 0; i < end; ++i) {
    const uint8_t b = bytes[i];
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      text += static_cast<char>(b);
    } else {
      text += Format("\\x%02X", b);
    }
  }
  return "«" + text + "»";
}

// Field values of a read's answer by the table's field size: the speed
// masks as 32-bit numbers, the modem command as text, others one byte each.
std::string Values(int table, std::span<const uint8_t> values) {
  std::string out;
  if (table == kModemCommandTable) return FieldText(values);
  const std::size_t size = table == kSpeedAvailabilityTable ? kSpeedMaskSize : 1;
  for (std::size_t i = 0; i + size <= values.size(); i += size) {
    if (!out.empty()) out += ' ';
    out += size == 1 ? Format("%d", static_cast<int>(values[i]))
                     : Format("0x%08X", GetUint32Le(values.data() + i));
  }
  return out;
}

std::string ReadAnswerMeaning(std::span<const uint8_t> request, std::span<const uint8_t> frame) {
  const std::span<const uint8_t> data = DataOf(frame);
  if (data.size() < kEchoSize) return "ответ без эха запроса";
  const int table = data[0];
  std::string meaning = Format("ответ: таблица %d, %s", table, Fields(data[1], data[2]).c_str());
  const std::span<const uint8_t> block = DataOf(request);
  if (At(block, 0) != data[0] || At(block, 1) != data[1] || At(block, 2) != data[2]) {
    meaning += Format(" (запрошены таблица %d, %s)", At(block, 0),
                      Fields(At(block, 1), At(block, 2)).c_str());
  }
  const std::span<const uint8_t> values = data.subspan(kEchoSize);
  meaning += values.empty() ? ", значений нет" : ", значения " + Values(table, values);
  return meaning;
}

std::string SuccessMeaning(std::span<const uint8_t> request, std::span<const uint8_t> frame) {
  const uint8_t function = At(request, 3);
  if (function == kTableFunction) {
    const std::span<const uint8_t> block = DataOf(request);
    if (At(block, 2) != 0) return ReadAnswerMeaning(request, frame);
    return Format("ответ на запись таблицы %d, %s", At(block, 3),
                  Fields(At(block, 4), At(block, 5)).c_str());
  }
  return Format("ответ на функцию %d", function);
}

std::string ChecksumMeaning(std::span<const uint8_t> frame) {
  const std::size_t covered = frame.size() - kChecksumSize;
  const uint16_t computed = Crc16(frame.data(), covered);
  const unsigned sent = frame[covered] | (frame[covered + 1] << 8);  // low byte first
  return Format("неверная КС: в кадре %04X, по данным %04X", sent, static_cast<unsigned>(computed));
}

std::string OutcomeMeaning(const AnswerOutcome& answer) {
  const auto frame = answer.frame;
  switch (answer.resultCode) {
    case kResultOk: return SuccessMeaning(answer.request, frame);
    case kResultDeviceError:
    case kResultValveError: return DeviceErrorMeaning(frame);
    case kResultBadChecksum: return ChecksumMeaning(frame);
    case kResultShortBody:
      return Format("короткое тело: длина кадра %d, пришло %d байт", At(frame, 2),
                    static_cast<int>(frame.size()));
    case kResultReadFailed:
      return Format("сбой чтения тела: длина кадра %d, пришло %d байт", At(frame, 2),
                    static_cast<int>(frame.size()));
    case kResultNoAnswer: return Format("нет ответа за %u мс", answer.waitMs);
    default: return "";
  }
}

std::string Line(SteadyClock::time_point at, SteadyClock::time_point epoch, const char* direction,
                 int32_t bitRate, const std::string& bytes, const std::string& meaning) {
  std::string line = Format("%10.1f  %s  %6d бит/с  ", Ms(at - epoch), direction, bitRate);
  if (!bytes.empty()) line += bytes + "  ";
  return line + meaning;
}

// "[text] ", built by appending: the "literal" + temporary form trips a
// false -Wrestrict warning of GCC 12 at -O3.
std::string Bracketed(const std::string& text) {
  std::string out("[");
  out.append(text).append("] ");
  return out;
}

}  // namespace

std::string RequestMeaning(std::span<const uint8_t> frame) {
  const uint8_t function = At(frame, 3);
  if (function != kTableFunction) return Format("функция %d", function);
  const std::span<const uint8_t> block = DataOf(frame);
  if (block.size() < kBlockHeaderSize) return "запрос таблицы без заголовка";
  std::string meaning;
  if (block[2] != 0)
    meaning = Format("чтение таблицы %d, %s", block[0], Fields(block[1], block[2]).c_str());
  if (block[5] != 0) {
    if (!meaning.empty()) meaning += " и ";
    meaning += Format("запись таблицы %d, %s", block[3], Fields(block[4], block[5]).c_str());
  }
  return meaning.empty() ? "запрос таблицы без полей" : meaning;
}

std::string SentLine(const SentFrame& sent, SteadyClock::time_point epoch) {
  std::string bytes = HexText(sent.frame);
  if (sent.preambleCount > 0) {
    const std::vector<uint8_t> preamble(static_cast<std::size_t>(sent.preambleCount),
                                        kPreambleByte);
    bytes = Bracketed(HexText(preamble)) + bytes;
  }
  std::string meaning = RequestMeaning(sent.frame);
  meaning += Format("; попытка %d из %d", sent.attempt, sent.attempts);
  meaning += Format("; rts=%s, пауза RTS %u мс (%.1f)", RtsModeWord(sent.rtsMode), sent.rtsPauseMs,
                    Ms(sent.rtsPause));
  if (sent.writeFailed) {
    meaning += "; сбой передачи; " + ResultWithText(kResultWriteFailed, {});
  } else {
    meaning += Format(", удержание %.1f мс (%.1f)", Ms(sent.hold), Ms(sent.rtsHeld));
  }
  return Line(sent.writeStart, epoch, "→", sent.bitRate, bytes, meaning);
}

std::string AnswerLine(const AnswerOutcome& answer, SteadyClock::time_point epoch) {
  // The 0xFF bytes right before the frame are its preamble; what was skipped
  // before them is noise.
  std::span<const uint8_t> noise = answer.skipped;
  std::size_t noiseCount = answer.skippedCount;
  std::size_t preamble = 0;
  if (answer.startSymbolSeen) {
    while (preamble < noise.size() && noise[noise.size() - 1 - preamble] == kPreambleByte)
      ++preamble;
    noise = noise.first(noise.size() - preamble);
    noiseCount -= preamble;
  }
  std::string bytes = HexText(answer.frame);
  if (preamble > 0) {
    const std::vector<uint8_t> ff(preamble, kPreambleByte);
    bytes = Bracketed(HexText(ff)) + bytes;
  }
  std::string meaning = OutcomeMeaning(answer);
  if (noiseCount > 0) {
    const std::string more = noiseCount > noise.size() ? "… " : "";
    meaning += Format("; пропущено байт шума: %s (%s%s)", std::to_string(noiseCount).c_str(),
                      more.c_str(), HexText(noise).c_str());
  }
  meaning += "; " + ResultWithText(answer.resultCode, answer.frame);
  meaning += Format("; попытка %d из %d", answer.attempt, answer.attempts);
  if (answer.startSymbolSeen)
    meaning += Format("; первый байт через %.1f мс", Ms(answer.firstByte));
  return Line(answer.end, epoch, "←", answer.bitRate, bytes, meaning);
}

std::string RequestFailureLine(const RequestFailure& failure, SteadyClock::time_point epoch) {
  std::string meaning;
  std::string text = ResultText(failure.resultCode);
  if (failure.resultCode == kResultIdentifierMismatch) {
    text = Format(text.c_str(), failure.sentIdentifier, failure.receivedIdentifier);
    meaning = Format("функция %d: идентификатор запроса %d, в ответе %d", failure.function,
                     failure.sentIdentifier, failure.receivedIdentifier);
  } else {
    meaning = Format("функция %d не отправлена", failure.function);
  }
  meaning += Format("; код %d «%s»", failure.resultCode, text.c_str());
  return Format("%10.1f  %s  ", Ms(failure.at - epoch), "×") + meaning;
}

}  // namespace vkt53
