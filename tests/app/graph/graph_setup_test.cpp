// Graph set-up: the state after loading, titles and labels, the automatic and fixed Y range with
// its validation, and the time axis.
#include <gtest/gtest.h>

#include <cmath>

#include "graph_test_rig.h"

namespace {

const QString kRangeError = QStringLiteral("設定値に誤りがあります。");

TEST(GraphSetup, LoadShowsDefaultsTitlesAndLabels) {
  GraphRig rig;
  rig.md.Record.Units[0].ConnectID = 4;
  rig.md.Record.Units[2].ConnectID = 7;
  rig.md.Record.StartTime = QStringLiteral("2026/12/07 10:00:00");
  rig.Load();

  Chart2D& chart = *rig.ui.Chart2D1;
  EXPECT_EQ(chart.NumSeries(), 4);
  EXPECT_EQ(chart.SeriesLabels(),
            QStringList({QStringLiteral("ID0 K熱電対"), QStringLiteral("ID1 B熱電対"),
                         QStringLiteral("ID2 T熱電対"), QStringLiteral("ID3 B熱電対")}));
  EXPECT_EQ(chart.HeaderText(), QStringLiteral("開始時刻 [ 2026/12/07 10:00:00 ]"));
  EXPECT_EQ(chart.AxisTitle(Chart2D::Axis::X), QStringLiteral("開始からの経過時間（秒）"));
  EXPECT_EQ(chart.AxisTitle(Chart2D::Axis::Y), QStringLiteral("℃"));
  EXPECT_FALSE(chart.IsRedrawSuspended());

  EXPECT_DOUBLE_EQ(rig.YMin(), -270);
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);
  EXPECT_WINDOW(rig, 1, 100);
  EXPECT_EQ(rig.gs().ScaleYMode, YRangeMode::Automatic);
  EXPECT_EQ(rig.gs().ScrollMode, XWindowMode::FullDisplay);
  EXPECT_EQ(rig.gs().DispCount, 100);
  EXPECT_TRUE(rig.ui.optHei[0]->isChecked());
  EXPECT_TRUE(rig.ui.optWid[0]->isChecked());
  EXPECT_FALSE(rig.ui.txtVhi->isEnabled());
  EXPECT_FALSE(rig.ui.cmdSetScaleY->isEnabled());
  EXPECT_FALSE(rig.ui.cmdLeft->isEnabled());
  EXPECT_FALSE(rig.ui.cmdRight->isEnabled());
  EXPECT_FALSE(rig.ui.Combo1->isEnabled());
  EXPECT_EQ(rig.ui.Combo1->currentText(), QStringLiteral("100"));
}

TEST(GraphSetup, KindChangeSwitchesTitleAndReturnsToAutomatic) {
  GraphRig rig;
  rig.Load();
  rig.graph->SelectOptHei(1);
  ASSERT_EQ(rig.gs().ScaleYMode, YRangeMode::Fixed);

  rig.md.Record.MeasKind = true;
  rig.graph->SetGraphTitle(true);
  EXPECT_EQ(rig.ui.Chart2D1->AxisTitle(Chart2D::Axis::Y), QStringLiteral("μV"));
  EXPECT_EQ(rig.gs().ScaleYMode, YRangeMode::Automatic);
  EXPECT_TRUE(rig.ui.optHei[0]->isChecked());
  EXPECT_DOUBLE_EQ(rig.YMin(), -15000);
  EXPECT_DOUBLE_EQ(rig.YMax(), 84000);

  rig.md.Record.MeasKind = false;
  rig.graph->SetGraphTitle(false);
  EXPECT_EQ(rig.ui.Chart2D1->AxisTitle(Chart2D::Axis::Y), QStringLiteral("℃"));
}

TEST(GraphSetup, SetGraphTitleCutsSeriesBackToFirstPoint) {
  GraphRig rig;
  rig.Load();
  rig.FillTo(5);
  rig.graph->GrDrawData1();
  ASSERT_EQ(rig.ui.Chart2D1->PointCount(1), 5);
  rig.graph->SetGraphTitle(false);
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(rig.ui.Chart2D1->PointCount(s), 1);
}

TEST(GraphSetup, AutomaticRangeFollowsHundredsRule) {
  struct Case {
    float max, min;
    double axisMin, axisMax;
  } cases[] = {
      {100, 0, 0, 200},     {-0.5f, -120, -200, 0}, {123.4f, -0.5f, -100, 200},
      {300, 250, 200, 400}, {-50, -120, -200, 0},
  };
  for (const Case& c : cases) {
    GraphRig rig;
    rig.Load();
    rig.FillTo(1);
    rig.md.Record.AllMax = c.max;
    rig.md.Record.AllMin = c.min;
    rig.graph->SelectOptHei(0);
    EXPECT_DOUBLE_EQ(rig.YMin(), c.axisMin) << c.max << " " << c.min;
    EXPECT_DOUBLE_EQ(rig.YMax(), c.axisMax) << c.max << " " << c.min;
    EXPECT_FALSE(std::signbit(rig.md.AxisMaxY));
  }
}

