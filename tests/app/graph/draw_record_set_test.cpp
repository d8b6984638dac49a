// A record set drawn in one go ends exactly where the same samples arriving one by one in a
// measurement leave the graph: the same points, window and vertical range.
#include <gtest/gtest.h>

#include "graph/graph_follow.h"
#include "graph_test_rig.h"

namespace {

// 1500 samples: none has a value at first, the window grows through steps of 10, 100 and 1000,
// the range widens by hundreds, and two units have gaps.
void FillRecordSet(RecordSet& record) {
  const int32_t n = 1500;
  record.Units[0].MflagID = true;
  record.Units[2].MflagID = true;
  for (int32_t k = 1; k <= n; ++k) {
    const auto slot = static_cast<size_t>(k - 1);
    record.Units[0].Data[slot] = k <= 3 ? RecordSet::NoData : 50.0f + 0.25f * static_cast<float>(k);
    record.Units[2].Data[slot] =
        k <= 3 || k % 97 == 0 ? RecordSet::NoData : -0.1f * static_cast<float>(k);
  }
  record.Units[0].Data[799] = 300.0f;  // exactly on a hundred
  record.Units[0].DataCount = record.Units[2].DataCount = n;
  record.SampleCount = n;
  record.StartTime = QStringLiteral("2026/12/09 0:00:00");
}

TEST(DrawRecordSet, EndsWhereTheSamplesArrivingOneByOneLeaveTheGraph) {
  GraphRig followed;
  GraphRig drawn;
  for (GraphRig* rig : {&followed, &drawn}) {
    FillRecordSet(rig->md.Record);
    rig->Load();
  }

  // The measurement's steps, sample by sample.
  AutoRangeY followRange(followed.md, *followed.graph);
  RecordSet& record = followed.md.Record;
  const int32_t n = record.SampleCount;
  followed.graph->InitGraphParam(true);
  ASSERT_TRUE(followed.graph->SetGraphParam());
  followRange.Restart();
  followed.md.Measuring = true;
  for (int32_t k = 1; k <= n; ++k) {
    record.SampleCount = k;
    record.UpdateUnitMaxMin(k);
    record.UpdateAllMaxMin();
    followRange.Apply(k == 1);
    followed.graph->AdvanceAxesX();
    followed.graph->GrDrawData(k);
  }
  followed.md.Measuring = false;

  AutoRangeY drawRange(drawn.md, *drawn.graph);
  drawn.md.Record.FindExtremes();
  DrawRecordSet(drawn.md.Record, *drawn.graph, *drawn.ui.Chart2D1, drawRange);

  EXPECT_EQ(drawn.md.Record.AllMax, record.AllMax);
  EXPECT_EQ(drawn.md.Record.AllMin, record.AllMin);
  EXPECT_EQ(drawn.md.Record.Units[2].MinValue, record.Units[2].MinValue);
  EXPECT_EQ(drawn.gs().DispStart, followed.gs().DispStart);
  EXPECT_EQ(drawn.gs().DispEnd, followed.gs().DispEnd);
  EXPECT_EQ(drawn.gs().AxisMaxY, followed.gs().AxisMaxY);
  EXPECT_EQ(drawn.gs().AxisMinY, followed.gs().AxisMinY);
  const Chart2D& a = *followed.ui.Chart2D1;
  const Chart2D& b = *drawn.ui.Chart2D1;
  for (auto axis : {Chart2D::Axis::X, Chart2D::Axis::Y}) {
    EXPECT_EQ(b.AxisMin(axis), a.AxisMin(axis));
    EXPECT_EQ(b.AxisMax(axis), a.AxisMax(axis));
  }
  EXPECT_FALSE(b.IsRedrawSuspended());
  for (int s = 1; s <= 4; ++s) {
    ASSERT_EQ(b.PointCount(s), a.PointCount(s)) << s;
    for (int32_t k = 1; k <= n; ++k) {
      ASSERT_EQ(b.PointY(s, k), a.PointY(s, k)) << s << " " << k;
      ASSERT_EQ(b.PointX(k), a.PointX(k)) << k;
    }
  }
}

}  // namespace
