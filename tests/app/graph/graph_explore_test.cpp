// Exploring the graph with the mouse and the keys: zoom, pan, the scrollbar, following again, the
// range fitted to the window, the cursors with their readout, and the driver's -300.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "graph_test_rig.h"

namespace {

using Axis = Chart2D::Axis;

struct Explore : ::testing::Test {
  GraphRig rig;
  Chart2D& chart() { return *rig.ui.Chart2D1; }
  QWidget* plot() { return chart().Plot(); }

  void SetUp() override {
    rig.window.resize(900, 600);
    chart().setGeometry(0, 0, 800, 500);
    rig.window.show();
    rig.Load();
    Show();
  }
  // Draws the record set and lays the plot out, so that pixels map to axis values.
  void Show() {
    rig.graph->GrDrawData1();
    chart().Flush();
    QApplication::processEvents();
  }
  QPointF At(double seconds) {
    const double y = (rig.YMin() + rig.YMax()) / 2;
    return {chart().ValueToPixel(Axis::X, seconds), chart().ValueToPixel(Axis::Y, y)};
  }
  void Wheel(QPointF pos, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(pos, plot()->mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot(), &event);
  }
  void Mouse(QEvent::Type type, QPointF pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, plot()->mapToGlobal(pos), button, held, modifiers);
    QApplication::sendEvent(plot(), &event);
  }
  void Click(QPointF pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, pos, modifiers);
    Mouse(QEvent::MouseButtonRelease, pos, modifiers);
  }
  void Drag(QPointF from, double dx) {
    Mouse(QEvent::MouseButtonPress, from);
    Mouse(QEvent::MouseMove, from + QPointF(dx, 0));
    Mouse(QEvent::MouseButtonRelease, from + QPointF(dx, 0));
  }
  void Key(int key) { QTest::keyClick(&chart(), static_cast<Qt::Key>(key)); }
};

TEST_F(Explore, WheelZoomsAroundThePointerAndStopsFollowingUntilEnd) {
  rig.md.Measuring = true;
  rig.AdvanceTo(1000);
  Show();
  ASSERT_DOUBLE_EQ(rig.XMax(), 1000.0);
  const QPointF pointer = At(300.0);
  const double before = chart().PixelToValue(Axis::X, pointer.x());

  Wheel(pointer, 1);
  EXPECT_NEAR(chart().PixelToValue(Axis::X, pointer.x()), before, 1e-9);
  EXPECT_NEAR(rig.XMax() - rig.XMin(), 999.0 / 1.25, 1e-9);
  Wheel(pointer, -1);
  EXPECT_NEAR(rig.XMin(), 1.0, 1e-9);
  EXPECT_NEAR(rig.XMax(), 1000.0, 1e-9);
  EXPECT_TRUE(rig.ui.optWid[2]->isChecked());
  EXPECT_EQ(rig.gs().ScrollMode, XWindowMode::ManualScroll);

  // The window stays while samples arrive; End follows again, and the next sample moves it.
  Wheel(pointer, 2);
  const double left = rig.XMin();
  rig.AdvanceTo(1500);
  EXPECT_EQ(rig.XMin(), left);
  Key(Qt::Key_End);
  EXPECT_TRUE(rig.ui.optWid[0]->isChecked());
  EXPECT_WINDOW(rig, 1, 2000);
  rig.AdvanceTo(2001);
  EXPECT_WINDOW(rig, 1, 3000);
}

