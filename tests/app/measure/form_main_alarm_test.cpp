// The window's alarms on a simulated unit: the marked current value, the limit lines, the status
// line with its list, one sound per raise, a command that cannot start, and the log beside the
// saved file (and its failure).
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include "acquisition_rig.h"
#include "alarm/alarm_sound.h"
#include "dialogs/dialog_alarm.h"
#include "dialogs/dialog_alarm_list.h"
#include "dialogs/dialog_memo.h"
#include "measure/window_alarms.h"

namespace acqtest {
namespace {

class CountingSound : public AlarmSound {
 public:
  explicit CountingSound(int& plays) : plays_(plays) {}
  void Play() override { ++plays_; }

 private:
  int& plays_;
};

class WindowAlarmTest : public AcquisitionTest {
 protected:
  void SetUp() override {
    AcquisitionTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    // The save window remembers its folder in a store of the test's own.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    form_->Alarms().SetSound(std::make_unique<CountingSound>(plays_));
  }
  void TearDown() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    AcquisitionTest::TearDown();
  }

  void Poll() {
    usbkit_sim_advance_ms(300);
    acq().Timer2_Timer();
  }

  // "保存" as an own data file named name.
  void Save(const QString& name) {
    dialogs_.modalScripts.push_back([this, name](QDialog& d) {
      auto& memo = dynamic_cast<DialogMemo&>(d);
      memo.optFiletype[1]->setChecked(true);
      dialogs_.saveFiles = {dir_.filePath(name)};
      memo.OKButton->click();
    });
    form_->cmdSave_Click();
  }

  QTemporaryDir dir_;
  int plays_ = 0;
};

TEST_F(WindowAlarmTest, ARaiseIsSeenHeardListedAndLoggedBesideTheSavedFile) {
  Plug(0);
  Configure({0}, false, 10, false);
  AlarmSettings s;
  s.HighOn[0] = true;
  s.High[0] = 300;
  s.LowOn[0] = true;
  s.Low[0] = 50;
  s.Command = QStringLiteral("true");
  form_->Alarms().SetSettings(s);
  form_->Alarms().SetCommandShell(dir_.filePath(QStringLiteral("no-shell")));
  EXPECT_EQ(chart().LimitLineCount(), 2);

  // The saw tooth passes 300 degC in the second poll and falls back to 100 in the fourth.
  form_->cmdStart_Click();
  Poll();
  EXPECT_TRUE(ui().Label1[0]->styleSheet().isEmpty());
  Poll();
  EXPECT_FALSE(ui().Label1[0]->styleSheet().isEmpty());
  EXPECT_TRUE(ui().Label1[0]->text().startsWith(QStringLiteral("上限 ")))
      << ui().Label1[0]->text().toStdString();
  const QString status = ui().lblAlarm->text();
  EXPECT_TRUE(status.contains(QStringLiteral("警報: ID0 上限発生"))) << status.toStdString();
  EXPECT_TRUE(status.contains(QStringLiteral("警報コマンドを起動できません")))
      << status.toStdString();
  Poll();
  Poll();
  EXPECT_TRUE(ui().Label1[0]->styleSheet().isEmpty());
  EXPECT_FALSE(ui().Label1[0]->text().contains(QStringLiteral("上限")));
  EXPECT_TRUE(ui().lblAlarm->text().contains(QStringLiteral("警報一覧（2 件）")));
  EXPECT_EQ(plays_, 1);
  form_->cmdStop_Click();

  emit ui().lblAlarm->linkActivated(QStringLiteral("list"));
  ASSERT_NE(form_->Alarms().List(), nullptr);
  EXPECT_EQ(form_->Alarms().List()->List->rowCount(), 2);
  EXPECT_EQ(form_->Alarms().List()->List->item(0, 6)->text(), QStringLiteral("発生"));

  Save(QStringLiteral("run.mx1"));
  QFile log(dir_.filePath(QStringLiteral("run-alarms.csv")));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(log.readAll()).count(QLatin1Char('\n')), 3);
  EXPECT_TRUE(dialogs_.shown.empty()) << dialogs_.LastText().toStdString();

  // A folder in the log's place: the data file is saved, the log's failure is told.
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("run2-alarms.csv")));
  Save(QStringLiteral("run2.mx1"));
  EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("run2.mx1"))));
  EXPECT_TRUE(dialogs_.LastText().startsWith(QStringLiteral("警報記録を書き込めません")))
      << dialogs_.LastText().toStdString();
}

TEST_F(WindowAlarmTest, AFlappingValueSoundsOnceAndTheListGivesLocalTimesAndTheGraphsSeconds) {
  Plug(0);
  Configure({0}, false, 10, false);
  AlarmSettings s;
  s.HighOn[0] = true;
  s.High[0] = 300;
  s.Hysteresis = 0;
  form_->Alarms().SetSettings(s);
  // The saw tooth passes 300 degC once in every second: three raises in ten polls.
  form_->cmdStart_Click();
  for (int poll = 0; poll < 10; ++poll) Poll();
  form_->cmdStop_Click();
  const std::vector<AlarmEvent>& events = form_->Alarms().Monitor().Events();
  ASSERT_GE(
      std::count_if(events.begin(), events.end(), [](const AlarmEvent& e) { return e.raised; }), 3);
  EXPECT_EQ(plays_, 1);

  form_->Alarms().ShowList();
  const QTableWidget* list = form_->Alarms().List()->List;
  const QRegularExpression localTime(
      QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
  EXPECT_TRUE(localTime.match(list->item(0, 0)->text()).hasMatch())
      << list->item(0, 0)->text().toStdString();
  // The first sample past the limit, where the graph's time axis puts it (10 ms a sample).
  const std::vector<float>& data = md_.Record.Units[0].Data;
  const auto first = std::find_if(data.begin(), data.end(), [](float v) { return v > 300; });
  ASSERT_NE(first, data.end());
  EXPECT_EQ(list->item(0, 1)->text(),
            QString::number(static_cast<double>(first - data.begin() + 1) / 100, 'f', 2));
}

TEST_F(WindowAlarmTest, TheSettingsDialogRefusesALimitTheUnitCannotMeasure) {
  Configure({0}, false, 10, false);
  dialogs_.modalScripts.push_back([this](QDialog& d) {
    auto& dialog = dynamic_cast<DialogAlarm&>(d);
    dialog.chkHigh[0]->setChecked(true);
    dialog.txtHigh[0]->setText(QStringLiteral("1500"));
    dialog.OKButton->click();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialogs_.LastText().contains(QStringLiteral("-270 〜 1372")))
        << dialogs_.LastText().toStdString();
    dialog.txtHigh[0]->setText(QStringLiteral("1200"));
    dialog.OKButton->click();
  });
  form_->Alarms().cmdAlarm_Click();
  EXPECT_EQ(form_->Alarms().Settings().High[0], 1200);
  EXPECT_EQ(chart().LimitLineCount(), 1);
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
  EXPECT_EQ(store.value(QStringLiteral("Alarm/HighOn0")).toString(), QStringLiteral("True"));
  EXPECT_EQ(store.value(QStringLiteral("Alarm/High0")).toString(), QStringLiteral("1200"));
}

}  // namespace
}  // namespace acqtest
