// Raising and clearing: a limit passed and regained inside the hysteresis, the driver's -300 as an
// open thermocouple in a temperature measurement only, and an empty slot that is never an alarm.
#include "alarm/alarm_monitor.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/module_data.h"

namespace {

struct Seen {
  int unit;
  AlarmKind kind;
  bool raised;
  float value;
};

class AlarmMonitorTest : public ::testing::Test {
 protected:
  AlarmMonitorTest() {
    QObject::connect(&monitor_, &AlarmMonitor::alarmEvent, [this](const AlarmEvent& e) {
      seen_.push_back({e.unit, e.kind, e.raised, e.value});
    });
  }

  // Feeds values to unit 0 one sample a second.
  void Feed(const std::vector<float>& values, int unit = 0) {
    for (float v : values) monitor_.Check(unit, v, time_ += 1000, 1);
  }

  AlarmMonitor monitor_;
  std::vector<Seen> seen_;
  int64_t time_ = 0;
};

TEST_F(AlarmMonitorTest, CrossingBackAndForthInsideTheHysteresisRaisesOnceAndClearsOnce) {
  AlarmSettings s;
  s.HighOn[0] = true;
  s.High[0] = 100;
  s.LowOn[0] = true;
  s.Low[0] = 0;
  s.Hysteresis = 2;
  monitor_.Begin(s, false, {true, false, false, false});

  // Past the upper limit, back and forth inside the hysteresis, then back inside by it.
  Feed({99, 100, 101, 100.5f, 101.5f, 99, 98.5f, 101, 98, 99.5f, 97});
  // Below the lower limit, back inside by less than the hysteresis, then by all of it.
  Feed({-1, -0.5f, 1, -3, 2, 1});
  ASSERT_EQ(seen_.size(), 4u);
  EXPECT_EQ(seen_[0].kind, AlarmKind::High);
  EXPECT_TRUE(seen_[0].raised);
  EXPECT_EQ(seen_[0].value, 101);
  EXPECT_EQ(seen_[1].kind, AlarmKind::High);
  EXPECT_FALSE(seen_[1].raised);
  EXPECT_EQ(seen_[1].value, 98);
  EXPECT_EQ(seen_[2].kind, AlarmKind::Low);
  EXPECT_TRUE(seen_[2].raised);
  EXPECT_EQ(seen_[2].value, -1);
  EXPECT_FALSE(seen_[3].raised);
  EXPECT_EQ(seen_[3].value, 2);

  // The list holds the same, with the time of each sample; nothing is active any more.
  ASSERT_EQ(monitor_.Events().size(), 4u);
  EXPECT_EQ(monitor_.Events()[0].timeMs, 3000);
  EXPECT_EQ(monitor_.Events()[0].limit, 100);
  EXPECT_TRUE(monitor_.ActiveAlarms().empty());

  // A new measurement starts with nothing active and an empty list.
  Feed({150});
  monitor_.Begin(s, false, {true, false, false, false});
  EXPECT_TRUE(monitor_.Events().empty());
  Feed({150});
  EXPECT_EQ(monitor_.Events().size(), 1u);
}

TEST_F(AlarmMonitorTest, MinusThreeHundredIsAnOpenThermocoupleInTemperatureOnly) {
  AlarmSettings s;
  s.OpenOn = true;
  s.LowOn = {true, true, true, true};
  s.Low = {0, 0, 0, 0};
  monitor_.Begin(s, false, {true, false, true, false});

  Feed({25, RecordSet::NotConverted, RecordSet::NotConverted, RecordSet::NoData, 25});
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].kind, AlarmKind::Open);
  EXPECT_TRUE(seen_[0].raised);
  EXPECT_EQ(seen_[1].kind, AlarmKind::Open);
  EXPECT_FALSE(seen_[1].raised);
  // An empty slot is never an alarm, and an unused unit is not watched.
  Feed({RecordSet::NoData, RecordSet::NoData});
  Feed({RecordSet::NotConverted, -50}, 1);
  EXPECT_EQ(seen_.size(), 2u);
  // Unit 2 opens and stays open: it is active until a value it can convert comes.
  Feed({RecordSet::NotConverted}, 2);
  EXPECT_TRUE(monitor_.IsActive(2, AlarmKind::Open));
  ASSERT_EQ(monitor_.ActiveAlarms().size(), 1u);
  EXPECT_EQ(monitor_.ActiveAlarms()[0].unit, 2);

  // In a voltage measurement -300 microvolts is a reading below the lower limit.
  seen_.clear();
  monitor_.Begin(s, true, {true, false, false, false});
  Feed({RecordSet::NotConverted});
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].kind, AlarmKind::Low);
}

}  // namespace
