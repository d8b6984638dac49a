// The main window after load, its command states and every way of closing it.
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_move_window.h"
#include "form_main_fixture.h"
#include "graph/chart2d.h"

namespace {

struct ButtonStates {
  bool start, stop, setting, print, read, save, end, disp;
};

ButtonStates StatesOf(MainControls& ui) {
  return {ui.cmdStart->isEnabled(), ui.cmdStop->isEnabled(), ui.cmdSetting->isEnabled(),
          ui.cmdPrint->isEnabled(), ui.cmdRead->isEnabled(), ui.cmdSave->isEnabled(),
          ui.cmdEnd->isEnabled(),   ui.cmdDisp->isEnabled()};
}

void ExpectStates(MainControls& ui, const ButtonStates& want) {
  const ButtonStates got = StatesOf(ui);
  EXPECT_EQ(got.start, want.start);
  EXPECT_EQ(got.stop, want.stop);
  EXPECT_EQ(got.setting, want.setting);
  EXPECT_EQ(got.print, want.print);
  EXPECT_EQ(got.read, want.read);
  EXPECT_EQ(got.save, want.save);
  EXPECT_EQ(got.end, want.end);
  EXPECT_EQ(got.disp, want.disp);
}

}  // namespace

TEST_F(FormMainTest, OpensIdleWithDefaultsAndTheGraphSetUp) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("熱電対温度測定ユニット"));
  ExpectStates(ui(), {true, false, true, true, true, true, true, false});
  EXPECT_FALSE(ui().Timer1->isActive());
  EXPECT_FALSE(ui().Timer2->isActive());
  EXPECT_TRUE(dialogs.shown.empty());

  // Empty settings store: unit 0 used with type B, temperature, 1000 ms.
  EXPECT_TRUE(md.Record.Units[0].MflagID);
  EXPECT_FALSE(md.Record.Units[1].MflagID);
  EXPECT_EQ(md.Record.IntervalTM, 1000);
  EXPECT_EQ(md.Record.SampleCount, 0);

  Chart2D& chart = *ui().Chart2D1;
  EXPECT_EQ(chart.NumSeries(), 4);
  EXPECT_EQ(chart.AxisTitle(Chart2D::Axis::Y), QStringLiteral("℃"));
  EXPECT_EQ(chart.AxisMin(Chart2D::Axis::Y), -270);
  EXPECT_EQ(chart.AxisMax(Chart2D::Axis::Y), 1820);
  EXPECT_EQ(chart.SeriesLabels(),
            QStringList({QStringLiteral("ID0 B熱電対"), QStringLiteral("ID1 B熱電対"),
                         QStringLiteral("ID2 B熱電対"), QStringLiteral("ID3 B熱電対")}));
  EXPECT_EQ(form->Graph().State().ScaleYMode, YRangeMode::Automatic);
  EXPECT_EQ(form->Graph().State().ScrollMode, XWindowMode::FullDisplay);
  EXPECT_TRUE(ui().optHei[0]->isChecked());
  EXPECT_TRUE(ui().optWid[0]->isChecked());
  EXPECT_EQ(ui().Combo1->currentText(), QStringLiteral("100"));
}

TEST_F(FormMainTest, ControlsCarryTheirCaptions) {
  MainControls& c = ui();
  EXPECT_EQ(c.cmdStart->text(), QStringLiteral("開始"));
  EXPECT_EQ(c.cmdStop->text(), QStringLiteral("停止"));
  EXPECT_EQ(c.cmdSetting->text(), QStringLiteral("取込設定"));
  EXPECT_EQ(c.cmdDisp->text(), QStringLiteral("データ表示"));
  EXPECT_EQ(c.cmdRead->text(), QStringLiteral("読込み"));
  EXPECT_EQ(c.cmdSave->text(), QStringLiteral("保存"));
  EXPECT_EQ(c.cmdPrint->text(), QStringLiteral("印刷"));
  EXPECT_EQ(c.cmdEnd->text(), QStringLiteral("終了"));
  EXPECT_EQ(c.cmdMeasInfo->text(), QStringLiteral("測定条件保存"));
  for (QPushButton* b : c.cmdMove) {
    EXPECT_EQ(b->text(), QStringLiteral("○"));
    EXPECT_EQ(b->toolTip(), QStringLiteral("移動ツールの表示"));
  }
  EXPECT_EQ(c.Frame4->title(), QStringLiteral("表示範囲"));
  EXPECT_EQ(c.optHei[0]->text(), QStringLiteral("自動"));
  EXPECT_EQ(c.optHei[1]->text(), QStringLiteral("固定"));
  EXPECT_EQ(c.Label3->text(), QStringLiteral("↑"));
  EXPECT_EQ(c.Label4->text(), QStringLiteral("↓"));
  EXPECT_EQ(c.cmdSetScaleY->text(), QStringLiteral("設定"));
  EXPECT_EQ(c.optWid[0]->text(), QStringLiteral("全表示"));
  EXPECT_EQ(c.optWid[1]->text(), QStringLiteral("自動ｽｸﾛｰﾙ"));
  EXPECT_EQ(c.optWid[2]->text(), QStringLiteral("手動ｽｸﾛｰﾙ"));
  EXPECT_FALSE(c.Combo1->isEditable());
  EXPECT_EQ(c.Label5->text(), QStringLiteral("表示データ数"));
  EXPECT_EQ(c.cmdLeft->text(), QStringLiteral("←"));
  EXPECT_EQ(c.cmdRight->text(), QStringLiteral("→"));
  EXPECT_EQ(c.Frame1->title(), QStringLiteral("現在値"));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c.Label2[i]->text(), QStringLiteral("ID%1").arg(i));
    EXPECT_TRUE(c.Label1[i]->text().isEmpty());
  }
  // The two option arrays exclude within themselves only.
  c.optHei[1]->setChecked(true);
  EXPECT_TRUE(c.optWid[0]->isChecked());
  c.optWid[2]->setChecked(true);
  EXPECT_TRUE(c.optHei[1]->isChecked());
  EXPECT_FALSE(c.optHei[0]->isChecked());
}

