// The unit-paced mode: the start of the units' own sampling, Timer2 polls with the lock-step
// request count, averaging across polls, driver errors, the Y fit and full buffers.
#include <QLabel>

#include "acquisition_rig.h"
#include "core/number_text.h"

namespace acqtest {
namespace {

class UnitPacedTest : public AcquisitionTest {
 protected:
  void Start() {
    form_->cmdStart_Click();
    ASSERT_TRUE(md_.Measuring);
    ASSERT_TRUE(ui().Timer2->isActive());
    startTime_ = usbkit_sim_now_ms();
  }

  void Poll(unsigned ms = 300) {
    usbkit_sim_advance_ms(ms);
    acq().Timer2_Timer();
  }

  // The model's value of raw reading k (0-based) of a unit sampling every `periodMs` since the
  // start: the unit takes its first reading one period after it was told to start.
  double RawReading(int id, int k, double periodMs) const {
    return Model(id, startTime_ + (k + 1) * periodMs);
  }

  // Counts the stored samples of a unit that differ from the model by more than the tolerance.
  int Mismatches(int id, int count, double periodMs, int perSample) const {
    int off = 0;
    for (int s = 0; s < count; ++s) {
      double sum = 0;
      for (int r = 0; r < perSample; ++r) sum += RawReading(id, s * perSample + r, periodMs);
      if (std::fabs(md_.Record.Units[id].Data[s] - sum / perSample) > kTolerance) ++off;
    }
    return off;
  }

  double startTime_ = 0;
};

TEST_F(UnitPacedTest, UnitsSampleAtTheConfiguredIntervalAndEveryReadingIsStoredInOrder) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 250, false);
  Start();
  const std::vector<unsigned char> start = {0x20, 0x00, 0x19};
  ASSERT_EQ(StartRequests(0).size(), 1u);
  EXPECT_EQ(StartRequests(0)[0], start);
  ASSERT_EQ(StartRequests(1).size(), 1u);
  EXPECT_EQ(StartRequests(1)[0], start);
  EXPECT_EQ(ui().Timer2->interval(), 300);
  EXPECT_TRUE(chart().IsRedrawSuspended());

  for (int p = 0; p < 20; ++p) Poll();  // 6 s: 24 readings per unit
  EXPECT_FALSE(chart().IsRedrawSuspended());
  EXPECT_EQ(acq().Counters().PollCount, 20);
  EXPECT_EQ(md_.Record.Units[0].DataCount, 24);
  EXPECT_EQ(md_.Record.Units[1].DataCount, 24);
  EXPECT_EQ(md_.Record.SampleCount, 24);
  EXPECT_EQ(Mismatches(0, 24, 250, 1), 0);
  EXPECT_EQ(Mismatches(1, 24, 250, 1), 0);
  EXPECT_EQ(md_.Record.Units[0].Data[24], RecordSet::NoData);
  ASSERT_EQ(chart().PointCount(2), 24);
  EXPECT_DOUBLE_EQ(chart().PointX(24).value(), 6.0);
  EXPECT_DOUBLE_EQ(chart().PointY(2, 24).value(), md_.Record.Units[1].Data[23]);
  // The panel shows each unit's own last sample.
  EXPECT_EQ(ui().Label1[1]->text(), FormatFixed3(md_.Record.Units[1].Data[23]));

  form_->cmdStop_Click();
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0, 1}));
}

