// The computer-paced mode: Timer1 ticks, averaged single readings, failures of single readings,
// the refused timer setting and full buffers.
#include "acquisition_rig.h"

namespace acqtest {
namespace {

class ComputerPacedTest : public AcquisitionTest {
 protected:
  // One sampling interval of the toolkit clock, then one Timer1 tick per timer period.
  void RunInterval() {
    for (int32_t k = 0; k < acq().Counters().TickDivider; ++k) {
      usbkit_sim_advance_ms(static_cast<unsigned>(acq().Counters().TickPeriod));
      acq().Timer1_Timer();
    }
  }
};

TEST_F(ComputerPacedTest, OneSecondIntervalSamplesEverySecondAtItsNominalTime) {
  Plug(0);
  Configure({0}, true, 1000, false);
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  EXPECT_TRUE(ui().Timer1->isActive());
  EXPECT_EQ(ui().Timer1->interval(), 1000);
  EXPECT_EQ(acq().Counters().TickDivider, 1);
  EXPECT_TRUE(chart().IsRedrawSuspended());
  EXPECT_TRUE(ui().cmdStop->isEnabled());
  EXPECT_FALSE(ui().cmdStart->isEnabled());

  std::vector<double> expected;
  for (int s = 1; s <= 5; ++s) {
    RunInterval();
    expected.push_back(Model(0, usbkit_sim_now_ms()));
    ASSERT_EQ(md_.Record.SampleCount, s);
  }
  EXPECT_FALSE(chart().IsRedrawSuspended());
  ASSERT_EQ(chart().PointCount(1), 5);
  EXPECT_DOUBLE_EQ(chart().PointX(1).value(), 1.0);
  EXPECT_DOUBLE_EQ(chart().PointX(5).value(), 5.0);
  for (int k = 0; k < 5; ++k) {
    EXPECT_NEAR(md_.Record.Units[0].Data[k], expected[k], kTolerance) << "sample " << k + 1;
    EXPECT_DOUBLE_EQ(chart().PointY(1, k + 1).value(), md_.Record.Units[0].Data[k]);
  }
  EXPECT_EQ(md_.Record.Units[0].Data[5], RecordSet::NoData);

  form_->cmdStop_Click();
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0}));
  EXPECT_EQ(md_.Record.SampleCount, 5);
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
}

TEST_F(ComputerPacedTest, LongIntervalTakesASampleEveryTenthTick) {
  Plug(0);
  Configure({0}, true, 70000, false);
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  EXPECT_EQ(ui().Timer1->interval(), 7000);
  EXPECT_EQ(acq().Counters().TickDivider, 10);
  for (int tick = 1; tick <= 25; ++tick) {
    usbkit_sim_advance_ms(7000);
    acq().Timer1_Timer();
    EXPECT_EQ(md_.Record.SampleCount, tick / 10) << "tick " << tick;
  }
  EXPECT_EQ(acq().Counters().TickCount, 5);
  EXPECT_DOUBLE_EQ(chart().PointX(2).value(), 140.0);
}

// An interval the settings dialog refuses (below a second, as a data file's header may hold) is
// refused with the dialog's message before any unit is opened.
TEST_F(ComputerPacedTest, IntervalBelowASecondIsRefusedAndLeavesTheWindowIdle) {
  Plug(0);
  Configure({0}, true, 400, false);
  form_->cmdStart_Click();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].caption, QStringLiteral("エラーメッセージ"));
  EXPECT_TRUE(dialogs_.LastText().startsWith(QStringLiteral("時間の入力に誤りがあります。\n")));
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0}));
  EXPECT_EQ(md_.Record.SampleCount, 0);
  // The chart shows the (cleared) record set again rather than staying frozen.
  EXPECT_FALSE(chart().IsRedrawSuspended());
}

TEST_F(ComputerPacedTest, AveragedSampleIsTheMeanOfAverageCountReadings) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, true, 10000, true);
  ASSERT_EQ(md_.AverageCount, 100);
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  const int before0 = CountRequests(0, 0x10);
  for (int s = 0; s < 3; ++s) RunInterval();
  const double now = usbkit_sim_now_ms();
  EXPECT_EQ(CountRequests(0, 0x10) - before0, 300);
  EXPECT_EQ(md_.Record.SampleCount, 3);
  // The clock stands still during the readings of one sample, so their mean is the model's value.
  EXPECT_NEAR(md_.Record.Units[0].Data[2], Model(0, now), kTolerance);
  EXPECT_NEAR(md_.Record.Units[1].Data[2], Model(1, now), kTolerance);
}

