#include "core/number_text.h"

#include <gtest/gtest.h>

#include "core/module_data.h"

namespace {

TEST(FormatTest, ThreeDecimalsPaddedToTenCharacters) {
  EXPECT_EQ(FormatValue(3.14159f), "     3.142");
  EXPECT_EQ(FormatValue(-123.25f), "  -123.250");
  EXPECT_EQ(FormatValue(0), "     0.000");
  EXPECT_EQ(FormatValue(RecordSet::NoData), "-99999.000");
  EXPECT_EQ(FormatValue(123456.5f), "123456.500");
}

TEST(FormatTest, FixedThreeRoundsTheDecimalTextHalfAwayFromZero) {
  EXPECT_EQ(FormatFixed3(1.0005), "1.001");  // binary value lies just below the half
  EXPECT_EQ(FormatFixed3(-1.0005), "-1.001");
  EXPECT_EQ(FormatFixed3(0.0625), "0.063");
  EXPECT_EQ(FormatFixed3(999.9999), "1000.000");
  EXPECT_EQ(FormatFixed3(0.0005), "0.001");
  EXPECT_EQ(FormatFixed3(0.00049), "0.000");
  EXPECT_EQ(FormatFixed3(-0.0004), "0.000");  // no sign on a zero
  EXPECT_EQ(FormatFixed3(-1e40), "-10000000000000000000000000000000000000000.000");
  // A widened single reads as in FormatValue.
  EXPECT_EQ(FormatFixed3(1.0005f), "1.001");
  EXPECT_EQ(FormatValue(1.0005f), "     1.001");
}

TEST(CsvNumberTest, ShortestTextWithinTheDigitsOfEachPrecision) {
  const auto text = [](auto v) {
    std::string s;
    AppendCsvNumber(s, v);
    return s;
  };
  EXPECT_EQ(text(0.1f), "0.1");  // not 0.100000001
  EXPECT_EQ(text(1234.5678f), "1234.568");
  EXPECT_EQ(text(-0.0f), "0");
  EXPECT_EQ(text(9999999.f), "9999999");
  EXPECT_EQ(text(123456789.f), "1.234568E+08");
  EXPECT_EQ(text(2147483.647), "2147483.647");
  EXPECT_EQ(text(0.1 + 0.2), "0.3");
}

}  // namespace
