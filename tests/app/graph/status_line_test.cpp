#include "graph/status_line.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusLineTest, WarnsInTheTextBelowFivePercent) {
  // 4400 of 88000 left is exactly 5 %: no warning yet; one sample more and it warns.
  EXPECT_FALSE(MakeStatusLine(83600, 88000, 10).warning);
  const StatusLine low = MakeStatusLine(83601, 88000, 10);
  EXPECT_TRUE(low.warning);
  EXPECT_EQ(low.text, QStringLiteral("データ数 83601 / 88000　経過時間 0:13:56　満杯まで 0:00:43"
                                     "　※ バッファの残りが 5% を切りました"));
}

}  // namespace
