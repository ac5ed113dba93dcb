// What the connection parameters dialog shows and accepts, apart from the
// window: the link settings as list positions and edit texts, and the check
// of an entry back into link settings.
#pragma once

#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/port_discovery.h"

namespace vkt53 {

inline constexpr int kAttemptChoices = 5;  // 1 .. 5

// List positions are -1 and the port 0 for "no selection". The port list's
// items are the ports offered (OfferedPorts), so the port is kept by number.
struct LinkEntry {
  int portNumber = 0;  // n of COMn
  int speedIndex = -1;
  int attemptsIndex = -1;
  std::string firstByteWait;       // seconds
  std::string followingBytesWait;  // ms
  std::string preambleCount;
  std::string rtsPause;  // ms
};

// The fields in the order they are checked; the first failing one is reported.
enum class LinkEntryField { None, FirstByteWait, FollowingBytesWait, PreambleCount, RtsPause };

// The field's name in the input error box (UTF-8); empty for None.
const char* LinkEntryFieldName(LinkEntryField field);

struct LinkEntryCheck {
  LinkEntryField failed = LinkEntryField::None;
  LinkSettings settings;  // the checked values over the current record; valid when nothing failed
};

// A stored value that no list offers (a speed outside the table, port 0,
// attempts 0) gives no selection, so that the user has to choose.
LinkEntry EntryOfSettings(const LinkSettings& settings);

// The position of COMportNumber in the port list, or -1 when it is not there.
int PortListPosition(const std::vector<PortInfo>& offered, int portNumber);

// Every list has a selection and no edit text is empty.
bool IsEntryComplete(const LinkEntry& entry);

// Checks a complete entry field by field in the fixed order and, when all
// pass, returns the current record with the entered values put in. A text
// that is not a number fails like a value out of range.
LinkEntryCheck CheckLinkEntry(const LinkEntry& entry, const LinkSettings& current);

}  // namespace vkt53
