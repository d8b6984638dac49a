#include "core/module_data.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleDataTest, FreshObjectHoldsDefaultsAndAnEmptyRecordSet) {
  ModuleData md;
  EXPECT_TRUE(md.Record.Units[0].MflagID);
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(md.Record.Units[i].MflagID);
  for (const auto& u : md.Record.Units) {
    EXPECT_EQ(u.ConnectID, 0);
    ASSERT_EQ(u.Data.size(), size_t{RecordSet::MaxData});
    EXPECT_EQ(u.Data.front(), RecordSet::NoData);
    EXPECT_EQ(u.Data.back(), RecordSet::NoData);
  }
  EXPECT_EQ(md.Record.IntervalTM, 1000);
  EXPECT_FALSE(md.Record.TimerType);
  EXPECT_FALSE(md.Record.MeasKind);
  EXPECT_FALSE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, 1);
  EXPECT_EQ(md.Record.StartTime, QString(19, ' '));
}

TEST(ModuleDataTest, ClearDataResetsRecordSetForTheMeasurementKind) {
  ModuleData md;
  for (auto& u : md.Record.Units) {
    u.Data[0] = 5;
    u.Data[RecordSet::MaxData - 1] = 6;
    u.DataCount = 7;
  }
  md.Record.SampleCount = 3;
  md.Measuring = true;
  md.Record.StartTime = "2024/1/2 3:4:5";

  md.ClearData();
  for (const auto& u : md.Record.Units) {
    EXPECT_EQ(u.Data[0], RecordSet::NoData);
    EXPECT_EQ(u.Data[RecordSet::MaxData - 1], RecordSet::NoData);
    EXPECT_EQ(u.DataCount, 0);
    EXPECT_EQ(u.MaxValue, 1820);
    EXPECT_EQ(u.MinValue, -270);
  }
  EXPECT_EQ(md.Record.AllMax, -270);
  EXPECT_EQ(md.Record.AllMin, 1820);
  EXPECT_EQ(md.Record.SampleCount, 0);
  EXPECT_FALSE(md.Measuring);
  EXPECT_EQ(md.Record.StartTime, QString(19, ' '));

  md.Record.MeasKind = true;
  md.ClearData();
  EXPECT_EQ(md.Record.Units[3].MaxValue, 84000);
  EXPECT_EQ(md.Record.Units[3].MinValue, -15000);
  EXPECT_EQ(md.Record.AllMax, -15000);
  EXPECT_EQ(md.Record.AllMin, 84000);
}

TEST(ModuleDataTest, AverageCountRoundsHalvesToEven) {
  ModuleData md;
  md.Record.DataAverage = true;
  const std::pair<int32_t, int32_t> cases[] = {{250, 25}, {15, 2}, {25, 2}, {35, 4}, {1000, 100}};
  for (auto [interval, count] : cases) {
    md.Record.IntervalTM = interval;
    md.UpdateAverageCount();
    EXPECT_EQ(md.AverageCount, count) << interval;
  }
  md.Record.TimerType = true;
  md.UpdateAverageCount();
  EXPECT_EQ(md.AverageCount, 100);
  md.Record.DataAverage = false;
  md.UpdateAverageCount();
  EXPECT_EQ(md.AverageCount, 1);
}

TEST(ModuleDataTest, RoundAxisYOnlyWidensToMultiplesOfHundred) {
  ModuleData md;
  md.AxisMaxY = 1000;
  md.AxisMinY = -100;
  md.Record.AllMax = 1234.5f;
  md.Record.AllMin = -150;
  EXPECT_EQ(md.RoundAxisY(), 3);
  EXPECT_EQ(md.AxisMaxY, 1300);
  EXPECT_EQ(md.AxisMinY, -200);
  EXPECT_EQ(md.RoundAxisY(), 0);

  md.AxisMaxY = 100;
  md.Record.AllMax = 200;  // exactly on a multiple: the next one up
  md.Record.AllMin = 0;
  EXPECT_EQ(md.RoundAxisY(), 1);
  EXPECT_EQ(md.AxisMaxY, 300);
  EXPECT_EQ(md.AxisMinY, -200);

  // An extreme beyond the 32-bit range leaves the limit where it was.
  md.Record.AllMax = 3e9f;
  md.Record.AllMin = -3e9f;
  EXPECT_EQ(md.RoundAxisY(), 0);
  EXPECT_EQ(md.AxisMaxY, 300);
  EXPECT_EQ(md.AxisMinY, -200);
}

