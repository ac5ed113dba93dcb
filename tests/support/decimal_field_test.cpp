// Reading an integer edit field's text: empty, not a number, or a value.
#include "support/decimal_field.h"

#include <gtest/gtest.h>

using namespace vkt53;

TEST(DecimalField, OnlyNoTextAtAllIsEmpty) {
  EXPECT_EQ(ParseDecimalField("").state, DecimalFieldState::Empty);
  EXPECT_EQ(ParseDecimalField(" ").state, DecimalFieldState::NotANumber);
}

TEST(DecimalField, AnythingButDigitsWithBlanksAroundAndOneSignIsNoNumber) {
  for (const char* text : {"12x", "1 2", "-", "+", "0x10", "--5", "1.5", "５"}) {
    EXPECT_EQ(ParseDecimalField(text).state, DecimalFieldState::NotANumber) << text;
  }
}

TEST(DecimalField, NumbersWithBlanksSignsAndLeadingZeros) {
  const DecimalField padded = ParseDecimalField(" 120\t");
  EXPECT_EQ(padded.state, DecimalFieldState::Value);
  EXPECT_EQ(padded.value, 120);
  EXPECT_EQ(ParseDecimalField("-5").value, -5);
  EXPECT_EQ(ParseDecimalField("+5").value, 5);
  EXPECT_EQ(ParseDecimalField("007").value, 7);
}

TEST(DecimalField, HugeNumbersSaturateAndStayOutOfEveryRange) {
  const DecimalField huge = ParseDecimalField("99999999999999999999999999");
  EXPECT_EQ(huge.state, DecimalFieldState::Value);
  EXPECT_GT(huge.value, 5000);
  EXPECT_FALSE(huge.IsValueIn(0, 5000));
  EXPECT_FALSE(ParseDecimalField("-99999999999999999999999999").IsValueIn(-5000, 0));
}

TEST(DecimalField, TheRangeIncludesBothEndsAndNeverANonNumber) {
  EXPECT_TRUE(ParseDecimalField("55").IsValueIn(55, 5000));
  EXPECT_TRUE(ParseDecimalField("5000").IsValueIn(55, 5000));
  EXPECT_FALSE(ParseDecimalField("54").IsValueIn(55, 5000));
  EXPECT_FALSE(ParseDecimalField("5001").IsValueIn(55, 5000));
  EXPECT_FALSE(ParseDecimalField("abc").IsValueIn(0, 5000));
  EXPECT_FALSE(ParseDecimalField("").IsValueIn(0, 5000)) << "an empty field is no 0";
}
