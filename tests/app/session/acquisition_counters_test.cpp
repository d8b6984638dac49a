// The computer-paced timer of each interval.
#include "session/acquisition_counters.h"

#include <gtest/gtest.h>

namespace {

TEST(AcquisitionCountersTest, SetTickTimerSplitsWholeSecondsIntoPeriodAndDivider) {
  struct Case {
    int32_t interval;
    bool ok;
    int32_t period;
    int32_t divider;
  };
  const Case cases[] = {
      {499, false, 0, 0},
      {500, false, 0, 0},
      {-5000, false, 0, 0},
      {1500, true, 2000, 1},
      {2500, true, 2000, 1},
      {65000, true, 65000, 1},
      {66000, true, 6600, 10},
      {70000, true, 7000, 10},
      {655000, true, 65500, 10},
      {656000, true, 6560, 100},
      {6553000, true, 65530, 100},
      {6554000, true, 6554, 1000},
      {2147483647, true, 2147484, 1000},
  };
  for (const auto& c : cases) {
    AcquisitionCounters counters;
    counters.TickPeriod = 123;
    counters.TickDivider = 456;
    EXPECT_EQ(counters.SetTickTimer(c.interval), c.ok) << c.interval;
    EXPECT_EQ(counters.TickPeriod, c.period) << c.interval;
    EXPECT_EQ(counters.TickDivider, c.divider) << c.interval;
  }
}

}  // namespace
