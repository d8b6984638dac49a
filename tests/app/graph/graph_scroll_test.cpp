// The horizontal window: full display, automatic and manual scroll, the display-count list.
#include <gtest/gtest.h>

#include "graph_test_rig.h"

namespace {

struct Scroll : ::testing::Test {
  GraphRig rig;
  void SetUp() override {
    rig.Load();
    rig.md.Measuring = true;
  }
};

TEST_F(Scroll, FullDisplayGrowsByOneStepPerSample) {
  rig.AdvanceTo(100);
  EXPECT_WINDOW(rig, 1, 100);
  rig.AdvanceTo(101);
  EXPECT_WINDOW(rig, 1, 200);
  rig.AdvanceTo(200);
  EXPECT_WINDOW(rig, 1, 200);
  rig.AdvanceTo(201);
  EXPECT_WINDOW(rig, 1, 300);

  rig.gs().DispCount = rig.gs().DispEnd = 1000;
  rig.AdvanceTo(1001);
  EXPECT_WINDOW(rig, 1, 2000);
  rig.gs().DispCount = rig.gs().DispEnd = 10000;
  rig.AdvanceTo(10001);
  EXPECT_WINDOW(rig, 1, 20000);
}

TEST_F(Scroll, FullDisplayGrowsByAsManyStepsAsABatchNeeds) {
  // A batch of 350 samples behind a 100-wide window: steps of 100 until it covers them.
  rig.FillTo(350);
  rig.graph->AdvanceAxesX();
  EXPECT_WINDOW(rig, 1, 400);
  rig.graph->AdvanceAxesX();
  EXPECT_WINDOW(rig, 1, 400);
}

TEST_F(Scroll, AutomaticScrollKeepsTheLastSampleInViewAtThirtySamplesAPoll) {
  // 10 ms sampling polled every 300 ms over a 20-wide window: one minute of polls.
  rig.graph->SelectOptWid(1);
  rig.PickCount(QStringLiteral("20"));
  for (int poll = 1; poll <= 200; ++poll) {
    rig.FillTo(poll * 30);
    rig.graph->AdvanceAxesX();
    ASSERT_GE(rig.gs().DispEnd, rig.md.Record.SampleCount) << "poll " << poll;
    ASSERT_LT(rig.gs().DispEnd - rig.md.Record.SampleCount, 10) << "poll " << poll;
    ASSERT_EQ(rig.gs().DispEnd - rig.gs().DispStart, 19);
  }
  // Still on the grid of half widths from the first window.
  EXPECT_EQ((rig.gs().DispStart - 1) % 10, 0);
}

TEST_F(Scroll, AutomaticScrollMovesHalfAWidth) {
  rig.graph->SelectOptWid(1);
  EXPECT_WINDOW(rig, 1, 100);
  EXPECT_TRUE(rig.ui.Combo1->isEnabled());
  EXPECT_FALSE(rig.ui.cmdLeft->isEnabled());
  rig.AdvanceTo(101);
  EXPECT_WINDOW(rig, 51, 150);
  rig.AdvanceTo(150);
  EXPECT_WINDOW(rig, 51, 150);
  rig.AdvanceTo(151);
  EXPECT_WINDOW(rig, 101, 200);
}

TEST_F(Scroll, ModeSwitchWhileMeasuring) {
  struct Case {
    int32_t samples, end;
  } cases[] = {{150, 200}, {999, 1000}, {1000, 2000}, {100, 100}, {0, 100}, {1500, 2000}};
  for (const Case& c : cases) {
    rig.md.Record.SampleCount = c.samples;
    rig.graph->SelectOptWid(1);
    rig.graph->SelectOptWid(0);
    EXPECT_EQ(rig.gs().DispStart, 1) << c.samples;
    EXPECT_EQ(rig.gs().DispEnd, c.end) << c.samples;
    EXPECT_EQ(rig.gs().DispCount, c.end) << c.samples;
    EXPECT_DOUBLE_EQ(rig.XMax(), c.end) << c.samples;
  }

  // Automatic scroll behind the samples: a window of DispCount + 1 samples on a half-width step,
  // narrowed back to the width by the next advance.
  rig.FillTo(250);
  rig.graph->SelectOptWid(1);
  EXPECT_WINDOW(rig, 250, 350);
}

TEST_F(Scroll, FullDisplayWhenIdleSpansTheRecordSet) {
  rig.md.Measuring = false;
  rig.FillTo(5000);
  rig.graph->SelectOptWid(1);
  rig.graph->SelectOptWid(0);
  EXPECT_WINDOW(rig, 1, 5000);
  rig.md.ClearData();
  rig.graph->SelectOptWid(0);
  EXPECT_WINDOW(rig, 1, 100);
}

TEST_F(Scroll, AutomaticScrollWhenIdleKeepsTheWindow) {
  rig.md.Measuring = false;
  rig.FillTo(5000);
  rig.graph->SelectOptWid(0);  // 1..5000
  rig.graph->SelectOptWid(1);
  EXPECT_EQ(rig.gs().DispCount, 100);
  EXPECT_WINDOW(rig, 1, 5000);
}

TEST_F(Scroll, ManualScrollAndItsRefusals) {
  rig.FillTo(90);
  rig.graph->SelectOptWid(2);
  EXPECT_WINDOW(rig, 1, 100);
  EXPECT_TRUE(rig.ui.cmdLeft->isEnabled());
  EXPECT_TRUE(rig.ui.cmdRight->isEnabled());
  EXPECT_TRUE(rig.ui.Combo1->isEnabled());

  rig.graph->cmdRight_Click();
  EXPECT_WINDOW(rig, 51, 150);
  rig.graph->cmdRight_Click();  // 51 > 90 - 50: stays
  EXPECT_WINDOW(rig, 51, 150);

  rig.gs().DispStart = 21;
  rig.graph->cmdLeft_Click();
  EXPECT_WINDOW(rig, 1, 100);
  rig.graph->cmdLeft_Click();
  EXPECT_WINDOW(rig, 1, 100);

  // Manual scroll never follows new samples.
  rig.AdvanceTo(500);
  EXPECT_WINDOW(rig, 1, 100);
}

TEST_F(Scroll, ArrowsDoNothingOutsideManualScroll) {
  rig.FillTo(1000);
  for (int16_t mode : {0, 1}) {
    rig.graph->SelectOptWid(mode);
    const int32_t start = rig.gs().DispStart, end = rig.gs().DispEnd;
    rig.graph->cmdRight_Click();
    rig.graph->cmdLeft_Click();
    EXPECT_EQ(rig.gs().DispStart, start);
    EXPECT_EQ(rig.gs().DispEnd, end);
  }
}

TEST_F(Scroll, ManualScrollStartsFromThePreviousWindow) {
  rig.FillTo(5000);
  rig.graph->SelectOptWid(0);
  rig.graph->SelectOptWid(2);
  EXPECT_WINDOW(rig, 1, 100);

  rig.md.ClearData();
  rig.md.Measuring = true;
  rig.graph->SelectOptWid(0);
  rig.graph->SelectOptWid(1);
  rig.AdvanceTo(101);
  ASSERT_EQ(rig.gs().DispStart, 51);
  rig.graph->SelectOptWid(2);
  EXPECT_WINDOW(rig, 51, 150);
}

TEST_F(Scroll, CountListPicks) {
  rig.FillTo(90);
  rig.graph->SelectOptWid(2);
  rig.graph->cmdRight_Click();
  ASSERT_EQ(rig.gs().DispStart, 51);

  // The same count again changes nothing, not even a window set by other means.
  rig.gs().DispEnd = 777;
  rig.PickCount(QStringLiteral("100"));
  EXPECT_EQ(rig.gs().DispEnd, 777);

  rig.PickCount(QStringLiteral("50"));
  EXPECT_WINDOW(rig, 51, 100);
  EXPECT_EQ(rig.gs().DispCount, 50);
}

TEST_F(Scroll, CountPickInAutomaticScrollMayStartAtZero) {
  rig.graph->SelectOptWid(1);
  rig.AdvanceTo(101);
  ASSERT_EQ(rig.gs().DispStart, 51);
  rig.PickCount(QStringLiteral("20"));
  EXPECT_WINDOW(rig, 100, 119);
  // 101 samples behind a window of 200: the window starts at 200 x (101 \ 200) = 0.
  rig.PickCount(QStringLiteral("200"));
  EXPECT_WINDOW(rig, 0, 199);
  // From there on the window counts as at the left edge and only changes its width.
  rig.PickCount(QStringLiteral("20"));
  EXPECT_WINDOW(rig, 0, 20);

  // At the left edge the window only changes its width.
  rig.md.ClearData();
  rig.md.Measuring = true;
  rig.graph->SelectOptWid(1);
  rig.gs().DispStart = 1;
  rig.PickCount(QStringLiteral("1000"));
  EXPECT_WINDOW(rig, 1, 1000);
}

TEST_F(Scroll, CountListHoldsThe36CountsAfterRefilling) {
  for (int i = 0; i < 3; ++i) rig.graph->InitDispCountList();
  QComboBox& combo = *rig.ui.Combo1;
  ASSERT_EQ(combo.count(), 36);
  EXPECT_EQ(combo.itemText(0), QStringLiteral("10"));
  EXPECT_EQ(combo.itemText(9), QStringLiteral("100"));
  EXPECT_EQ(combo.itemText(10), QStringLiteral("200"));
  EXPECT_EQ(combo.itemText(27), QStringLiteral("10000"));
  EXPECT_EQ(combo.itemText(35), QStringLiteral("90000"));
  EXPECT_EQ(combo.currentIndex(), 9);
  EXPECT_EQ(rig.graph->Combo1Value(), 100);
}

TEST_F(Scroll, RefillingTheListSelects100AsAPick) {
  rig.graph->SelectOptWid(2);
  rig.PickCount(QStringLiteral("500"));
  rig.gs().DispStart = 11;
  rig.graph->InitDispCountList();
  EXPECT_EQ(rig.gs().DispCount, 100);
  EXPECT_WINDOW(rig, 11, 110);
}

}  // namespace