TEST_F(FormMainTest, LayoutKeepsEveryControlWholeAndGivesTheGraphMostOfTheWindow) {
  for (QSize size : {QSize(1024, 768), QSize(1600, 1000)}) {
    form->resize(size);
    QApplication::processEvents();
    const QRect window = form->rect();
    for (QWidget* w : form->findChildren<QWidget*>()) {
      if (!w->isVisible() || w->window() != form.get()) continue;
      const QRect r(w->mapTo(form.get(), QPoint(0, 0)), w->size());
      EXPECT_TRUE(window.contains(r)) << w->metaObject()->className();
      if (auto* b = qobject_cast<QPushButton*>(w)) {
        // The caption fits.
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 8)
            << b->text().toStdString();
      }
    }
    const QSize chart = ui().Chart2D1->size();
    EXPECT_GT(chart.width() * chart.height(), window.width() * window.height() / 2);
  }
}

TEST_F(FormMainTest, ButtonStatesFollowRunningAndSamples) {
  AddSamples(5);
  ExpectStates(ui(), {true, false, true, true, true, true, true, true});

  SetRunning(true);  // the data list opens while measuring too
  ExpectStates(ui(), {false, true, false, false, false, false, false, true});

  SetRunning(false);
  ExpectStates(ui(), {true, false, true, true, true, true, true, true});

  // Other controls are left as they are.
  ui().cmdMeasInfo->setEnabled(false);
  form->SetButtonState();
  EXPECT_FALSE(ui().cmdMeasInfo->isEnabled());
}

TEST_F(FormMainTest, CloseWithoutSamplesAsksAndClosesOnYes) {
  dialogs.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(form->close());
  EXPECT_EQ(dialogs.shown, std::vector{ShownMessage::Question(QStringLiteral("終了しますか？"))});
  EXPECT_FALSE(form->isVisible());
}

TEST_F(FormMainTest, CloseWithSamplesWarnsOfDataLossAndNoKeepsTheWindow) {
  AddSamples(3);
  dialogs.answers = {MsgAnswer::No};
  EXPECT_FALSE(form->close());
  EXPECT_EQ(
      dialogs.Texts(),
      std::vector<QString>{QStringLiteral("データが消去されます。終了してもよろしいですか？")});
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(md.Record.SampleCount, 3);
}

TEST_F(FormMainTest, EndButtonGoesThroughTheSameQuestion) {
  dialogs.answers = {MsgAnswer::No};
  ui().cmdEnd->click();
  EXPECT_EQ(dialogs.LastText(), QStringLiteral("終了しますか？"));
  EXPECT_TRUE(form->isVisible());

  dialogs.answers = {MsgAnswer::Yes};
  ui().cmdEnd->click();
  EXPECT_EQ(dialogs.shown.size(), 2u);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(FormMainTest, CloseWhileMeasuringIsRefusedWithoutAQuestion) {
  AddSamples(3);
  SetRunning(true);
  EXPECT_FALSE(form->close());
  EXPECT_EQ(
      dialogs.shown,
      std::vector{ShownMessage::Error(QStringLiteral("測定中です。中止してから終了して下さい。"))});
  EXPECT_TRUE(form->isVisible());

  // Stopped: the close asks about the samples.
  SetRunning(false);
  dialogs.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(form->close());
  EXPECT_EQ(dialogs.LastText(), QStringLiteral("データが消去されます。終了してもよろしいですか？"));
}

TEST_F(FormMainTest, QueryUnloadLeavesTheFlagAloneWhenTheCloseMayProceed) {
  bool cancel = false;
  dialogs.answers = {MsgAnswer::Yes};
  form->Form_QueryUnload(cancel);
  EXPECT_FALSE(cancel);
  dialogs.answers = {MsgAnswer::No};
  form->Form_QueryUnload(cancel);
  EXPECT_TRUE(cancel);
}

TEST_F(FormMainTest, ClosingTheWindowClosesAnOpenDataList) {
  AddSamples(4);
  ui().cmdDisp->click();
  QPointer<DialogDatalist> list = ui().datalist;
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->isVisible());

  // Refused: the list stays.
  dialogs.answers = {MsgAnswer::No};
  form->close();
  EXPECT_TRUE(list);

  dialogs.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(form->close());
  QApplication::processEvents();
  EXPECT_FALSE(list);
}

TEST_F(FormMainTest, ClosingTheWindowClosesTheMoveTool) {
  ui().cmdMove[0]->click();
  QPointer<DialogMoveWindow> tool = ui().moveWindow;
  ASSERT_TRUE(tool);
  EXPECT_TRUE(tool->isVisible());

  dialogs.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(tool && tool->isVisible());
}
