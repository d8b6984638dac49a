// The settings, data list and settings-save commands of the main window, the series labels and
// the wiring of the operator's controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_move_window.h"
#include "dialogs/dialog_setting.h"
#include "form_main_fixture.h"
#include "graph/chart2d.h"

namespace {

const QString kChangeQuestion =
    QStringLiteral("設定を変更するとデータが消去されます。よろしいですか？");

// A modal script that edits the settings dialog and confirms it.
std::function<void(QDialog&)> Confirm(std::function<void(DialogSetting&)> edit) {
  return [edit](QDialog& d) {
    auto* dialog = dynamic_cast<DialogSetting*>(&d);
    ASSERT_NE(dialog, nullptr);
    edit(*dialog);
    dialog->OKButton->click();
  };
}

std::function<void(QDialog&)> CancelAfter(std::function<void(DialogSetting&)> edit) {
  return [edit](QDialog& d) {
    auto* dialog = dynamic_cast<DialogSetting*>(&d);
    ASSERT_NE(dialog, nullptr);
    edit(*dialog);
    dialog->CancelButton->click();
  };
}

void ToVoltage(DialogSetting& d) {
  d.optType[1]->setChecked(true);
}

}  // namespace

TEST_F(FormMainTest, SettingsWithoutSamplesOpenTheDialogWithoutAsking) {
  dialogs.modalScripts.push_back(Confirm([](DialogSetting& d) { d.chkID[1]->setChecked(true); }));
  ui().cmdSetting->click();
  EXPECT_EQ(dialogs.modalCount, 1);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(md.SettingOK);
  EXPECT_TRUE(md.Record.Units[1].MflagID);
  EXPECT_EQ(ui().Chart2D1->AxisTitle(Chart2D::Axis::Y), QStringLiteral("℃"));
}

TEST_F(FormMainTest, SettingsDialogStartsWithSettingOKCleared) {
  md.SettingOK = true;
  ui().cmdSetting->click();  // no script: the dialog is dismissed
  EXPECT_EQ(dialogs.modalCount, 1);
  EXPECT_FALSE(md.SettingOK);
}

TEST_F(FormMainTest, SettingsWithSamplesAnsweredNoChangeNothing) {
  AddSamples(10);
  dialogs.answers = {MsgAnswer::No};
  ui().cmdSetting->click();
  EXPECT_EQ(dialogs.shown, std::vector{ShownMessage::Question(kChangeQuestion)});
  EXPECT_EQ(dialogs.modalCount, 0);
  EXPECT_EQ(md.Record.SampleCount, 10);
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
}

TEST_F(FormMainTest, SettingsCancelledAfterYesKeepTheSamples) {
  AddSamples(10);
  ui().Label1[0]->setText(QStringLiteral("29.000"));
  dialogs.answers = {MsgAnswer::Yes};
  dialogs.modalScripts.push_back(CancelAfter(ToVoltage));
  ui().cmdSetting->click();
  EXPECT_EQ(dialogs.modalCount, 1);
  EXPECT_FALSE(md.SettingOK);
  EXPECT_FALSE(md.Record.MeasKind);
  EXPECT_EQ(md.Record.SampleCount, 10);
  EXPECT_EQ(md.Record.Units[0].Data[9], 29.0f);
  EXPECT_EQ(ui().Label1[0]->text(), QStringLiteral("29.000"));
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
}

