// The settings dialog: presets, input checks, the interval limits and what OK and Cancel write.
#include "dialogs/dialog_setting.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "core/module_data.h"
#include "core/publish_settings.h"
#include "scripted_dialogs.h"

namespace {

const QString kUnitError = QStringLiteral("使用ユニットにチェックが付いていません。");
const QString kTimeError = QStringLiteral("時間の入力に誤りがあります。");

class DialogSettingTest : public ::testing::Test {
 protected:
  // Opens the dialog on the current settings variables.
  DialogSetting& Open() {
    dialog_ = std::make_unique<DialogSetting>(md, dialogs);
    return *dialog_;
  }

  // Enters an interval in the box of the unit chosen and presses OK; the resulting IntervalTM,
  // or nothing when the dialog refused it.
  std::optional<int32_t> TryInterval(bool seconds, bool average, const QString& text) {
    DialogSetting& d = Open();
    d.optTimer[seconds ? 1 : 0]->setChecked(true);
    d.chkAverage->setChecked(average);
    d.txtTime[seconds ? 1 : 0]->setText(text);
    d.txtTime[seconds ? 0 : 1]->setText(QStringLiteral("not a number"));
    dialogs.Clear();
    md.SettingOK = false;
    d.OKButton->click();
    if (!md.SettingOK) {
      // The message says what the box of the unit chosen accepts.
      const QString accepted = !seconds ? QStringLiteral("「ミリ秒」には 1 ～ 10000 を")
                               : average ? QStringLiteral("平均化をするとき 10 ～ 65535 を")
                                         : QStringLiteral("「秒」には 1 ～ 65535 を");
      EXPECT_EQ(dialogs.Texts().size(), 1u);
      EXPECT_TRUE(dialogs.LastText().startsWith(kTimeError + '\n')) << text.toStdString();
      EXPECT_TRUE(dialogs.LastText().contains(accepted)) << dialogs.LastText().toStdString();
      EXPECT_NE(d.result(), QDialog::Accepted);
      return std::nullopt;
    }
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(md.Record.TimerType, seconds);
    return md.Record.IntervalTM;
  }