TEST(GraphSetup, AutomaticRangeWithoutAnyValueShowsTheDefault) {
  GraphRig rig;
  rig.Load();
  rig.md.ClearData();             // extremes at their starting values
  rig.md.Record.SampleCount = 3;  // samples without a value
  rig.graph->SelectOptHei(0);
  EXPECT_DOUBLE_EQ(rig.YMin(), -270);
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);
}

TEST(GraphSetup, FixedModeFillsTextsAndKeepsAxisUntilSet) {
  GraphRig rig;
  rig.Load();
  rig.graph->SelectOptHei(1);
  EXPECT_EQ(rig.ui.txtVhi->text(), QStringLiteral("1820"));
  EXPECT_EQ(rig.ui.txtVlow->text(), QStringLiteral("-270"));
  EXPECT_TRUE(rig.ui.txtVhi->isEnabled());
  EXPECT_TRUE(rig.ui.cmdSetScaleY->isEnabled());
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);

  rig.ui.txtVhi->setText(QStringLiteral("100"));
  rig.ui.txtVlow->setText(QStringLiteral("99.5"));
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);  // nothing moves before "設定"
  rig.graph->cmdSetScaleY_Click();
  EXPECT_TRUE(rig.dialogs.shown.empty());
  EXPECT_DOUBLE_EQ(rig.YMax(), 100);
  EXPECT_DOUBLE_EQ(rig.YMin(), 99.5);
  EXPECT_FLOAT_EQ(rig.md.AxisMinY, 99.5f);

  // The general format of a Single, as the texts are refilled.
  rig.graph->SetScaleYInput(true);
  EXPECT_EQ(rig.ui.txtVlow->text(), QStringLiteral("99.5"));

  // Back to automatic with no samples: the default range, texts emptied and disabled.
  rig.graph->SelectOptHei(0);
  EXPECT_DOUBLE_EQ(rig.YMin(), -270);
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);
  EXPECT_TRUE(rig.ui.txtVhi->text().isEmpty());
  EXPECT_FALSE(rig.ui.txtVlow->isEnabled());
}

TEST(GraphSetup, VoltageDefaultsInFixedTexts) {
  GraphRig rig;
  rig.md.Record.MeasKind = true;
  rig.Load();
  EXPECT_DOUBLE_EQ(rig.YMin(), -15000);
  EXPECT_DOUBLE_EQ(rig.YMax(), 84000);
  rig.graph->SelectOptHei(1);
  EXPECT_EQ(rig.ui.txtVhi->text(), QStringLiteral("84000"));
  EXPECT_EQ(rig.ui.txtVlow->text(), QStringLiteral("-15000"));
}

TEST(GraphSetup, SetScaleYRefusesWrongRangeAndIgnoresNonNumbers) {
  GraphRig rig;
  rig.Load();
  rig.graph->SelectOptHei(1);

  rig.ui.txtVhi->setText(QStringLiteral("100"));
  rig.ui.txtVlow->setText(QStringLiteral("100"));
  rig.graph->cmdSetScaleY_Click();
  EXPECT_EQ(rig.dialogs.shown, std::vector{ShownMessage::Notice(kRangeError)});
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);
  EXPECT_FLOAT_EQ(rig.md.AxisMaxY, 1820);

  rig.dialogs.Clear();
  for (const char* bad : {"abc", "", "1e"}) {
    rig.ui.txtVhi->setText(QString::fromUtf8(bad));
    rig.ui.txtVlow->setText(QStringLiteral("0"));
    rig.graph->cmdSetScaleY_Click();
  }
  rig.ui.txtVhi->setText(QStringLiteral("0"));
  rig.ui.txtVlow->setText(QStringLiteral("x"));
  rig.graph->cmdSetScaleY_Click();
  EXPECT_TRUE(rig.dialogs.shown.empty());
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);
  EXPECT_DOUBLE_EQ(rig.YMin(), -270);
}

