#include "base/number.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(Number, LongestNumericPrefixAfterBlanks) {
  EXPECT_DOUBLE_EQ(ReadNumber("123"), 123);
  EXPECT_DOUBLE_EQ(ReadNumber("  12abc"), 12);
  EXPECT_DOUBLE_EQ(ReadNumber("\t3.5x"), 3.5);
  EXPECT_DOUBLE_EQ(ReadNumber("-7"), -7);
  EXPECT_DOUBLE_EQ(ReadNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadNumber("5."), 5);
  EXPECT_DOUBLE_EQ(ReadNumber("1e2"), 100);
  EXPECT_DOUBLE_EQ(ReadNumber("1e"), 1);
  EXPECT_DOUBLE_EQ(ReadNumber("1ex"), 1);
  EXPECT_DOUBLE_EQ(ReadNumber(""), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("x1"), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("-"), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("."), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("1e999999"), 0);  // overflow is no number
}

TEST(Number, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
  EXPECT_EQ(RoundHalfEven(625.5), 626);
  EXPECT_EQ(RoundHalfEven(16.25), 16);
  EXPECT_EQ(RoundHalfEven(38.75), 39);
  EXPECT_EQ(RoundHalfEven(1e300), INT64_MAX);
  EXPECT_EQ(ReadRoundedInt("99999999999"), INT32_MAX);
  EXPECT_EQ(ReadRoundedInt("12.5"), 12);
}

TEST(Number, HexDigits) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), -1);
}

}  // namespace
}  // namespace orvane