  ModuleData md;
  ScriptedDialogs dialogs;
  std::unique_ptr<DialogSetting> dialog_;
};

TEST_F(DialogSettingTest, ShowsItsControlsWithTheirCaptions) {
  DialogSetting& d = Open();
  EXPECT_EQ(d.windowTitle(), QStringLiteral("取込設定"));
  EXPECT_TRUE(d.isModal());
  EXPECT_EQ(d.Frame1->title(), QStringLiteral("使用ユニットと種類"));
  EXPECT_EQ(d.Frame2->title(), QStringLiteral("測定間隔"));
  EXPECT_EQ(d.Frame3->title(), QStringLiteral("種類"));
  EXPECT_EQ(d.optType[0]->text(), QStringLiteral("熱電対"));
  EXPECT_EQ(d.optType[1]->text(), QStringLiteral("電圧値"));
  EXPECT_EQ(d.optTimer[0]->text(), QStringLiteral("ミリ秒"));
  EXPECT_EQ(d.optTimer[1]->text(), QStringLiteral("秒"));
  EXPECT_EQ(d.lblTimeUnit[0]->text(), QStringLiteral("×10msec"));
  EXPECT_EQ(d.lblTimeUnit[1]->text(), QStringLiteral("秒"));
  EXPECT_EQ(d.chkAverage->text(), QStringLiteral("データ値の平均化"));
  EXPECT_EQ(d.OKButton->text(), QStringLiteral("OK"));
  EXPECT_EQ(d.CancelButton->text(), QStringLiteral("ｷｬﾝｾﾙ"));
  const QStringList types = {"B熱電対", "R熱電対", "S熱電対", "N熱電対",
                             "K熱電対", "E熱電対", "J熱電対", "T熱電対"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(d.chkID[i]->text(), QStringLiteral("ID%1").arg(i));
    EXPECT_FALSE(d.Combo1[i]->isEditable());
    QStringList items;
    for (int k = 0; k < d.Combo1[i]->count(); ++k) items << d.Combo1[i]->itemText(k);
    EXPECT_EQ(items, types);
  }
}

TEST_F(DialogSettingTest, PresetsFollowTheSettings) {
  DialogSetting& d = Open();  // defaults
  EXPECT_TRUE(d.chkID[0]->isChecked());
  EXPECT_FALSE(d.chkID[1]->isChecked());
  EXPECT_EQ(d.Combo1[0]->currentIndex(), 0);
  EXPECT_TRUE(d.optTimer[0]->isChecked());
  EXPECT_EQ(d.txtTime[0]->text(), QStringLiteral("100"));
  EXPECT_TRUE(d.txtTime[1]->text().isEmpty());
  EXPECT_TRUE(d.optType[0]->isChecked());
  EXPECT_FALSE(d.chkAverage->isChecked());

  md.Record.Units[2].MflagID = true;
  md.Record.Units[2].ConnectID = 6;
  md.Record.TimerType = true;
  md.Record.IntervalTM = 65535000;
  md.Record.MeasKind = true;
  md.Record.DataAverage = true;
  DialogSetting& e = Open();
  EXPECT_TRUE(e.chkID[2]->isChecked());
  EXPECT_EQ(e.Combo1[2]->currentIndex(), 6);
  EXPECT_TRUE(e.optTimer[1]->isChecked());
  EXPECT_FALSE(e.optTimer[0]->isChecked());
  EXPECT_TRUE(e.txtTime[0]->text().isEmpty());
  EXPECT_EQ(e.txtTime[1]->text(), QStringLiteral("65535"));
  EXPECT_TRUE(e.optType[1]->isChecked());
  EXPECT_TRUE(e.chkAverage->isChecked());
}

TEST_F(DialogSettingTest, IntervalTextIsTheShortestDecimal) {
  EXPECT_EQ(DialogSetting::IntervalText(1000, 10), QStringLiteral("100"));
  EXPECT_EQ(DialogSetting::IntervalText(15, 10), QStringLiteral("1.5"));
  EXPECT_EQ(DialogSetting::IntervalText(1500, 1000), QStringLiteral("1.5"));
  EXPECT_EQ(DialogSetting::IntervalText(65535000, 10), QStringLiteral("6553500"));
  EXPECT_EQ(DialogSetting::IntervalText(1, 1000), QStringLiteral("0.001"));
}

TEST_F(DialogSettingTest, MillisecondLimitsAndRounding) {
  EXPECT_EQ(TryInterval(false, false, "1"), 10);
  EXPECT_EQ(TryInterval(false, false, "10000"), 100000);
  EXPECT_EQ(TryInterval(false, false, "0"), std::nullopt);
  EXPECT_EQ(TryInterval(false, false, "10001"), std::nullopt);
  EXPECT_EQ(TryInterval(false, false, "-5"), std::nullopt);
  EXPECT_EQ(TryInterval(false, false, "2.5"), 20);  // halves to even
  EXPECT_EQ(TryInterval(false, false, "3.5"), 40);
  EXPECT_EQ(TryInterval(false, false, "2.6"), 30);
  EXPECT_EQ(TryInterval(false, false, "0.5"), std::nullopt);  // rounds to 0
  EXPECT_EQ(TryInterval(false, false, ""), std::nullopt);
  EXPECT_EQ(TryInterval(false, false, "abc"), std::nullopt);
  // Averaging does not change the millisecond limits.
  EXPECT_EQ(TryInterval(false, true, "1"), 10);
}

TEST_F(DialogSettingTest, SecondLimitsDependOnAveraging) {
  EXPECT_EQ(TryInterval(true, false, "65535"), 65535000);
  EXPECT_EQ(TryInterval(true, false, "65536"), std::nullopt);
  EXPECT_EQ(TryInterval(true, false, "1"), 1000);
  EXPECT_EQ(TryInterval(true, false, "0"), std::nullopt);
  EXPECT_EQ(TryInterval(true, true, "9"), std::nullopt);
  EXPECT_EQ(TryInterval(true, true, "10"), 10000);
  EXPECT_EQ(TryInterval(true, true, "65535"), 65535000);
  EXPECT_EQ(TryInterval(true, false, ""), std::nullopt);
  // The product overflows 32 bits; the number itself does not.
  EXPECT_EQ(TryInterval(true, false, "2147484"), std::nullopt);
  EXPECT_EQ(TryInterval(true, false, "99999999999"), std::nullopt);
}

TEST_F(DialogSettingTest, UnitCheckComesBeforeTheIntervalCheck) {
  DialogSetting& d = Open();
  for (QCheckBox* c : d.chkID) c->setChecked(false);
  d.txtTime[0]->setText("");
  d.OKButton->click();
  EXPECT_EQ(dialogs.shown, std::vector{ShownMessage::Error(kUnitError)});
  EXPECT_FALSE(md.SettingOK);
  EXPECT_TRUE(md.Record.Units[0].MflagID);  // nothing written

  // Unit ticked: now the interval is reported, with the same caption and icon, and the entry stays.
  d.chkID[3]->setChecked(true);
  dialogs.Clear();
  d.OKButton->click();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("エラーメッセージ"));
  EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Critical);
  EXPECT_TRUE(dialogs.LastText().startsWith(kTimeError));
  EXPECT_TRUE(d.txtTime[0]->text().isEmpty());
  EXPECT_FALSE(md.Record.Units[3].MflagID);

  d.txtTime[0]->setText("7");
  dialogs.Clear();
  d.OKButton->click();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(md.SettingOK);
  EXPECT_FALSE(md.Record.Units[0].MflagID);
  EXPECT_TRUE(md.Record.Units[3].MflagID);
  EXPECT_EQ(md.Record.IntervalTM, 70);
}

