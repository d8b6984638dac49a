// The main window's controls: at its smallest every control keeps its room, and the graph's own
// controls reach the graph.
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "form_main_fixture.h"
#include "graph/chart2d.h"

namespace {

TEST_F(FormMainTest, SmallestWindowKeepsEveryControlApart) {
  form->resize(1, 1);  // clamped to the minimum the layout allows
  QApplication::processEvents();
  form->layout()->activate();
  EXPECT_LE(form->width(), 1200);
  MainControls& c = ui();
  const std::vector<QWidget*> row = {c.cmdStart, c.cmdStop,  c.cmdSetting,  c.cmdDisp, c.cmdRead,
                                     c.cmdSave,  c.cmdPrint, c.cmdMeasInfo, c.cmdEnd};
  const std::vector<QWidget*> scroll = {c.optWid[0], c.optWid[1], c.optWid[2], c.Label5,
                                        c.Combo1,    c.cmdLeft,   c.cmdRight};
  for (const auto& group : {row, scroll}) {
    for (size_t i = 0; i < group.size(); ++i) {
      const QRect a = group[i]->geometry();
      const int wanted = std::min(group[i]->minimumSizeHint().width(), group[i]->maximumWidth());
      EXPECT_GE(a.width(), wanted) << i;
      EXPECT_LE(a.right(), form->width()) << i;
      for (size_t j = i + 1; j < group.size(); ++j) {
        EXPECT_FALSE(a.intersects(group[j]->geometry())) << i << " overlaps " << j;
      }
    }
  }
  EXPECT_FALSE(c.lblStatus->geometry().intersects(c.Chart2D1->geometry()));
  EXPECT_FALSE(c.hsbWindow->geometry().intersects(c.Chart2D1->geometry()));
}

TEST_F(FormMainTest, RangeChoiceFollowAndTheScrollbarReachTheGraph) {
  AddSamples(300);
  form->Graph().GrDrawData1();
  ui().optHei[2]->click();
  EXPECT_EQ(form->Graph().State().ScaleYMode, YRangeMode::Follow);
  ui().optWid[2]->click();  // samples 1 to 100
  ui().hsbWindow->setValue(151);
  EXPECT_EQ(form->Graph().State().DispStart, 151);
  // Samples 151 to 250 hold 170 to 269 degrees.
  EXPECT_EQ(ui().Chart2D1->AxisMin(Chart2D::Axis::Y), 100);
  EXPECT_EQ(ui().Chart2D1->AxisMax(Chart2D::Axis::Y), 300);
}

}  // namespace