TEST_F(FormMainTest, ConfirmedChangeOfKindClearsSamplesAndResetsTheGraph) {
  AddSamples(10);
  for (QLabel* l : ui().Label1) l->setText(QStringLiteral("20.000"));
  ui().optHei[1]->click();  // fixed Y range
  ASSERT_EQ(form->Graph().State().ScaleYMode, YRangeMode::Fixed);

  dialogs.answers = {MsgAnswer::Yes};
  dialogs.modalScripts.push_back(Confirm(ToVoltage));
  ui().cmdSetting->click();

  EXPECT_TRUE(md.Record.MeasKind);
  EXPECT_EQ(md.Record.SampleCount, 0);
  EXPECT_EQ(md.Record.Units[0].DataCount, 0);
  EXPECT_EQ(md.Record.Units[0].Data[0], RecordSet::NoData);
  for (QLabel* l : ui().Label1) EXPECT_TRUE(l->text().isEmpty());
  EXPECT_FALSE(ui().cmdDisp->isEnabled());
  EXPECT_EQ(ui().Chart2D1->AxisTitle(Chart2D::Axis::Y), QStringLiteral("μV"));
  EXPECT_EQ(form->Graph().State().ScaleYMode, YRangeMode::Automatic);
  EXPECT_TRUE(ui().optHei[0]->isChecked());
  EXPECT_FALSE(ui().txtVhi->isEnabled());
  EXPECT_EQ(ui().Chart2D1->AxisMin(Chart2D::Axis::Y), -15000);
  EXPECT_EQ(ui().Chart2D1->AxisMax(Chart2D::Axis::Y), 84000);
  // The other commands stay as they were.
  EXPECT_TRUE(ui().cmdStart->isEnabled());
  EXPECT_TRUE(ui().cmdSetting->isEnabled());
}

TEST_F(FormMainTest, ConfirmedSettingsWithTheSameKindKeepTheYMode) {
  AddSamples(10);
  ui().optHei[1]->click();
  dialogs.answers = {MsgAnswer::Yes};
  dialogs.modalScripts.push_back(Confirm([](DialogSetting& d) { d.txtTime[0]->setText("50"); }));
  ui().cmdSetting->click();
  EXPECT_EQ(md.Record.IntervalTM, 500);
  EXPECT_EQ(md.Record.SampleCount, 0);  // samples were held: cleared
  EXPECT_EQ(form->Graph().State().ScaleYMode, YRangeMode::Fixed);
  EXPECT_TRUE(ui().optHei[1]->isChecked());
  EXPECT_EQ(ui().Chart2D1->AxisTitle(Chart2D::Axis::Y), QStringLiteral("℃"));
}

TEST_F(FormMainTest, ConfirmedSettingsCloseAnOpenDataList) {
  AddSamples(4);
  ui().cmdDisp->click();
  QPointer<DialogDatalist> list = ui().datalist;
  ASSERT_TRUE(list);
  dialogs.answers = {MsgAnswer::Yes};
  dialogs.modalScripts.push_back(Confirm([](DialogSetting&) {}));
  ui().cmdSetting->click();
  QApplication::processEvents();
  EXPECT_FALSE(list);
  EXPECT_FALSE(ui().cmdDisp->isEnabled());
}

TEST_F(FormMainTest, SeriesLabelsNameEveryUnitWithItsTypeOrVoltage) {
  dialogs.modalScripts.push_back(Confirm([](DialogSetting& d) {
    d.chkID[0]->setChecked(true);
    d.Combo1[0]->setCurrentIndex(4);  // K
    d.chkID[1]->setChecked(false);
    d.Combo1[1]->setCurrentIndex(0);
    d.chkID[2]->setChecked(true);
    d.Combo1[2]->setCurrentIndex(7);  // T
    d.chkID[3]->setChecked(false);
    d.Combo1[3]->setCurrentIndex(0);
  }));
  ui().cmdSetting->click();
  const QStringList want = {QStringLiteral("ID0 K熱電対"), QStringLiteral("ID1 B熱電対"),
                            QStringLiteral("ID2 T熱電対"), QStringLiteral("ID3 B熱電対")};
  EXPECT_EQ(ui().Chart2D1->SeriesLabels(), want);

  // A voltage measurement names voltage on every unit; the types come back with thermocouples.
  dialogs.modalScripts.push_back(Confirm(ToVoltage));
  ui().cmdSetting->click();
  EXPECT_EQ(ui().Chart2D1->SeriesLabels(),
            QStringList({QStringLiteral("ID0 電圧値"), QStringLiteral("ID1 電圧値"),
                         QStringLiteral("ID2 電圧値"), QStringLiteral("ID3 電圧値")}));
  md.Record.MeasKind = false;

  // DispConnectflg replaces the labels rather than adding to them.
  md.Record.Units[3].ConnectID = 5;
  form->DispConnectflg();
  ASSERT_EQ(ui().Chart2D1->SeriesLabels().size(), 4);
  EXPECT_EQ(ui().Chart2D1->SeriesLabels()[0], QStringLiteral("ID0 K熱電対"));
  EXPECT_EQ(ui().Chart2D1->SeriesLabels()[3], QStringLiteral("ID3 E熱電対"));
}