TEST(GraphSetup, SetGraphParamAppliesFixedLimitsOrRefuses) {
  GraphRig rig;
  rig.Load();
  rig.graph->SelectOptHei(1);
  rig.ui.txtVhi->setText(QStringLiteral("500"));
  rig.ui.txtVlow->setText(QStringLiteral("-20"));
  EXPECT_TRUE(rig.graph->SetGraphParam());
  EXPECT_DOUBLE_EQ(rig.YMax(), 500);
  EXPECT_DOUBLE_EQ(rig.YMin(), -20);
  EXPECT_TRUE(rig.dialogs.shown.empty());

  // A wrong range or a text that is not a number: the message, False, nothing touched.
  rig.gs().ScrollMode = XWindowMode::ManualScroll;
  rig.gs().DispStart = 51;
  for (const char* hi : {"-20", "abc"}) {
    rig.dialogs.Clear();
    rig.ui.txtVhi->setText(QString::fromUtf8(hi));
    rig.ui.txtVlow->setText(QStringLiteral("-20"));
    EXPECT_FALSE(rig.graph->SetGraphParam()) << hi;
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].text, kRangeError);
    EXPECT_EQ(rig.gs().DispStart, 51);
    EXPECT_DOUBLE_EQ(rig.YMax(), 500);
  }
}

TEST(GraphSetup, SetGraphParamResetsWindowByMode) {
  GraphRig rig;
  rig.Load();
  rig.FillTo(300);
  rig.graph->SelectOptWid(1);
  rig.PickCount(QStringLiteral("50"));
  rig.gs().DispStart = 200;
  rig.md.ClearData();
  ASSERT_TRUE(rig.graph->SetGraphParam());
  EXPECT_WINDOW(rig, 1, 50);
  EXPECT_TRUE(rig.ui.Combo1->isEnabled());
  EXPECT_FALSE(rig.ui.cmdLeft->isEnabled());

  rig.graph->SelectOptWid(2);
  ASSERT_TRUE(rig.graph->SetGraphParam());
  EXPECT_WINDOW(rig, 1, 50);
  EXPECT_TRUE(rig.ui.cmdRight->isEnabled());

  rig.graph->SelectOptWid(0);
  ASSERT_TRUE(rig.graph->SetGraphParam());
  EXPECT_WINDOW(rig, 1, 100);
  EXPECT_FALSE(rig.ui.Combo1->isEnabled());
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);  // automatic Y: the default range at a start
}

TEST(GraphSetup, TimeAxisInSeconds) {
  GraphRig rig;
  rig.Load();
  rig.md.Record.IntervalTM = 10;
  rig.graph->SetAxesX(1, 100);
  EXPECT_DOUBLE_EQ(rig.XMin(), 0.01);
  EXPECT_DOUBLE_EQ(rig.XMax(), 1.0);
  rig.md.Record.IntervalTM = 60000;
  rig.graph->SetAxesX(51, 150);
  EXPECT_DOUBLE_EQ(rig.XMin(), 3060);
  EXPECT_DOUBLE_EQ(rig.XMax(), 9000);
}

TEST(GraphSetup, TimeAxisKeepsASpanForOddIntervals) {
  GraphRig rig;
  rig.Load();
  rig.md.Record.IntervalTM = 0;
  rig.graph->SetAxesX(1, 100);
  EXPECT_DOUBLE_EQ(rig.XMin(), 0);
  EXPECT_DOUBLE_EQ(rig.XMax(), 1);
  rig.md.Record.IntervalTM = -1000;
  rig.graph->SetAxesX(1, 100);
  EXPECT_DOUBLE_EQ(rig.XMin(), -100);
  EXPECT_DOUBLE_EQ(rig.XMax(), -1);
}

TEST(GraphSetup, ResetAxesRestoresWindowAndRange) {
  GraphRig rig;
  rig.Load();
  rig.graph->SelectOptWid(2);
  rig.PickCount(QStringLiteral("200"));
  rig.gs().DispStart = 301;
  rig.graph->ResetAxesXY(true);
  EXPECT_WINDOW(rig, 1, 200);

  rig.graph->SelectOptHei(1);
  rig.md.AxisMaxY = 5;
  rig.graph->ResetAxesXY(false);
  EXPECT_DOUBLE_EQ(rig.YMax(), 1820);
  EXPECT_EQ(rig.ui.txtVhi->text(), QStringLiteral("1820"));
  EXPECT_EQ(rig.ui.txtVlow->text(), QStringLiteral("-270"));
}

TEST(GraphSetup, InitForReadDataEndsAtTheSelectedCount) {
  GraphRig rig;
  rig.Load();
  rig.FillTo(250);
  rig.graph->InitGraphParam(true);
  // Full display first spans the record set; selecting "100" in the refilled count list then
  // narrows the window again, as the operator's pick of 100 would.
  EXPECT_EQ(rig.gs().ScrollMode, XWindowMode::FullDisplay);
  EXPECT_EQ(rig.gs().DispCount, 100);
  EXPECT_WINDOW(rig, 1, 100);
  EXPECT_EQ(rig.ui.Combo1->count(), 36);
}

}  // namespace
