#include "graph/status_line.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusLineTest, DurationsAndTheWarningBelowFivePercent) {
  EXPECT_EQ(FormatDuration(3723999), QStringLiteral("1:02:03"));
  EXPECT_EQ(FormatDuration(88000LL * 60000), QStringLiteral("61日 02:40:00"));

  // 4400 of 88000 left is exactly 5 %: no warning yet; one sample more and it warns.
  EXPECT_FALSE(MakeStatusLine(83600, 88000, 10).warning);
  const StatusLine low = MakeStatusLine(83601, 88000, 10);
  EXPECT_TRUE(low.warning);
  EXPECT_TRUE(low.text.startsWith(
      QStringLiteral("データ数 83601 / 88000　経過時間 0:13:56　満杯まで 0:00:43")))
      << low.text.toStdString();
  EXPECT_TRUE(MakeStatusLine(88000, 88000, 10).text.contains(QStringLiteral("満杯まで 0:00:00")));
}

}  // namespace