TEST_F(UnitPacedTest, AveragingCombinesReadingsAcrossPolls) {
  Plug(0);
  Configure({0}, false, 1000, true);
  ASSERT_EQ(md_.AverageCount, 100);
  Start();
  ASSERT_EQ(StartRequests(0).size(), 1u);
  EXPECT_EQ(StartRequests(0)[0], (std::vector<unsigned char>{0x20, 0x00, 0x01}));

  Poll();
  Poll();
  Poll();  // 90 readings: no sample yet
  EXPECT_EQ(md_.Record.SampleCount, 0);
  EXPECT_EQ(acq().Counters().AvgAccum[0].Count, 90);
  Poll();  // 120 readings: the first sample combines readings of four polls
  EXPECT_EQ(md_.Record.SampleCount, 1);
  EXPECT_EQ(acq().Counters().AvgAccum[0].Count, 20);
  for (int p = 0; p < 36; ++p) Poll();  // 40 polls = 1200 readings
  EXPECT_EQ(md_.Record.SampleCount, 12);
  EXPECT_EQ(Mismatches(0, 12, 10, 100), 0);
  EXPECT_DOUBLE_EQ(chart().PointX(12).value(), 12.0);

  // Readings gathered toward a sample and the polls counted end with the measurement.
  Poll();
  ASSERT_EQ(acq().Counters().AvgAccum[0].Count, 30);
  acq().StopMeasure(StopReason::Refused);
  ASSERT_TRUE(acq().Start());
  EXPECT_EQ(acq().Counters().AvgAccum[0].Count, 0);
  EXPECT_EQ(acq().Counters().PollCount, 0);
}

// A hot junction beyond type K's range, which the driver cannot convert (-300), for the second
// half of every second; for every second once *whole is set.
double OpenInSecondHalf(void* whole, double ms) {
  const bool open = *static_cast<bool*>(whole) || std::fmod(ms, 1000.0) >= 500.0;
  return open ? 2000.0 : 100.0;
}

TEST_F(UnitPacedTest, AveragedSampleLeavesOutReadingsThatDidNotConvert) {
  Plug(0);
  bool whole = false;
  usbkit_sim_set_profile(sim_[0], OpenInSecondHalf, &whole);
  Configure({0}, false, 1000, true);
  Start();
  for (int p = 0; p < 10; ++p) Poll();
  ASSERT_GE(md_.Record.SampleCount, 2);
  // Half of each sample's readings are -300: the sample is the mean of the other half.
  for (int s = 0; s < md_.Record.SampleCount; ++s)
    EXPECT_NEAR(md_.Record.Units[0].Data[s], 100.0, kTolerance);
  whole = true;
  const int before = md_.Record.SampleCount;
  for (int p = 0; p < 10; ++p) Poll();
  ASSERT_GE(md_.Record.SampleCount, before + 2);
  EXPECT_EQ(md_.Record.Units[0].Data[md_.Record.SampleCount - 1], RecordSet::NotConverted);
}

TEST_F(UnitPacedTest, LaterUnitIsAskedForNoMoreThanTheUnitBeforeItDelivered) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 10, false);
  Start();
  Poll();  // both units: 30 readings
  ASSERT_EQ(md_.Record.Units[0].DataCount, 30);
  ASSERT_EQ(md_.Record.Units[1].DataCount, 30);
  usbkit_sim_advance_ms(80);
  ASSERT_EQ(usbkit_sim_buffered_count(sim_[1]), 8);
  // Unit 0 gives 3 readings away beforehand, so it holds 5 while unit 1 holds 8.
  double values[151];
  uint8_t status[151];
  uint8_t count = 3;
  ASSERT_EQ(driver_.Mdx4a_Get_Datas(0, values, status, count, kTypeK), 0);
  ASSERT_EQ(count, 3);
  acq().Timer2_Timer();
  EXPECT_EQ(md_.Record.Units[0].DataCount, 35);
  EXPECT_EQ(md_.Record.Units[1].DataCount, 35);
  EXPECT_EQ(usbkit_sim_buffered_count(sim_[1]), 3);
  EXPECT_EQ(md_.Record.SampleCount, 35);
}