TEST_F(Explore, PanStopsAtBothEndsByDragKeysAndScrollbar) {
  rig.FillTo(1000);
  rig.graph->SelectOptWid(0);
  Show();
  Wheel(At(500.0), 3);
  const double width = rig.XMax() - rig.XMin();
  ASSERT_LT(width, 600.0);

  Drag(At(500.0), 1500);  // to the right: back in time, past the start
  EXPECT_DOUBLE_EQ(rig.XMin(), 1.0);
  EXPECT_NEAR(rig.XMax() - rig.XMin(), width, 1e-9);
  Drag(At(rig.XMax() - 1), -1500);
  EXPECT_DOUBLE_EQ(rig.XMax(), 1000.0);
  Key(Qt::Key_Right);
  EXPECT_DOUBLE_EQ(rig.XMax(), 1000.0);
  Key(Qt::Key_Left);
  EXPECT_NEAR(rig.XMax(), 1000.0 - width / 10, 1e-9);
  Key(Qt::Key_Home);
  EXPECT_DOUBLE_EQ(rig.XMin(), 1.0);
  Key(Qt::Key_End);
  EXPECT_DOUBLE_EQ(rig.XMax(), 1000.0);

  // The scrollbar spans the record set with the window as its handle, and moves it.
  QScrollBar& bar = *rig.ui.hsbWindow;
  EXPECT_EQ(bar.minimum(), 1);
  EXPECT_EQ(bar.maximum() + bar.pageStep(), 1000);
  EXPECT_EQ(bar.value(), rig.gs().DispStart);
  bar.setValue(200);
  EXPECT_DOUBLE_EQ(rig.XMin(), 200.0);
  EXPECT_NEAR(rig.XMax() - rig.XMin(), width, 1e-9);
}

TEST_F(Explore, FollowRangeFitsTheWindowBothWays) {
  // Room air for 150 samples, then a furnace at 400 degrees.
  rig.FillTo(300, [](int32_t k) { return k <= 150 ? 20.0f + static_cast<float>(k % 7) : 400.0f; });
  rig.graph->SelectOptWid(2);  // samples 1 to 100
  rig.graph->SelectOptHei(2);
  EXPECT_FALSE(rig.ui.txtVhi->isEnabled());
  EXPECT_DOUBLE_EQ(rig.YMin(), 0.0);
  EXPECT_DOUBLE_EQ(rig.YMax(), 100.0);
  rig.graph->cmdRight_Click();  // 51 to 150
  rig.graph->cmdRight_Click();  // 101 to 200: the furnace comes in
  EXPECT_DOUBLE_EQ(rig.YMin(), 0.0);
  EXPECT_DOUBLE_EQ(rig.YMax(), 500.0);
  rig.graph->cmdRight_Click();  // 151 to 250: the furnace alone
  EXPECT_DOUBLE_EQ(rig.YMin(), 400.0);
  EXPECT_DOUBLE_EQ(rig.YMax(), 500.0);
  rig.graph->GoHome();
  EXPECT_DOUBLE_EQ(rig.YMax(), 100.0);

  // "自動" still fits the whole record set.
  rig.graph->SelectOptHei(0);
  EXPECT_DOUBLE_EQ(rig.YMin(), 0.0);
  EXPECT_DOUBLE_EQ(rig.YMax(), 500.0);
}

TEST_F(Explore, VerticalZoomFixesTheShownRangeAndDoubleClickReturns) {
  rig.FillTo(100, [](int32_t k) { return static_cast<float>(k); });
  rig.graph->SelectOptHei(0);
  Show();
  const QPointF pointer(At(50.0).x(), chart().ValueToPixel(Axis::Y, 60.0));
  Wheel(pointer, 2, Qt::ControlModifier);
  EXPECT_TRUE(rig.ui.optHei[1]->isChecked());
  EXPECT_NEAR(rig.YMax() - rig.YMin(), 200.0 / 1.5625, 1e-3);
  EXPECT_NEAR(chart().PixelToValue(Axis::Y, pointer.y()), 60.0, 1e-3);
  EXPECT_EQ(rig.ui.txtVhi->text().toFloat(), rig.md.AxisMaxY);
  EXPECT_EQ(rig.ui.txtVlow->text().toFloat(), rig.md.AxisMinY);

  Mouse(QEvent::MouseButtonPress, pointer);
  Mouse(QEvent::MouseButtonRelease, pointer);
  Mouse(QEvent::MouseButtonDblClick, pointer);
  Mouse(QEvent::MouseButtonRelease, pointer);
  EXPECT_TRUE(rig.ui.optHei[0]->isChecked());
  EXPECT_DOUBLE_EQ(rig.YMax(), 200.0);
  // The double click's first click placed no cursor.
  EXPECT_EQ(rig.graph->Cursors()[0], 0);
}