TEST_F(FormMainTest, DataListWithoutSamplesShowsANotice) {
  form->cmdDisp_Click();
  EXPECT_EQ(dialogs.shown, std::vector{ShownMessage::Notice(QStringLiteral("データがありません"))});
  EXPECT_FALSE(ui().datalist);
}

TEST_F(FormMainTest, DataListOpensModelessAndDisablesItsButtonUntilClosed) {
  AddSamples(6);
  ui().cmdDisp->click();
  QPointer<DialogDatalist> list = ui().datalist;
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->isVisible());
  EXPECT_FALSE(list->isModal());
  EXPECT_FALSE(ui().cmdDisp->isEnabled());
  EXPECT_EQ(dialogs.modalCount, 0);

  list->close();
  QApplication::processEvents();
  EXPECT_TRUE(ui().cmdDisp->isEnabled());
  EXPECT_FALSE(list);  // destroyed when closed
}

TEST_F(FormMainTest, SaveSettingsCommandWritesTheStore) {
  dialogs.modalScripts.push_back(Confirm([](DialogSetting& d) {
    d.chkID[3]->setChecked(true);
    d.Combo1[3]->setCurrentIndex(6);
    d.optTimer[1]->setChecked(true);
    d.txtTime[1]->setText("15");
    d.optType[1]->setChecked(true);
  }));
  ui().cmdSetting->click();

  ModuleData before;
  before.LoadSettings();
  EXPECT_FALSE(before.Record.Units[3].MflagID);  // the dialog alone does not save

  ui().cmdMeasInfo->click();
  ModuleData after;
  after.LoadSettings();
  EXPECT_TRUE(after.Record.Units[0].MflagID);
  EXPECT_TRUE(after.Record.Units[3].MflagID);
  EXPECT_EQ(after.Record.Units[3].ConnectID, 6);
  EXPECT_TRUE(after.Record.TimerType);
  EXPECT_EQ(after.Record.IntervalTM, 15000);
  EXPECT_TRUE(after.Record.MeasKind);
  EXPECT_FALSE(after.Record.DataAverage);
}

TEST_F(FormMainTest, OperatorControlsReachTheirRoutines) {
  // Display-range options and the count list.
  ui().optWid[2]->click();
  EXPECT_EQ(form->Graph().State().ScrollMode, XWindowMode::ManualScroll);
  EXPECT_TRUE(ui().cmdLeft->isEnabled());
  EXPECT_TRUE(ui().Combo1->isEnabled());
  ui().Combo1->setCurrentIndex(ui().Combo1->findText("50"));
  emit ui().Combo1->activated(ui().Combo1->currentIndex());
  EXPECT_EQ(form->Graph().State().DispCount, 50);

  ui().optHei[1]->click();
  EXPECT_EQ(form->Graph().State().ScaleYMode, YRangeMode::Fixed);
  ui().txtVhi->setText("500");
  ui().txtVlow->setText("-100");
  ui().cmdSetScaleY->click();
  EXPECT_EQ(ui().Chart2D1->AxisMax(Chart2D::Axis::Y), 500);
  EXPECT_EQ(ui().Chart2D1->AxisMin(Chart2D::Axis::Y), -100);

  // Every move button opens the one move tool.
  ui().cmdMove[2]->click();
  QPointer<DialogMoveWindow> tool = ui().moveWindow;
  ASSERT_TRUE(tool);
  EXPECT_TRUE(tool->isVisible());
  ui().cmdMove[0]->click();
  EXPECT_EQ(ui().moveWindow, tool);
}
