// The connection parameters' entry without the dialog: what the controls
// show for stored link settings, when an entry is complete, and the range
// checks in their fixed order.
#include "dialogs/link_entry.h"

#include <gtest/gtest.h>

using namespace vkt53;

namespace {

// What the dialog shows for the default settings, a valid entry.
LinkEntry ValidEntry() { return EntryOfSettings(LinkSettings{}); }

LinkEntry With(std::string LinkEntry::*field, const std::string& text) {
  LinkEntry entry = ValidEntry();
  entry.*field = text;
  return entry;
}

struct Boundary {
  std::string LinkEntry::*field;
  const char* text;
  LinkEntryField refusedAs;  // None: the value passes
};

}  // namespace

TEST(LinkEntryShown, ListsSelectTheStoredValuesAndEditsShowThemAsText) {
  const LinkEntry entry = EntryOfSettings({0, 0, 3, 19200, 7, 4, 250, 15, 30});
  EXPECT_EQ(entry.portNumber, 3);
  EXPECT_EQ(entry.speedIndex, 15);
  EXPECT_EQ(entry.attemptsIndex, 3);
  EXPECT_EQ(entry.firstByteWait, "15");
  EXPECT_EQ(entry.followingBytesWait, "250");
  EXPECT_EQ(entry.preambleCount, "7");
  EXPECT_EQ(entry.rtsPause, "30");
}

TEST(LinkEntryShown, AStoredValueNoListOffersLeavesThatListWithoutSelection) {
  LinkSettings settings;
  settings.exchangeSpeed = 1000;
  EXPECT_EQ(EntryOfSettings(settings).speedIndex, -1);
  settings = {};
  settings.portNumber = 0;
  EXPECT_EQ(EntryOfSettings(settings).portNumber, 0);
  for (const uint8_t attempts : {uint8_t{0}, uint8_t{6}}) {
    settings = {};
    settings.attemptCount = attempts;
    EXPECT_EQ(EntryOfSettings(settings).attemptsIndex, -1) << int(attempts);
  }
  settings = {};
  settings.portNumber = 8;
  settings.attemptCount = 5;
  settings.exchangeSpeed = 300;
  const LinkEntry edges = EntryOfSettings(settings);
  EXPECT_EQ(edges.portNumber, 8);
  EXPECT_EQ(edges.attemptsIndex, 4);
  EXPECT_EQ(edges.speedIndex, 0);
}

// USB adapters often get COM10 and up: the port list offers them after
// COM1 .. COM8, and the port is kept by its number, not by its place.
TEST(LinkEntryShown, APortAboveEightIsSelectedAndStoredByItsNumber) {
  std::vector<PortInfo> offered;
  for (const int number : {1, 2, 3, 4, 5, 6, 7, 8, 12, 255}) {
    offered.emplace_back();
    offered.back().number = number;
  }
  LinkSettings settings;
  settings.portNumber = 12;
  const LinkEntry entry = EntryOfSettings(settings);
  EXPECT_EQ(PortListPosition(offered, entry.portNumber), 8);
  EXPECT_EQ(PortListPosition(offered, 255), 9);
  EXPECT_EQ(PortListPosition(offered, 9), -1);
  EXPECT_EQ(PortListPosition(offered, 0), -1);
  ASSERT_TRUE(IsEntryComplete(entry));
  EXPECT_EQ(CheckLinkEntry(entry, LinkSettings{}).settings.portNumber, 12);
}

TEST(LinkEntryShown, AStoredValueLongerThanItsFieldIsShownWhole) {
  LinkSettings settings;
  settings.firstByteWaitSec = 1000;
  settings.rtsPauseMs = -5;
  EXPECT_EQ(EntryOfSettings(settings).firstByteWait, "1000");
  EXPECT_EQ(EntryOfSettings(settings).rtsPause, "-5");
}

TEST(LinkEntryComplete, EveryListChosenAndNoEditEmpty) {
  EXPECT_TRUE(IsEntryComplete(ValidEntry()));
  for (int LinkEntry::*list :
       {&LinkEntry::portNumber, &LinkEntry::speedIndex, &LinkEntry::attemptsIndex}) {
    LinkEntry entry = ValidEntry();
    entry.*list = -1;
    EXPECT_FALSE(IsEntryComplete(entry));
  }
  for (auto edit : {&LinkEntry::firstByteWait, &LinkEntry::followingBytesWait, &LinkEntry::preambleCount,
                    &LinkEntry::rtsPause}) {
    EXPECT_FALSE(IsEntryComplete(With(edit, "")));
  }
  LinkEntry beyondTheLists = ValidEntry();
  beyondTheLists.speedIndex = 22;
  EXPECT_FALSE(IsEntryComplete(beyondTheLists));
  beyondTheLists = ValidEntry();
  beyondTheLists.portNumber = 256;
  EXPECT_FALSE(IsEntryComplete(beyondTheLists));
  beyondTheLists = ValidEntry();
  beyondTheLists.attemptsIndex = 5;
  EXPECT_FALSE(IsEntryComplete(beyondTheLists));
}