TEST(ModuleDataTest, NoDataNeverBecomesAnExtremeNotEvenTheFirstSample) {
  ModuleData md;
  md.Record.Units[2].MflagID = true;
  auto& u0 = md.Record.Units[0];
  auto& u2 = md.Record.Units[2];
  u0.Data[0] = RecordSet::NoData;  // a failed first reading
  u2.Data[0] = 20;
  md.Record.SampleCount = 1;
  md.Record.UpdateUnitMaxMin(1);
  md.Record.UpdateAllMaxMin();
  EXPECT_FALSE(u0.HasValue);
  EXPECT_EQ(u2.MaxValue, 20);
  EXPECT_EQ(u2.MinValue, 20);
  EXPECT_EQ(md.Record.AllMax, 20);
  EXPECT_EQ(md.Record.AllMin, 20);

  // The unit's first value sets both of its extremes; NoData later changes nothing.
  u0.Data[1] = 5;
  u2.Data[1] = RecordSet::NoData;
  md.Record.SampleCount = 2;
  md.Record.UpdateUnitMaxMin(2);
  md.Record.UpdateAllMaxMin();
  EXPECT_EQ(u0.MaxValue, 5);
  EXPECT_EQ(u0.MinValue, 5);
  EXPECT_EQ(u2.MaxValue, 20);
  EXPECT_EQ(u2.MinValue, 20);
  EXPECT_EQ(md.Record.AllMax, 20);
  EXPECT_EQ(md.Record.AllMin, 5);

  u2.Data[2] = -3;
  md.Record.UpdateUnitMaxMin(3);
  EXPECT_EQ(u2.MinValue, -3);
  EXPECT_EQ(md.Record.Units[1].MaxValue, 1820);  // unused units are left alone

  // Sample numbers without a slot change nothing.
  md.Record.UpdateUnitMaxMin(0);
  md.Record.UpdateUnitMaxMin(RecordSet::MaxData + 1);
  EXPECT_EQ(u2.MaxValue, 20);
  EXPECT_EQ(u2.MinValue, -3);
}

TEST(ModuleDataTest, OverallExtremesRestartAtTheFirstSampleUnlessMerged) {
  ModuleData md;
  md.Record.Units[1].MflagID = true;
  md.Record.Units[3].MaxValue = 9999;  // not used: never folded
  md.Record.Units[0].MaxValue = 10;
  md.Record.Units[0].MinValue = 8;
  md.Record.Units[1].MaxValue = 4;
  md.Record.Units[1].MinValue = 2;
  for (auto& u : md.Record.Units) u.HasValue = true;
  md.Record.AllMax = 500;
  md.Record.AllMin = -500;

  md.Record.MergeAllMaxMin();
  EXPECT_EQ(md.Record.AllMax, 500);
  EXPECT_EQ(md.Record.AllMin, -500);

  md.Record.SampleCount = 1;
  md.Record.UpdateAllMaxMin();
  EXPECT_EQ(md.Record.AllMax, 10);
  EXPECT_EQ(md.Record.AllMin, 2);

  md.Record.SampleCount = 2;
  md.Record.Units[1].MaxValue = 30;
  md.Record.UpdateAllMaxMin();
  EXPECT_EQ(md.Record.AllMax, 30);
  EXPECT_EQ(md.Record.AllMin, 2);
}

TEST(ModuleDataTest, MeasurementTypeIsVoltageOrTheUnitsThermocouple) {
  ModuleData md;
  md.Record.Units[1].ConnectID = 4;
  EXPECT_EQ(md.Record.MeasTypeOf(1), 4);
  md.Record.Units[1].ConnectID = 300;
  EXPECT_EQ(md.Record.MeasTypeOf(1), 255);
  md.Record.MeasKind = true;
  EXPECT_EQ(md.Record.MeasTypeOf(1), 8);
}

}  // namespace