TEST_F(Explore, ReadoutGivesTheStoredSamplesAndTheirDifferences) {
  rig.md.Record.IntervalTM = 500;
  rig.md.Record.Units[2].MflagID = true;
  rig.FillTo(200);
  for (size_t k = 0; k < 200; ++k) {
    rig.md.Record.Units[0].Data[k] = 10.0f + 0.37f * static_cast<float>(k);
    rig.md.Record.Units[2].Data[k] = 100.0f - 0.5f * static_cast<float>(k);
  }
  rig.md.Record.Units[2].Data[99] = RecordSet::NoData;
  rig.graph->SelectOptWid(0);
  Show();

  Click(At(20.1));                     // sample 40.2: the nearest stored one is 40
  Click(At(40.0), Qt::ShiftModifier);  // sample 80
  const CursorReadout r = rig.graph->Readout();
  ASSERT_EQ(r.sample[0], 40);
  ASSERT_EQ(r.sample[1], 80);
  EXPECT_EQ(r.units[0].value[0], rig.md.Record.Units[0].Data[39]);
  EXPECT_EQ(r.units[0].value[1], rig.md.Record.Units[0].Data[79]);
  EXPECT_EQ(r.deltaSeconds, 20.0);
  const double rise =
      static_cast<double>(rig.md.Record.Units[0].Data[79]) - rig.md.Record.Units[0].Data[39];
  EXPECT_DOUBLE_EQ(r.units[0].delta.value_or(0), rise);
  EXPECT_DOUBLE_EQ(r.units[0].slopePerMinute.value_or(0), rise * 3.0);
  EXPECT_DOUBLE_EQ(r.units[2].slopePerMinute.value_or(0), -60.0);
  EXPECT_FALSE(r.units[1].used);
  EXPECT_EQ(chart().CursorLine(1), 40.0);
  EXPECT_TRUE(rig.ui.lblReadout->text().contains(QStringLiteral("-60.000")));

  // A cursor on an empty slot reads nothing there and gives no difference.
  Click(At(50.0), Qt::ShiftModifier);
  EXPECT_FALSE(rig.graph->Readout().units[2].value[1]);
  EXPECT_FALSE(rig.graph->Readout().units[2].delta);

  Key(Qt::Key_Escape);
  EXPECT_FALSE(chart().CursorLine(0));
  EXPECT_EQ(rig.graph->Readout().sample[1], 0);
}

TEST_F(Explore, NotConvertedIsAGapOutsideTheRangeWhileVoltagesKeepIt) {
  rig.md.Measuring = true;
  for (int32_t k = 1; k <= 20; ++k) {
    rig.md.Record.Units[0].Data[static_cast<size_t>(k - 1)] = k % 4 == 0 ? -300.0f : 25.0f;
    rig.md.Record.SampleCount = k;
    rig.md.Record.UpdateUnitMaxMin(k);
    rig.md.Record.UpdateAllMaxMin();
    rig.md.RoundAxisY();
    rig.graph->GrDrawData(k);
  }
  rig.graph->DispNowValue();
  EXPECT_EQ(rig.ui.Label1[0]->text(), QStringLiteral("断線?"));
  EXPECT_FALSE(chart().PointY(1, 4));
  EXPECT_EQ(chart().PointY(1, 5), 25.0);
  EXPECT_EQ(rig.md.Record.AllMin, 25.0f);
  rig.graph->SelectOptHei(0);
  EXPECT_DOUBLE_EQ(rig.YMin(), 0.0);
  rig.graph->SelectOptHei(2);
  EXPECT_DOUBLE_EQ(rig.YMin(), 0.0);

  // In a voltage measurement -300 microvolts is a reading like any other.
  rig.md.Record.MeasKind = true;
  rig.graph->GrDrawData1();
  rig.graph->DispNowValue();
  EXPECT_EQ(chart().PointY(1, 4), -300.0);
  EXPECT_EQ(rig.ui.Label1[0]->text(), QStringLiteral("-300.000"));
}

}  // namespace