TEST_F(ComputerPacedTest, FailedReadingOfAnEarlierUnitLeavesNoDataAndGoesOn) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, true, 1000, false);
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  RunInterval();
  usbkit_sim_fail_transfers(sim_[0], 1);
  dialogs_.Clear();
  RunInterval();
  ASSERT_EQ(dialogs_.Texts(), std::vector<QString>{DriverErrorText(9)});
  EXPECT_TRUE(md_.Measuring);
  EXPECT_EQ(md_.Record.SampleCount, 2);
  EXPECT_EQ(md_.Record.Units[0].DataCount, 2);
  EXPECT_EQ(md_.Record.Units[2].DataCount, 2);
  EXPECT_EQ(md_.Record.Units[0].Data[1], RecordSet::NoData);
  EXPECT_NEAR(md_.Record.Units[2].Data[1], Model(2, usbkit_sim_now_ms()), kTolerance);
  EXPECT_FALSE(chart().PointY(1, 2).has_value());

  RunInterval();  // the unit answers again
  EXPECT_EQ(md_.Record.SampleCount, 3);
  EXPECT_NEAR(md_.Record.Units[0].Data[2], Model(0, usbkit_sim_now_ms()), kTolerance);
}

TEST_F(ComputerPacedTest, FailedReadingOfTheLastUnitStopsTheMeasurement) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, true, 1000, false);
  form_->cmdStart_Click();
  RunInterval();
  usbkit_sim_fail_transfers(sim_[2], 1);
  RunInterval();
  EXPECT_EQ(dialogs_.LastText(), DriverErrorText(9));
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0, 2}));
  // The first sample stays; the failed one was not counted.
  EXPECT_EQ(md_.Record.SampleCount, 1);
  EXPECT_NE(md_.Record.Units[2].Data[0], RecordSet::NoData);
}

// A message box runs a nested event loop in which Timer1 keeps firing; such a tick is dropped.
TEST_F(ComputerPacedTest, TickArrivingWhileAMessageBoxIsOpenIsDropped) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, true, 1000, false);
  form_->cmdStart_Click();
  RunInterval();
  int nested = 0;
  dialogs_.onMessage = [&](const ShownMessage&) {
    ++nested;
    usbkit_sim_advance_ms(1000);
    acq().Timer1_Timer();
    acq().Timer1_Timer();
  };
  usbkit_sim_fail_transfers(sim_[0], 1);
  RunInterval();
  dialogs_.onMessage = nullptr;
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(md_.Record.SampleCount, 2);
  EXPECT_EQ(md_.Record.Units[0].DataCount, 2);
  EXPECT_EQ(md_.Record.Units[2].DataCount, 2);
  EXPECT_EQ(md_.Record.Units[2].Data[2], RecordSet::NoData);
  // The next tick carries on in order, at the slot of its time: the sample whose tick the box
  // held up is a hole.
  RunInterval();
  EXPECT_EQ(md_.Record.SampleCount, 4);
  EXPECT_EQ(md_.Record.Units[0].Data[2], RecordSet::NoData);
  EXPECT_NEAR(md_.Record.Units[0].Data[3], Model(0, usbkit_sim_now_ms()), kTolerance);
}

TEST_F(ComputerPacedTest, FullBuffersStopAtTheNextIntervalWithEveryValueInItsSlot) {
  Plug(0);
  Plug(3);
  Configure({0, 3}, true, 1000, false);
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  std::vector<float> expected0, expected3;
  expected0.reserve(RecordSet::MaxData);
  expected3.reserve(RecordSet::MaxData);
  for (int s = 0; s < RecordSet::MaxData; ++s) {
    RunInterval();
    // Every sample repaints the chart; 88000 repaints would only make this test slow. The stop
    // resumes the redrawing.
    if (s == 0) chart().SetRedrawSuspended(true);
    expected0.push_back(static_cast<float>(Model(0, usbkit_sim_now_ms())));
    expected3.push_back(static_cast<float>(Model(3, usbkit_sim_now_ms())));
  }
  ASSERT_EQ(md_.Record.SampleCount, RecordSet::MaxData);
  EXPECT_TRUE(md_.Measuring);
  EXPECT_TRUE(dialogs_.shown.empty());

  RunInterval();
  EXPECT_EQ(dialogs_.shown.back(),
            ShownMessage::Notice(QStringLiteral("メモリー不足です。測定値が保存できません")));
  EXPECT_TRUE(Idle());
  EXPECT_EQ(md_.Record.SampleCount, RecordSet::MaxData);
  EXPECT_EQ(md_.Record.Units[0].DataCount, RecordSet::MaxData);
  EXPECT_EQ(md_.Record.Units[3].DataCount, RecordSet::MaxData);
  int off = 0;
  for (int k = 0; k < RecordSet::MaxData; ++k) {
    if (std::fabs(md_.Record.Units[0].Data[k] - expected0[k]) > kTolerance) ++off;
    if (std::fabs(md_.Record.Units[3].Data[k] - expected3[k]) > kTolerance) ++off;
  }
  EXPECT_EQ(off, 0);
  EXPECT_EQ(chart().PointCount(1), RecordSet::MaxData);
  EXPECT_FALSE(chart().IsRedrawSuspended());
}

}  // namespace
}  // namespace acqtest
