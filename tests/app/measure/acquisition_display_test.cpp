// What the graph and the status line show while measuring: a failed first reading, a second
// record set over a longer first one, a voltage measurement, and the progress of the buffers.
#include <QLabel>

#include "acquisition_rig.h"
#include "graph/graph.h"

namespace acqtest {
namespace {

class DisplayTest : public AcquisitionTest {
 protected:
  void Tick() {
    usbkit_sim_advance_ms(1000);
    acq().Timer1_Timer();
  }
  double YMin() { return chart().AxisMin(Chart2D::Axis::Y); }
  double YMax() { return chart().AxisMax(Chart2D::Axis::Y); }
  QString Status() { return ui().lblStatus->text(); }
};

TEST_F(DisplayTest, FailedFirstReadingKeepsASaneRangeAndLeavesNoPoint) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, true, 1000, false);
  form_->cmdStart_Click();
  usbkit_sim_fail_transfers(sim_[0], 1);
  Tick();
  ASSERT_TRUE(md_.Measuring);
  ASSERT_EQ(md_.Record.Units[0].Data[0], RecordSet::NoData);
  // Unit 2 reads between 200 and 700 degC: the axis fits it, not -99999.
  EXPECT_GE(YMin(), 200);
  EXPECT_LE(YMax(), 800);
  for (int s = 0; s < 3; ++s) Tick();
  EXPECT_GE(YMin(), 100);
  EXPECT_GT(md_.Record.Units[0].MinValue, 100);
}

TEST_F(DisplayTest, SecondRecordSetOverALongerFirstLeavesNoOldPoint) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, true, 1000, false);
  form_->cmdStart_Click();
  for (int s = 0; s < 5; ++s) Tick();
  form_->cmdStop_Click();
  ASSERT_TRUE(chart().PointY(3, 1).has_value());

  // Again, at another interval, with unit 0 failing its first reading.
  Configure({0, 2}, true, 2000, false);
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  usbkit_sim_fail_transfers(sim_[0], 1);
  usbkit_sim_advance_ms(2000);
  acq().Timer1_Timer();
  ASSERT_EQ(md_.Record.SampleCount, 1);
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(chart().PointCount(s), 1);
  EXPECT_DOUBLE_EQ(chart().PointX(1).value(), 2.0);
  EXPECT_FALSE(chart().PointY(1, 1).has_value());
  EXPECT_TRUE(chart().PointY(3, 1).has_value());
  form_->cmdStop_Click();

  // Unit 2 no longer used: its series keeps nothing of before.
  Configure({0}, true, 1000, false);
  form_->cmdStart_Click();
  for (int s = 0; s < 3; ++s) Tick();
  for (int k = 1; k <= 3; ++k) EXPECT_FALSE(chart().PointY(3, k).has_value()) << k;
}

TEST_F(DisplayTest, VoltageMeasurementInMicrovoltsWithTheStatusLine) {
  Plug(0);
  Configure({0}, true, 1000, false);
  md_.Record.MeasKind = true;
  form_->Graph().SetGraphTitle(true);
  md_.ClearData();
  form_->cmdStart_Click();
  for (int s = 0; s < 3; ++s) Tick();
  ASSERT_EQ(md_.Record.SampleCount, 3);
  const float v = md_.Record.Units[0].Data[2];
  // A type K couple between 100 and 600 degC against 25 degC gives thousands of microvolts (a
  // temperature would read at most 600).
  EXPECT_GT(v, 2000);
  EXPECT_LT(v, 30000);
  EXPECT_DOUBLE_EQ(chart().PointY(1, 3).value(), v);
  EXPECT_LE(YMin(), md_.Record.AllMin);
  EXPECT_LT(YMax() - YMin(), 2000);

  // The status line follows every tick and keeps the final count after the stop.
  EXPECT_TRUE(Status().startsWith(
      QStringLiteral("データ数 3 / 88000　経過時間 0:00:03　満杯まで 1日 00:26:37")))
      << Status().toStdString();
  form_->cmdStop_Click();
  EXPECT_TRUE(Status().startsWith(QStringLiteral("データ数 3 / 88000"))) << Status().toStdString();
}

}  // namespace
}  // namespace acqtest
