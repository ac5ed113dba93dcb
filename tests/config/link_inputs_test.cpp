// The editors' link parameter controls on "Записать в устройство", without
// the window: the checks in their fixed order, what each leaves in the image,
// and the texts of the message that reports them.
#include "config/link_inputs.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/modem_string.h"

using namespace vkt53;

namespace {

ConfigImage NewImage() {
  ConfigImage image;
  NewConfigurationImage(image);
  return image;
}

LinkInputs ValidInputs() {
  LinkInputs in;
  in.masterSpeedItem = "9600";
  in.priorityItem = 1;
  in.waitUnitPreamblesItem = 0;
  in.retryDelayItem = 1;
  in.answerPreambles = "7";
  in.requestPreambles = "8";
  in.unitAnswerWait = "250";
  in.modemText = "ATZ";
  return in;
}

// The new image with only the master speed index changed to 9600 bit/s.
ConfigImage OnlyTheSpeedStored() {
  ConfigImage image = NewImage();
  image.bytes[kMasterSpeedIndexField] = 11;
  return image;
}

}  // namespace

TEST(LinkInputs, AValidEntryIsStoredWhole) {
  ConfigImage image = NewImage();
  ASSERT_EQ(StoreLinkInputs(ValidInputs(), image), LinkInputVerdict::Stored);
  EXPECT_EQ(image.bytes[kMasterSpeedIndexField], 11);
  EXPECT_EQ(image.bytes[kAnswerPreambleCountField], 7);
  EXPECT_EQ(image.bytes[kRequestPreambleCountField], 8);
  EXPECT_EQ(image.bytes[kPriorityField], 1);
  EXPECT_EQ(image.bytes[kWaitUnitPreamblesField], 0);
  EXPECT_EQ(image.bytes[kRetryDelayIndexField], 1);
  EXPECT_EQ(image.bytes[kUnitAnswerWaitField], 250);
  EXPECT_EQ(ModemTextOfImage(image), "ATZ");
}

TEST(LinkInputs, AListWithoutChoiceOrAnEmptyWaitIsIncompleteAndStoresNothing) {
  std::vector<LinkInputs> incomplete(6, ValidInputs());
  incomplete[0].masterSpeedItem.reset();
  incomplete[1].masterSpeedItem = "1000";  // no speed of the table
  incomplete[2].priorityItem.reset();
  incomplete[3].waitUnitPreamblesItem.reset();
  incomplete[4].retryDelayItem.reset();
  incomplete[5].unitAnswerWait.clear();
  for (std::size_t i = 0; i < incomplete.size(); ++i) {
    ConfigImage image = NewImage();
    EXPECT_EQ(StoreLinkInputs(incomplete[i], image), LinkInputVerdict::Incomplete) << i;
    EXPECT_EQ(image, NewImage()) << i;
  }
}

TEST(LinkInputs, CompletenessIsCheckedBeforeAnyRange) {
  LinkInputs in = ValidInputs();
  in.unitAnswerWait.clear();
  in.answerPreambles = "999";
  ConfigImage image = NewImage();
  EXPECT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::Incomplete);
}

TEST(LinkInputs, PreamblesAreCheckedBeforeTheWaitAndOnlyTheSpeedIsLeftStored) {
  LinkInputs in = ValidInputs();
  in.requestPreambles = "256";
  in.unitAnswerWait = "256";
  ConfigImage image = NewImage();
  EXPECT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::PreamblesOutOfRange);
  EXPECT_EQ(image, OnlyTheSpeedStored());

  in = ValidInputs();
  in.unitAnswerWait = "300";
  image = NewImage();
  EXPECT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::AnswerWaitOutOfRange);
  EXPECT_EQ(image, OnlyTheSpeedStored());
}

TEST(LinkInputs, RangeBoundaries) {
  struct Case {
    std::string LinkInputs::*field;
    const char* text;
    LinkInputVerdict verdict;
  };
  const Case cases[] = {
      {&LinkInputs::answerPreambles, "0", LinkInputVerdict::Stored},
      {&LinkInputs::answerPreambles, "255", LinkInputVerdict::Stored},
      {&LinkInputs::answerPreambles, "256", LinkInputVerdict::PreamblesOutOfRange},
      {&LinkInputs::requestPreambles, "255", LinkInputVerdict::Stored},
      {&LinkInputs::requestPreambles, "256", LinkInputVerdict::PreamblesOutOfRange},
      {&LinkInputs::unitAnswerWait, "0", LinkInputVerdict::Stored},
      {&LinkInputs::unitAnswerWait, "255", LinkInputVerdict::Stored},
      {&LinkInputs::unitAnswerWait, "256", LinkInputVerdict::AnswerWaitOutOfRange},
  };
  for (const Case& c : cases) {
    LinkInputs in = ValidInputs();
    in.*c.field = c.text;
    ConfigImage image = NewImage();
    EXPECT_EQ(StoreLinkInputs(in, image), c.verdict) << c.text;
  }
}

TEST(LinkInputs, AnEmptyPreambleFieldMeansNoPreambles) {
  LinkInputs in = ValidInputs();
  in.answerPreambles.clear();
  in.requestPreambles.clear();
  ConfigImage image = NewImage();
  image.bytes[kAnswerPreambleCountField] = 5;
  ASSERT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::Stored);
  EXPECT_EQ(image.bytes[kAnswerPreambleCountField], 0);
  EXPECT_EQ(image.bytes[kRequestPreambleCountField], 0);
}

TEST(LinkInputs, PastedTextThatIsNoNumberIsRefusedByItsField) {
  ConfigImage image = NewImage();
  LinkInputs in = ValidInputs();
  in.requestPreambles = "1x";
  EXPECT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::PreamblesOutOfRange);
  in.requestPreambles = "-1";
  EXPECT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::PreamblesOutOfRange);
  in.requestPreambles = "";
  in.unitAnswerWait = "a";
  EXPECT_EQ(StoreLinkInputs(in, image), LinkInputVerdict::AnswerWaitOutOfRange);
  EXPECT_EQ(image, OnlyTheSpeedStored());
}

TEST(LinkInputs, EachRefusalHasItsTwoLines) {
  auto lines = [](LinkInputVerdict verdict) {
    const InputErrorLines l = InputErrorOf(verdict);
    return std::string(l.line1) + "|" + l.line2;
  };
  EXPECT_EQ(lines(LinkInputVerdict::Incomplete), "Введены не все параметры|");
  EXPECT_EQ(lines(LinkInputVerdict::PreamblesOutOfRange), "Количество преамбул|вне допустимого диапазона");
  EXPECT_EQ(lines(LinkInputVerdict::AnswerWaitOutOfRange),
            "Длительность ожидания ответа от вычислителя|вне допустимого диапазона");
}