TEST_F(UnitPacedTest, DriverErrorOnTheSecondUnitKeepsTheFirstUnitsReadingsAndStops) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, false, 10, false);
  Start();
  Poll();
  usbkit_sim_fail_transfers(sim_[2], 1);
  dialogs_.Clear();
  Poll();
  EXPECT_EQ(dialogs_.Texts(), std::vector<QString>{DriverErrorText(9)});
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0, 2}));
  EXPECT_EQ(md_.Record.Units[0].DataCount, 60);
  EXPECT_EQ(md_.Record.Units[2].DataCount, 30);
  EXPECT_EQ(md_.Record.SampleCount, 60);
  EXPECT_EQ(Mismatches(0, 60, 10, 1), 0);
  // The failed poll is not drawn: the graph still ends at the first poll's readings.
  EXPECT_EQ(chart().PointCount(1), 30);
  EXPECT_FALSE(chart().PointY(1, 31).has_value());
}

TEST_F(UnitPacedTest, PollArrivingWhileAMessageBoxIsOpenIsDropped) {
  Plug(0);
  Plug(2);
  Configure({0, 2}, false, 10, false);
  Start();
  Poll();
  int nested = 0;
  dialogs_.onMessage = [&](const ShownMessage&) {
    ++nested;
    usbkit_sim_advance_ms(300);
    acq().Timer2_Timer();
  };
  usbkit_sim_fail_transfers(sim_[2], 1);
  Poll();
  dialogs_.onMessage = nullptr;
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(md_.Record.Units[0].DataCount, 60);
  EXPECT_EQ(Mismatches(0, 60, 10, 1), 0);
}

TEST_F(UnitPacedTest, PollsWithoutReadingsKeepTheDefaultRangeUntilTheFirstValue) {
  Plug(0);
  usbkit_sim_set_profile(sim_[0], nullptr, nullptr);
  usbkit_sim_set_temperature(sim_[0], kTypeK, 25.0, kRefC);
  Configure({0}, false, 1000, false);
  Start();
  acq().Timer2_Timer();
  acq().Timer2_Timer();  // the second poll, still no reading
  EXPECT_EQ(md_.Record.SampleCount, 0);
  // Nothing to fit yet: the axis keeps the kind's range rather than turning upside down.
  EXPECT_FLOAT_EQ(md_.AxisMaxY, 1820);
  EXPECT_FLOAT_EQ(md_.AxisMinY, -270);
  EXPECT_DOUBLE_EQ(chart().AxisMax(Chart2D::Axis::Y), 1820);
  EXPECT_DOUBLE_EQ(chart().AxisMin(Chart2D::Axis::Y), -270);
  Poll(2000);
  ASSERT_GT(md_.Record.SampleCount, 0);
  EXPECT_FLOAT_EQ(md_.AxisMaxY, 100);
  EXPECT_FLOAT_EQ(md_.AxisMinY, 0);
  EXPECT_DOUBLE_EQ(chart().AxisMax(Chart2D::Axis::Y), 100);
  EXPECT_DOUBLE_EQ(chart().AxisMin(Chart2D::Axis::Y), 0);
}

TEST_F(UnitPacedTest, UnitThatCannotStartEndsTheStart) {
  Plug(0);
  Plug(1);
  // Unit 1 open keeps the toolkit up, so unit 0 has been probed before its transfers fail: the
  // open's notice (whose failure the driver ignores) and the start command.
  ASSERT_EQ(driver_.Mdx4a_Device_Open(1), 0);
  Configure({0}, false, 1000, false);
  usbkit_sim_fail_transfers(sim_[0], 2);
  form_->cmdStart_Click();
  driver_.Mdx4a_Device_Close(1);
  EXPECT_EQ(dialogs_.Texts(),
            (std::vector<QString>{DriverErrorText(9),
                                  QStringLiteral("エラーのため測定開始できません。")}));
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0}));
  EXPECT_FALSE(chart().IsRedrawSuspended());
}

