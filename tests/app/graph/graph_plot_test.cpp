// Points on the graph and the current-value panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "graph_test_rig.h"

namespace {

struct Plot : ::testing::Test {
  GraphRig rig;
  Chart2D& chart() { return *rig.ui.Chart2D1; }
  void SetUp() override {
    rig.Load();
    rig.md.Record.Units[0].MflagID = true;
    rig.md.Record.Units[2].MflagID = true;
  }
};

TEST_F(Plot, OnePointPerSampleWithGapsForMissingValues) {
  rig.md.Record.IntervalTM = 500;
  rig.FillTo(3, [](int32_t k) { return k * 1.5f; });
  rig.md.Record.Units[2].Data[1] = RecordSet::NoData;
  for (int32_t k = 1; k <= 3; ++k) rig.graph->GrDrawData(k);

  EXPECT_EQ(chart().NumSeries(), 4);
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(chart().PointCount(s), 3);
  EXPECT_DOUBLE_EQ(*chart().PointX(1), 0.5);
  EXPECT_DOUBLE_EQ(*chart().PointX(3), 1.5);
  EXPECT_DOUBLE_EQ(*chart().PointY(1, 2), 3.0);
  EXPECT_DOUBLE_EQ(*chart().PointY(3, 1), 1.5);
  EXPECT_FALSE(chart().PointY(3, 2).has_value());  // the gap
  EXPECT_DOUBLE_EQ(*chart().PointY(3, 3), 4.5);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_FALSE(chart().PointY(2, k).has_value());  // unit not used
    EXPECT_FALSE(chart().PointY(4, k).has_value());
  }
}

TEST_F(Plot, DrawingSampleOneStartsANewRecordSet) {
  rig.FillTo(50);
  rig.graph->GrDrawData1();
  ASSERT_EQ(chart().PointCount(1), 50);
  rig.md.ClearData();
  rig.md.Record.Units[0].Data[0] = 7.0f;
  rig.md.Record.SampleCount = 1;
  rig.graph->GrDrawData(1);
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(chart().PointCount(s), 1);
  EXPECT_DOUBLE_EQ(*chart().PointY(1, 1), 7.0);
}

TEST_F(Plot, BatchRewritesTheWholeRecordSetAtOnce) {
  rig.md.Record.IntervalTM = 10;
  rig.FillTo(1000, [](int32_t k) { return static_cast<float>(k % 97); });
  rig.md.Record.Units[0].Data[499] = RecordSet::NoData;
  rig.md.Record.Units[2].Data[499] = RecordSet::NoData;
  rig.md.Record.Units[2].Data[999] = 0.25f;
  const int before = chart().RepaintCount();
  rig.graph->GrDrawData1();
  chart().Flush();
  EXPECT_EQ(chart().RepaintCount(), before + 1);

  for (int s = 1; s <= 4; ++s) EXPECT_EQ(chart().PointCount(s), 1000);
  EXPECT_DOUBLE_EQ(*chart().PointX(1000), 10.0);
  EXPECT_DOUBLE_EQ(*chart().PointY(1, 97 + 3), 3.0);
  EXPECT_DOUBLE_EQ(*chart().PointY(3, 1000), 0.25);
  EXPECT_FALSE(chart().PointY(1, 500).has_value());
  EXPECT_FALSE(chart().PointY(3, 500).has_value());
  EXPECT_FALSE(chart().PointY(2, 1).has_value());

  // A shorter record set drops the points beyond it.
  rig.md.Record.SampleCount = 10;
  rig.graph->GrDrawData1();
  EXPECT_EQ(chart().PointCount(3), 10);
}

TEST_F(Plot, PollsDrawWhatEachUnitStoredSinceThePreviousPoll) {
  rig.md.Measuring = true;
  // Appends a poll: unit 0 brings `a` readings, unit 2 `b`, each from its own count on.
  auto poll = [this](int32_t a, int32_t b, float base) {
    for (const auto& [unit, n] : {std::pair(0, a), std::pair(2, b)}) {
      UnitRecord& u = rig.md.Record.Units[static_cast<size_t>(unit)];
      for (int32_t j = 0; j < n; ++j) u.Data[static_cast<size_t>(u.DataCount++)] = base + j;
    }
    rig.md.Record.SampleCount =
        std::max(rig.md.Record.Units[0].DataCount, rig.md.Record.Units[2].DataCount);
    rig.graph->GrDrawData1();
  };
  poll(30, 28, 100.0f);  // unit 2 lags two readings behind
  EXPECT_FALSE(chart().PointY(3, 29));
  poll(30, 32, 200.0f);  // and catches up
  EXPECT_EQ(chart().PointY(3, 29), 200.0);
  EXPECT_EQ(chart().PointY(3, 60), 231.0);
  EXPECT_EQ(chart().PointY(1, 31), 200.0);

  // A new record set of the same size in between is drawn whole.
  rig.md.ClearData();
  rig.md.Measuring = true;
  rig.graph->SetGraphParam();
  poll(60, 60, 5.0f);
  EXPECT_EQ(chart().PointY(3, 29), 33.0);
}

TEST_F(Plot, CurrentValuePanel) {
  rig.FillTo(2, [](int32_t) { return 23.45678f; });
  rig.md.Record.Units[2].Data[1] = RecordSet::NoData;
  rig.ui.Label1[1]->setText(QStringLiteral("keep"));
  rig.graph->DispNowValue();
  EXPECT_EQ(rig.ui.Label1[0]->text(), QStringLiteral("23.457"));
  EXPECT_EQ(rig.ui.Label1[2]->text(), QStringLiteral("-99999.000"));
  EXPECT_EQ(rig.ui.Label1[1]->text(), QStringLiteral("keep"));

  // Unit-paced: each unit's own last sample, none shown for a unit without samples.
  rig.md.Record.Units[0].DataCount = 1;
  rig.md.Record.Units[0].Data[0] = -0.5f;
  rig.md.Record.Units[2].DataCount = 0;
  rig.ui.Label1[2]->setText(QStringLiteral("old"));
  rig.graph->DispNowValueUnit();
  EXPECT_EQ(rig.ui.Label1[0]->text(), QStringLiteral("-0.500"));
  EXPECT_EQ(rig.ui.Label1[2]->text(), QStringLiteral("old"));

  rig.graph->ClearNowValue();
  for (QLabel* label : rig.ui.Label1) EXPECT_TRUE(label->text().isEmpty());
}

}  // namespace
