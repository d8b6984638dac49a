// The window's marks and channel names: "マーク" and M add a mark at the newest sample while
// measuring, a right click adds one on a finished record set, and they show on the graph and in
// the cursor panel; the names of "取込設定" reach the legend, the current values and the readout.
#include "measure/window_marks.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "acquisition_rig.h"
#include "dialogs/data_list_model.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_setting.h"
#include "graph/graph.h"

namespace acqtest {
namespace {

class MarksTest : public AcquisitionTest {
 protected:
  void Tick() {
    usbkit_sim_advance_ms(1000);
    acq().Timer1_Timer();
  }
  void ShowActive() {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
};

TEST_F(MarksTest, ButtonAndKeyMarkTheNewestSampleAndShowOnTheGraphAndInTheList) {
  ShowActive();
  Plug(0);
  Configure({0}, true, 1000, false);
  EXPECT_FALSE(ui().cmdMark->isEnabled());
  form_->cmdStart_Click();
  EXPECT_TRUE(ui().cmdMark->isEnabled());
  for (int s = 0; s < 3; ++s) Tick();
  ui().txtMark->setText(QStringLiteral("扉を開けた、試料を二つ入れた"));
  QTest::mouseClick(ui().cmdMark, Qt::LeftButton);
  ASSERT_EQ(md_.Record.Marks.size(), 1u);
  EXPECT_EQ(md_.Record.Marks[0].sample, 3);
  EXPECT_EQ(md_.Record.Marks[0].text, QStringLiteral("扉を開けた、試料を二つ入れた"));
  EXPECT_TRUE(ui().txtMark->text().isEmpty());  // the next mark takes the default text
  ASSERT_EQ(chart().MarkLineCount(), 1);
  EXPECT_EQ(chart().MarkLineLabel(0), QStringLiteral("1 扉を開けた、試料を二つ…"));  // shortened
  auto* line =
      qobject_cast<QCPItemStraightLine*>(chart().Plot()->item(chart().Plot()->itemCount() - 2));
  ASSERT_NE(line, nullptr);
  EXPECT_DOUBLE_EQ(line->point1->coords().x(), 3.0);  // sample 3 at one a second
  EXPECT_TRUE(
      form_->Graph().HoverText(3.0).contains(QStringLiteral("扉を開けた、試料を二つ入れた")));

  Tick();
  Tick();
  ui().cmdStart->setFocus();  // M from anywhere but a text field
  QTest::keyClick(ui().cmdStart, Qt::Key_M);
  ASSERT_EQ(md_.Record.Marks.size(), 2u);
  EXPECT_EQ(md_.Record.Marks[1].sample, 5);
  EXPECT_EQ(md_.Record.Marks[1].text, QStringLiteral("マーク 2"));
  EXPECT_EQ(chart().MarkLineCount(), 2);
  ASSERT_EQ(ui().lstMarks->count(), 2);
  EXPECT_TRUE(ui().lstMarks->item(1)->text().contains(QStringLiteral("マーク 2")));

  // M typed into the mark's field is its text, not a mark.
  ui().txtMark->setFocus();
  QTest::keyClick(ui().txtMark, Qt::Key_M);
  EXPECT_EQ(md_.Record.Marks.size(), 2u);
  EXPECT_EQ(ui().txtMark->text(), QStringLiteral("m"));

  form_->cmdStop_Click();
  EXPECT_FALSE(ui().cmdMark->isEnabled());
  ui().cmdStart->setFocus();
  QTest::keyClick(ui().cmdStart, Qt::Key_M);
  EXPECT_EQ(md_.Record.Marks.size(), 2u);  // idle: no mark at the newest sample

  // A click on a mark in the list moves cursor A there.
  QListWidget* list = ui().lstMarks;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(0)).center());
  EXPECT_EQ(form_->Graph().Cursors()[0], 3);
}

TEST_F(MarksTest, RightClickOnAFinishedRecordSetMarksTheSampleUnderThePointer) {
  ShowActive();
  Plug(0);
  Configure({0}, true, 1000, false);
  form_->cmdStart_Click();
  for (int s = 0; s < 8; ++s) Tick();
  form_->Marks().AddMarkNow();  // number 1, at sample 8
  form_->cmdStop_Click();
  QApplication::processEvents();
  chart().Flush();
  form_->cmdDisp_Click();  // the data list shows the marks, the new one too
  ASSERT_NE(ui().datalist, nullptr);
  ui().txtMark->setText(QStringLiteral("昇温開始"));
  QCustomPlot* plot = chart().Plot();
  const QPoint at(static_cast<int>(chart().ValueToPixel(Chart2D::Axis::X, 4.6)),
                  plot->axisRect()->center().y());
  QTest::mouseClick(plot, Qt::RightButton, {}, at);
  ASSERT_EQ(md_.Record.Marks.size(), 2u);
  EXPECT_EQ(md_.Record.Marks[0].sample, 5);  // the nearest sample, in sample order, numbered on
  EXPECT_EQ(md_.Record.Marks[0].number, 2);
  EXPECT_EQ(md_.Record.Marks[0].text, QStringLiteral("昇温開始"));
  EXPECT_EQ(chart().MarkLineCount(), 2);
  EXPECT_EQ(ui().lstMarks->count(), 2);
  DataListModel* rows = ui().datalist->Model();
  EXPECT_TRUE(rows->data(rows->index(4)).toString().endsWith(QStringLiteral("  \u25C62 昇温開始")));
  EXPECT_TRUE(rows->data(rows->index(7)).toString().endsWith(QStringLiteral("  \u25C61 マーク 1")));
  EXPECT_TRUE(rows->data(rows->index(4), Qt::BackgroundRole).isValid());
  EXPECT_FALSE(rows->data(rows->index(3), Qt::BackgroundRole).isValid());
  // The left button places a cursor, never a mark.
  QTest::mouseClick(plot, Qt::LeftButton, {}, at);
  EXPECT_EQ(md_.Record.Marks.size(), 2u);
}

TEST_F(MarksTest, NamesOfTheSettingsDialogNameTheUnitsEverywhereAndNoNameReadsAsBefore) {
  Configure({0, 2}, true, 1000, false);
  form_->DispConnectflg();
  EXPECT_EQ(chart().SeriesLabels().value(0), QStringLiteral("ID0 K熱電対"));
  EXPECT_EQ(ui().Label2[0]->text(), QStringLiteral("ID0"));

  DialogSetting dialog(md_, dialogs_);
  dialog.txtName[0]->setText(QStringLiteral("  炉内\t上段 "));
  dialog.txtName[2]->setText(QString(40, QLatin1Char('x')));  // beyond the 32 characters
  dialog.OKButton->click();
  ASSERT_TRUE(md_.SettingOK);
  EXPECT_EQ(md_.Record.Units[0].Name, QStringLiteral("炉内 上段"));
  EXPECT_EQ(md_.Record.Units[2].Name, QString(32, QLatin1Char('x')));
  EXPECT_TRUE(md_.Record.Units[1].Name.isEmpty());
  form_->DispConnectflg();
  EXPECT_EQ(chart().SeriesLabels().value(0), QStringLiteral("ID0 炉内 上段 K熱電対"));
  EXPECT_EQ(chart().SeriesLabels().value(1), QStringLiteral("ID1 K熱電対"));
  EXPECT_EQ(ui().Label2[0]->text(), QStringLiteral("ID0 炉内 上段"));

  // The readout and the statistics name the unit as well.
  for (int k = 0; k < 4; ++k) md_.Record.Units[0].Data[k] = 20.0f + k;
  md_.Record.Units[0].DataCount = 4;
  md_.Record.Units[2].MflagID = false;
  md_.Record.SampleCount = 4;
  form_->Graph().SetCursors({1, 4});
  EXPECT_TRUE(ui().lblReadout->text().contains(QStringLiteral("ID0 炉内 上段")));
  EXPECT_TRUE(ui().lblStatistics->text().contains(QStringLiteral("ID0 炉内 上段")));
  EXPECT_TRUE(ui().cmdCopyStatistics->isEnabled());
}

}  // namespace
}  // namespace acqtest