TEST_F(UnitPacedTest, UnpluggedUnitEndsTheMeasurementAndAReplugStartsAgain) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 10, false);
  Start();
  Poll();
  usbkit_sim_unplug(sim_[1]);
  usbkit_sim_wait_idle();
  Poll();
  EXPECT_TRUE(Idle());
  EXPECT_FALSE(dialogs_.shown.empty());
  EXPECT_EQ(md_.Record.Units[0].DataCount, 60);
  EXPECT_EQ(md_.Record.Units[1].DataCount, 30);
  EXPECT_EQ(Mismatches(0, 60, 10, 1), 0);
  EXPECT_EQ(Mismatches(1, 30, 10, 1), 0);

  usbkit_sim_replug(sim_[1]);
  plugTime_[1] = usbkit_sim_now_ms();  // a re-plug restarts the unit's own clock
  usbkit_sim_wait_idle();
  dialogs_.Clear();
  dialogs_.answers = {MsgAnswer::Yes};
  Start();
  EXPECT_EQ(dialogs_.Texts(), std::vector<QString>{QStringLiteral(
                                  "測定を開始するとデータが消去されます。よろしいですか？")});
  Poll();
  EXPECT_EQ(md_.Record.Units[0].DataCount, 30);
  EXPECT_EQ(md_.Record.Units[1].DataCount, 30);
  EXPECT_EQ(Mismatches(0, 30, 10, 1), 0);
  EXPECT_EQ(Mismatches(1, 30, 10, 1), 0);
}

// Buffers filled by polls: the poll that fills them stores exactly up to the last slot, draws,
// stops and then reports; every reading is in its own slot.
TEST_F(UnitPacedTest, FullBuffersStopWithExactly88000SamplesPerUnit) {
  Plug(0);
  Plug(1);
  Configure({0, 1}, false, 10, false);
  Start();
  int polls = 0;
  while (md_.Measuring && polls < 2000) {
    Poll(1280);  // 128 readings per unit, the most one poll asks for
    ++polls;
  }
  EXPECT_EQ(polls, 688);
  EXPECT_EQ(dialogs_.LastText(),
            QStringLiteral("データ入力バッファがいっぱいのため測定を中止します。"));
  EXPECT_TRUE(Idle());
  EXPECT_EQ(md_.Record.Units[0].DataCount, RecordSet::MaxData);
  EXPECT_EQ(md_.Record.Units[1].DataCount, RecordSet::MaxData);
  EXPECT_EQ(md_.Record.SampleCount, RecordSet::MaxData);
  EXPECT_EQ(Mismatches(0, RecordSet::MaxData, 10, 1), 0);
  EXPECT_EQ(Mismatches(1, RecordSet::MaxData, 10, 1), 0);
  EXPECT_EQ(chart().PointCount(1), RecordSet::MaxData);
}

TEST_F(UnitPacedTest, FullBuffersWithAveraging) {
  Plug(0);
  Configure({0}, false, 20, true);  // two readings of 10 ms per sample
  ASSERT_EQ(md_.AverageCount, 2);
  Start();
  int polls = 0;
  while (md_.Measuring && polls < 3000) {
    Poll(1280);
    ++polls;
  }
  EXPECT_EQ(polls, 1375);  // 176000 readings, 128 per poll
  EXPECT_EQ(dialogs_.LastText(),
            QStringLiteral("データ入力バッファがいっぱいのため測定を中止します。"));
  EXPECT_EQ(md_.Record.Units[0].DataCount, RecordSet::MaxData);
  EXPECT_EQ(Mismatches(0, RecordSet::MaxData, 10, 2), 0);
}

TEST_F(UnitPacedTest, UnitAlreadyFullWhenAPollBeginsIsReported) {
  Plug(0);
  Configure({0}, false, 10, false);
  Start();
  md_.Record.Units[0].DataCount = RecordSet::MaxData;
  acq().Timer2_Timer();
  EXPECT_EQ(dialogs_.LastText(), QStringLiteral("メモリー不足です。測定値が保存できません"));
  EXPECT_TRUE(Idle());
}

}  // namespace
}  // namespace acqtest
