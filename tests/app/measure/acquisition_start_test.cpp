// Start and stop of a measurement (question, failures, data list, header) and the replay of a
// record set read from a file.
#include <QDateTime>
#include <QLineEdit>
#include <QRadioButton>

#include "acquisition_rig.h"
#include "dialogs/dialog_datalist.h"
#include "graph/graph.h"

namespace acqtest {
namespace {

using StartTest = AcquisitionTest;

TEST(StartTimeFormat, HasNoLeadingZeros) {
  EXPECT_EQ(MeasurementSession::FormatStartTime(QDateTime(QDate(2008, 12, 25), QTime(0, 12, 6))),
            QStringLiteral("2008/12/25 0:12:6"));
  EXPECT_EQ(MeasurementSession::FormatStartTime(QDateTime(QDate(2026, 1, 2), QTime(23, 5, 59))),
            QStringLiteral("2026/1/2 23:5:59"));
}

TEST_F(StartTest, UnitRateRoundsHalvesToEven) {
  Configure({0}, false, 250, false);
  EXPECT_EQ(acq().UnitRate(), 25);
  Configure({0}, false, 25, false);
  EXPECT_EQ(acq().UnitRate(), 2);
  Configure({0}, false, 35, false);
  EXPECT_EQ(acq().UnitRate(), 4);
  Configure({0}, false, 250, true);
  EXPECT_EQ(acq().UnitRate(), 1);
}

TEST_F(StartTest, StartWritesTheStartTimeIntoTheHeader) {
  Plug(0);
  Configure({0}, true, 1000, false);
  const QDateTime before = QDateTime::currentDateTime();
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  const QDateTime stamp =
      QDateTime::fromString(md_.Record.StartTime, QStringLiteral("yyyy/M/d H:m:s"));
  ASSERT_TRUE(stamp.isValid()) << md_.Record.StartTime.toStdString();
  EXPECT_LE(std::abs(stamp.secsTo(before)), 2);
  EXPECT_EQ(chart().HeaderText(),
            QStringLiteral("開始時刻 [ ") + md_.Record.StartTime + QStringLiteral(" ]"));
  EXPECT_TRUE(md_.Record.MemoText[0].isEmpty());
}

TEST_F(StartTest, DataInMemoryAreKeptWhenTheOperatorSaysNo) {
  MeasureOneSample();
  ASSERT_EQ(md_.Record.SampleCount, 1);
  const float kept = md_.Record.Units[0].Data[0];

  dialogs_.Clear();
  dialogs_.answers = {MsgAnswer::No};
  form_->cmdStart_Click();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text,
            QStringLiteral("測定を開始するとデータが消去されます。よろしいですか？"));
  EXPECT_EQ(dialogs_.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(dialogs_.shown[0].icon, MsgIcon::Question);
  EXPECT_TRUE(Idle());
  EXPECT_EQ(md_.Record.SampleCount, 1);
  EXPECT_EQ(md_.Record.Units[0].Data[0], kept);
  EXPECT_TRUE(UnitsClosed({0}));
}

TEST_F(StartTest, UnitThatCannotBeOpenedLeavesTheDataAndTheDataListAlone) {
  MeasureOneSample();
  form_->cmdDisp_Click();
  ASSERT_FALSE(ui().cmdDisp->isEnabled());

  Configure({0, 3}, true, 1000, false);  // unit 3 is not plugged in
  dialogs_.Clear();
  form_->cmdStart_Click();
  EXPECT_EQ(dialogs_.LastText(), DriverErrorText(6) + QStringLiteral("（ID3）"));
  EXPECT_EQ(md_.Record.SampleCount, 1);
  EXPECT_FALSE(ui().cmdDisp->isEnabled());
  EXPECT_TRUE(ui().datalist);
  EXPECT_TRUE(UnitsClosed({0}));
}

TEST_F(StartTest, StartClosesTheDataList) {
  MeasureOneSample();
  form_->cmdDisp_Click();
  ASSERT_TRUE(ui().datalist && ui().datalist->isVisible());
  form_->cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  EXPECT_TRUE(!ui().datalist || !ui().datalist->isVisible());
  form_->cmdStop_Click();
  EXPECT_FALSE(ui().cmdDisp->isEnabled());  // no samples in the new record set
}

TEST_F(StartTest, InvalidFixedRangeEndsTheStartCleanly) {
  Plug(0);
  Configure({0}, true, 1000, false);
  form_->Graph().SelectOptHei(1);
  ui().txtVhi->setText(QStringLiteral("100"));
  ui().txtVlow->setText(QStringLiteral("100"));
  form_->cmdStart_Click();
  EXPECT_EQ(dialogs_.LastText(), QStringLiteral("設定値に誤りがあります。"));
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(UnitsClosed({0}));
  EXPECT_FALSE(chart().IsRedrawSuspended());
}

TEST_F(StartTest, ReplayDrawsEverySampleAndLeavesTheCountToTheCaller) {
  Configure({0, 2}, true, 500, false);
  const int n = 500;
  for (int k = 0; k < n; ++k) {
    md_.Record.Units[0].Data[k] = 20.0f + k;
    md_.Record.Units[2].Data[k] = (k == 10) ? RecordSet::NoData : -50.0f - k;
  }
  md_.Record.Units[0].DataCount = md_.Record.Units[2].DataCount = n;
  md_.Record.SampleCount = n;
  md_.Record.StartTime = QStringLiteral("2008/12/25 0:12:6");
  form_->ReplayData();

  EXPECT_EQ(md_.Record.SampleCount, 0);
  EXPECT_FALSE(md_.Measuring);
  EXPECT_FALSE(chart().IsRedrawSuspended());
  EXPECT_EQ(chart().HeaderText(), QStringLiteral("開始時刻  2008/12/25 0:12:6"));
  ASSERT_EQ(chart().PointCount(1), n);
  EXPECT_EQ(chart().PointCount(3), n);
  EXPECT_EQ(chart().PointCount(2), n);
  EXPECT_FALSE(chart().PointY(2, 1).has_value());
  EXPECT_DOUBLE_EQ(chart().PointX(n).value(), 250.0);
  EXPECT_DOUBLE_EQ(chart().PointY(1, 1).value(), 20.0);
  EXPECT_DOUBLE_EQ(chart().PointY(1, n).value(), 519.0);
  EXPECT_DOUBLE_EQ(chart().PointY(3, n).value(), -549.0);
  EXPECT_FALSE(chart().PointY(3, 11).has_value());
  // Full display with the window covering the record set; Y fitted to the extremes.
  EXPECT_DOUBLE_EQ(chart().AxisMax(Chart2D::Axis::X), 250.0);
  EXPECT_FLOAT_EQ(md_.AxisMaxY, 600);
  EXPECT_FLOAT_EQ(md_.AxisMinY, -600);
}

}  // namespace
}  // namespace acqtest