TEST(LinkEntryCheck, RangeBoundariesOfEachField) {
  using F = LinkEntryField;
  const Boundary boundaries[] = {
      {&LinkEntry::firstByteWait, "0", F::FirstByteWait},       {&LinkEntry::firstByteWait, "1", F::None},
      {&LinkEntry::firstByteWait, "120", F::None},              {&LinkEntry::firstByteWait, "121", F::FirstByteWait},
      {&LinkEntry::followingBytesWait, "54", F::FollowingBytesWait},
      {&LinkEntry::followingBytesWait, "55", F::None},          {&LinkEntry::followingBytesWait, "5000", F::None},
      {&LinkEntry::followingBytesWait, "5001", F::FollowingBytesWait},
      {&LinkEntry::preambleCount, "0", F::None},                {&LinkEntry::preambleCount, "255", F::None},
      {&LinkEntry::preambleCount, "256", F::PreambleCount},     {&LinkEntry::rtsPause, "1", F::RtsPause},
      {&LinkEntry::rtsPause, "2", F::None},                     {&LinkEntry::rtsPause, "1000", F::None},
      {&LinkEntry::rtsPause, "1001", F::RtsPause},
  };
  for (const Boundary& b : boundaries) {
    SCOPED_TRACE(b.text);
    const LinkEntryCheck check = CheckLinkEntry(With(b.field, b.text), LinkSettings{});
    EXPECT_EQ(check.failed, b.refusedAs);
    if (b.refusedAs == F::None) {
      EXPECT_EQ(EntryOfSettings(check.settings).*b.field, b.text) << "stored";
    }
  }
}

TEST(LinkEntryCheck, OnlyTheFirstFailingFieldInTheFixedOrderIsReported) {
  LinkEntry entry = ValidEntry();
  entry.firstByteWait = "0";
  entry.followingBytesWait = "1";
  entry.preambleCount = "999";
  entry.rtsPause = "0";
  EXPECT_EQ(CheckLinkEntry(entry, {}).failed, LinkEntryField::FirstByteWait);
  entry.firstByteWait = "5";
  EXPECT_EQ(CheckLinkEntry(entry, {}).failed, LinkEntryField::FollowingBytesWait);
  entry.followingBytesWait = "100";
  EXPECT_EQ(CheckLinkEntry(entry, {}).failed, LinkEntryField::PreambleCount);
  entry.preambleCount = "9";
  EXPECT_EQ(CheckLinkEntry(entry, {}).failed, LinkEntryField::RtsPause);
  entry.rtsPause = "9";
  EXPECT_EQ(CheckLinkEntry(entry, {}).failed, LinkEntryField::None);
}

TEST(LinkEntryCheck, PastedTextThatIsNoNumberFailsLikeAValueOutOfRange) {
  for (const char* text : {"1x0", "-5", "+", "0x10", "99999999999999999999"}) {
    EXPECT_EQ(CheckLinkEntry(With(&LinkEntry::followingBytesWait, text), {}).failed,
              LinkEntryField::FollowingBytesWait)
        << text;
  }
  EXPECT_EQ(CheckLinkEntry(With(&LinkEntry::followingBytesWait, " 300 "), {}).settings.followingBytesWaitMs, 300)
      << "blanks around a number are no fault";
}

TEST(LinkEntryCheck, APassingEntryOverlaysTheCurrentRecord) {
  LinkSettings current;
  current.tableWriteLock = 1;
  current.reserved = 0x5A;
  LinkEntry entry;
  entry.portNumber = 5;
  entry.speedIndex = 19;  // 57600
  entry.attemptsIndex = 2;
  entry.firstByteWait = "9";
  entry.followingBytesWait = "300";
  entry.preambleCount = "4";
  entry.rtsPause = "20";
  const LinkEntryCheck check = CheckLinkEntry(entry, current);
  ASSERT_EQ(check.failed, LinkEntryField::None);
  EXPECT_EQ(check.settings, (LinkSettings{1, 0x5A, 5, 57600, 4, 3, 300, 9, 20}))
      << "the write lock and the reserved byte are carried, never edited";
}