TEST_F(DialogSettingTest, OkWritesEverySetting) {
  DialogSetting& d = Open();
  d.chkID[1]->setChecked(true);
  d.Combo1[1]->setCurrentIndex(4);
  d.Combo1[0]->setCurrentIndex(2);
  d.optType[1]->setChecked(true);
  d.OKButton->click();
  EXPECT_TRUE(md.SettingOK);
  EXPECT_TRUE(md.Record.Units[0].MflagID);
  EXPECT_EQ(md.Record.Units[0].ConnectID, 2);
  EXPECT_TRUE(md.Record.Units[1].MflagID);
  EXPECT_EQ(md.Record.Units[1].ConnectID, 4);
  EXPECT_FALSE(md.Record.Units[2].MflagID);
  EXPECT_TRUE(md.Record.MeasKind);
  EXPECT_FALSE(md.Record.TimerType);
  EXPECT_EQ(md.Record.IntervalTM, 1000);

  DialogSetting& e = Open();
  e.optType[0]->setChecked(true);
  e.OKButton->click();
  EXPECT_FALSE(md.Record.MeasKind);
}

TEST_F(DialogSettingTest, AverageCountFollowsTheChosenTiming) {
  DialogSetting& d = Open();
  d.chkAverage->setChecked(true);
  d.txtTime[0]->setText("25");
  d.OKButton->click();
  EXPECT_TRUE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, 25);
  EXPECT_EQ(md.Record.IntervalTM, 250);

  DialogSetting& e = Open();
  e.optTimer[1]->setChecked(true);
  e.txtTime[1]->setText("30");
  e.OKButton->click();
  EXPECT_TRUE(md.Record.TimerType);
  EXPECT_EQ(md.AverageCount, 100);

  DialogSetting& f = Open();
  f.chkAverage->setChecked(false);
  f.OKButton->click();
  EXPECT_FALSE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, 1);
}

TEST_F(DialogSettingTest, AveragingBoxActsAtOnceAndCancelKeepsIt) {
  const ModuleData before = md;
  DialogSetting& d = Open();
  d.chkID[2]->setChecked(true);
  d.txtTime[0]->setText("3");
  d.chkAverage->click();
  EXPECT_TRUE(md.Record.DataAverage);
  d.CancelButton->click();
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_FALSE(md.SettingOK);
  EXPECT_TRUE(md.Record.DataAverage);
  EXPECT_EQ(md.AverageCount, before.AverageCount);
  EXPECT_FALSE(md.Record.Units[2].MflagID);
  EXPECT_EQ(md.Record.IntervalTM, before.Record.IntervalTM);

  // With averaging now on, 5 seconds is too short even before OK writes anything.
  DialogSetting& e = Open();
  EXPECT_TRUE(e.chkAverage->isChecked());
  e.optTimer[1]->setChecked(true);
  e.txtTime[1]->setText("5");
  EXPECT_FALSE(e.CheckInterval());
  e.chkAverage->click();
  EXPECT_FALSE(md.Record.DataAverage);
  EXPECT_TRUE(e.CheckInterval());
}

TEST_F(DialogSettingTest, TypeOutsideTheListShowsNoSelectionAndIsKeptUntilChosen) {
  md.Record.Units[1].MflagID = true;
  md.Record.Units[1].ConnectID = 9;
  md.Record.Units[2].ConnectID = -1;
  DialogSetting& d = Open();
  EXPECT_EQ(d.Combo1[1]->currentIndex(), -1);
  EXPECT_TRUE(d.Combo1[1]->currentText().isEmpty());
  EXPECT_EQ(d.Combo1[2]->currentIndex(), -1);
  d.OKButton->click();
  EXPECT_TRUE(md.SettingOK);
  EXPECT_EQ(md.Record.Units[1].ConnectID, 9);
  EXPECT_EQ(md.Record.Units[2].ConnectID, -1);

  DialogSetting& e = Open();
  e.Combo1[1]->setCurrentIndex(3);
  e.OKButton->click();
  EXPECT_EQ(md.Record.Units[1].ConnectID, 3);
}

}  // namespace

// The publishing URLs are checked with the recorder's parser on OK and kept in the settings store.
TEST_F(DialogSettingTest, PublishUrlsAreCheckedOnOkAndKeptInTheSettingsStore) {
  QTemporaryDir config;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
  DialogSetting& d = Open();
  d.txtPublish->setText(QStringLiteral("mqtt://broker/lab  influx://db:8087"));
  d.OKButton->click();
  EXPECT_FALSE(md.SettingOK);
  EXPECT_NE(d.result(), QDialog::Accepted);
  ASSERT_EQ(dialogs.Texts().size(), 1u);
  EXPECT_TRUE(dialogs.LastText().contains(QStringLiteral("influx://db:8087")));
  EXPECT_TRUE(LoadPublishUrls().isEmpty());

  d.txtPublish->setText(QStringLiteral("mqtt://broker/lab\ninflux://db:8087/lab"));
  d.OKButton->click();
  EXPECT_TRUE(md.SettingOK);
  EXPECT_EQ(LoadPublishUrls(), (QStringList{QStringLiteral("mqtt://broker/lab"),
                                            QStringLiteral("influx://db:8087/lab")}));
  EXPECT_EQ(Open().txtPublish->text(), QStringLiteral("mqtt://broker/lab influx://db:8087/lab"));
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     qEnvironmentVariable("XDG_CONFIG_HOME"));
}
