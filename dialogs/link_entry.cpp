#include "dialogs/link_entry.h"

#include "support/decimal_field.h"
#include "config/speed_table.h"

namespace vkt53 {

namespace {

struct FieldRange {
  LinkEntryField field;
  const std::string LinkEntry::*text;
  int64_t low;
  int64_t high;
};

constexpr FieldRange kCheckOrder[] = {
    {LinkEntryField::FirstByteWait, &LinkEntry::firstByteWait, 1, 120},
    {LinkEntryField::FollowingBytesWait, &LinkEntry::followingBytesWait, 55, 5000},
    {LinkEntryField::PreambleCount, &LinkEntry::preambleCount, 0, 255},
    {LinkEntryField::RtsPause, &LinkEntry::rtsPause, 2, 1000},
};

int PositionOrNone(int value, int first, int count) {
  const int position = value - first;
  return position >= 0 && position < count ? position : -1;
}

void StoreField(LinkSettings& settings, LinkEntryField field, int64_t value) {
  switch (field) {
    case LinkEntryField::FirstByteWait: settings.firstByteWaitSec = static_cast<int32_t>(value); break;
    case LinkEntryField::FollowingBytesWait: settings.followingBytesWaitMs = static_cast<int32_t>(value); break;
    case LinkEntryField::PreambleCount: settings.preambleCount = static_cast<uint8_t>(value); break;
    case LinkEntryField::RtsPause: settings.rtsPauseMs = static_cast<int32_t>(value); break;
    case LinkEntryField::None: break;
  }
}

}  // namespace

const char* LinkEntryFieldName(LinkEntryField field) {
  switch (field) {
    case LinkEntryField::FirstByteWait: return "Время ожидания первого байта ответа";
    case LinkEntryField::FollowingBytesWait: return "Время ожидания следующих байтов ответа";
    case LinkEntryField::PreambleCount: return "Количество преамбул в запросе";
    case LinkEntryField::RtsPause: return "Пауза после установки RTS";
    case LinkEntryField::None: break;
  }
  return "";
}

LinkEntry EntryOfSettings(const LinkSettings& settings) {
  LinkEntry entry;
  entry.portNumber = settings.portNumber;
  entry.speedIndex = IndexOfSpeed(settings.exchangeSpeed);
  entry.attemptsIndex = PositionOrNone(settings.attemptCount, 1, kAttemptChoices);
  entry.firstByteWait = std::to_string(settings.firstByteWaitSec);
  entry.followingBytesWait = std::to_string(settings.followingBytesWaitMs);
  entry.preambleCount = std::to_string(settings.preambleCount);
  entry.rtsPause = std::to_string(settings.rtsPauseMs);
  return entry;
}

int PortListPosition(const std::vector<PortInfo>& offered, int portNumber) {
  for (std::size_t i = 0; i < offered.size(); ++i) {
    if (offered[i].number == portNumber) return static_cast<int>(i);
  }
  return -1;
}

bool IsEntryComplete(const LinkEntry& entry) {
  const bool listsChosen = entry.portNumber >= 1 && entry.portNumber <= kHighestPortNumber &&
                           SpeedOfIndex(entry.speedIndex) != 0 &&
                           PositionOrNone(entry.attemptsIndex, 0, kAttemptChoices) >= 0;
  return listsChosen && !entry.firstByteWait.empty() && !entry.followingBytesWait.empty() &&
         !entry.preambleCount.empty() && !entry.rtsPause.empty();
}

LinkEntryCheck CheckLinkEntry(const LinkEntry& entry, const LinkSettings& current) {
  LinkEntryCheck check{LinkEntryField::None, current};
  check.settings.portNumber = static_cast<uint8_t>(entry.portNumber);
  check.settings.exchangeSpeed = SpeedOfIndex(entry.speedIndex);
  check.settings.attemptCount = static_cast<uint8_t>(entry.attemptsIndex + 1);
  for (const FieldRange& range : kCheckOrder) {
    const DecimalField value = ParseDecimalField(entry.*range.text);
    if (!value.IsValueIn(range.low, range.high)) {
      check.failed = range.field;
      return check;
    }
    StoreField(check.settings, range.field, value.value);
  }
  return check;
}

}  // namespace vkt53
