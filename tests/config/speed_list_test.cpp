#include "config/speed_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vkt53;

namespace {

constexpr uint32_t kBit(int index) { return 1u << index; }

const std::vector<std::string> kAllSpeedTexts = {
    "300",   "600",   "1200",  "2400",  "3200",   "3600",  "4800",  "5760",
    "6400",  "7200",  "7680",  "9600",  "11520",  "12800", "14400", "19200",
    "23040", "28800", "38400", "57600", "115200", "230400"};

}  // namespace

TEST(FillSpeedList, LowTwelveBitsOfferUpTo9600AndNotAnIndexAboveThem) {
  const SpeedListContent list = FillSpeedList(0x00000FFF, 15);
  EXPECT_EQ(list.items,
            std::vector<std::string>(kAllSpeedTexts.begin(), kAllSpeedTexts.begin() + 12));
  EXPECT_FALSE(list.selectedItem.has_value());
}

TEST(FillSpeedList, GapsAreOmittedAndTheSelectionCountsListedItemsOnly) {
  const SpeedListContent list = FillSpeedList(kBit(11) | kBit(15), 15);
  EXPECT_EQ(list.items, (std::vector<std::string>{"9600", "19200"}));
  EXPECT_EQ(list.selectedItem, 1);
}

TEST(FillSpeedList, StoredIndexAmongTheOmittedSelectsNothing) {
  const SpeedListContent list = FillSpeedList(kBit(2) | kBit(4) | kBit(6), 3);
  EXPECT_EQ(list.items, (std::vector<std::string>{"1200", "3200", "4800"}));
  EXPECT_FALSE(list.selectedItem.has_value());
}

TEST(FillSpeedList, BitsAbove21OfferNothing) {
  const SpeedListContent list = FillSpeedList(0xFFC00000u, 22);
  EXPECT_TRUE(list.items.empty());
  EXPECT_FALSE(list.selectedItem.has_value());
}

TEST(FillSpeedList, FullMaskOffersAll22AndSelectsTheStoredOne) {
  const SpeedListContent list = FillSpeedList(0xFFFFFFFFu, 21);
  EXPECT_EQ(list.items, kAllSpeedTexts);
  EXPECT_EQ(list.selectedItem, 21);
}

TEST(FillAllSpeedsList, SelectsByPositionAndNothingAbove21) {
  EXPECT_EQ(FillAllSpeedsList(0).items, kAllSpeedTexts);
  EXPECT_EQ(FillAllSpeedsList(0).selectedItem, 0);
  EXPECT_EQ(FillAllSpeedsList(2).selectedItem, 2);
  EXPECT_FALSE(FillAllSpeedsList(22).selectedItem.has_value());
  EXPECT_FALSE(FillAllSpeedsList(255).selectedItem.has_value());
}

TEST(SpeedIndexOfItem, ReadsTheSpeedBackAsItsIndex) {
  EXPECT_EQ(SpeedIndexOfItem("1200"), 2);
  EXPECT_EQ(SpeedIndexOfItem("230400"), 21);
  EXPECT_EQ(SpeedIndexOfItem("1000"), -1);
  EXPECT_EQ(SpeedIndexOfItem(""), -1);
  EXPECT_EQ(SpeedIndexOfItem("9600 "), -1);
}
