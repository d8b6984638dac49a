#include "core/operator_number.h"

#include <gtest/gtest.h>

namespace {

TEST(OperatorNumberTest, RoundHalfEvenTakesTheEvenNeighbourOnlyAtHalves) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.5000001), 3);
  EXPECT_EQ(RoundHalfEven(-0.4), 0);
  EXPECT_EQ(RoundHalfEven(1.6), 2);
}

TEST(OperatorNumberTest, ToInt32AcceptsPlainDecimalNumbers) {
  EXPECT_EQ(ToInt32("2.5"), 2);
  EXPECT_EQ(ToInt32("3.5"), 4);
  EXPECT_EQ(ToInt32("  42 "), 42);
  EXPECT_EQ(ToInt32("+7"), 7);
  EXPECT_EQ(ToInt32("-7"), -7);
  EXPECT_EQ(ToInt32("1."), 1);
  EXPECT_EQ(ToInt32(".5"), 0);
  EXPECT_EQ(ToInt32("1.5e3"), 1500);
  EXPECT_EQ(ToInt32("25E-1"), 2);
  EXPECT_EQ(ToInt32("007"), 7);
  EXPECT_EQ(ToInt32("2147483647"), 2147483647);
  EXPECT_EQ(ToInt32("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ToInt32("2147483647.5"), std::nullopt);  // rounds to 2147483648
  EXPECT_EQ(ToInt32("-2147483648.5"), -2147483647 - 1);
}

TEST(OperatorNumberTest, ToInt32RejectsEverythingElse) {
  for (const char* text : {"", "   ", "abc", "2147483648", "-2147483649", "1e10", "1,000", "1 000",
                           "0x10", "--1", "+", ".", "e5", "1e", "1e999", "nan", "inf", "１２"}) {
    EXPECT_EQ(ToInt32(QString::fromUtf8(text)), std::nullopt) << text;
  }
}

TEST(OperatorNumberTest, ToSingleKeepsFractionsAndRejectsOverflow) {
  EXPECT_EQ(ToSingle("-12.25"), -12.25f);
  EXPECT_EQ(ToSingle(" 3e2 "), 300.0f);
  EXPECT_EQ(ToSingle("1e39"), std::nullopt);
  EXPECT_EQ(ToSingle("x"), std::nullopt);
  EXPECT_EQ(ToSingle(""), std::nullopt);
}

}  // namespace
