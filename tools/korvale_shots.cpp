// Pictures of the program for its documentation: builds the main window with the program's own
// classes, lets it measure the four demonstration units (USBKIT_SIMULATE=demo) and writes PNG
// files of the main window in each horizontal display mode, of the data list and the settings
// dialog, of the situations the graph must get right: automatic scroll at 10 ms after a minute, a
// failed first reading, and a second, shorter record set over a longer one, and of a record set
// explored with a zoom and the two cursors, and of alarms raised by limits with their list and
// their settings dialog. The units'
// clock is driven by hand and the timer handlers are called directly, so a minute of measuring
// takes a moment and every run draws the same pictures. Run by scripts/screenshots.sh on the
// offscreen platform, so no display is needed.
// Usage: korvale_shots <output folder>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstdio>

#include "alarm/alarm_settings.h"
#include "alarm/alarm_sound.h"
#include "core/mdx4a.h"
#include "core/module_data.h"
#include "core/null_dialog_service.h"
#include "dialogs/dialog_alarm.h"
#include "dialogs/dialog_alarm_list.h"
#include "dialogs/dialog_datalist.h"
#include "dialogs/dialog_memo.h"
#include "dialogs/dialog_setting.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "measure/form_main.h"
#include "measure/main_controls.h"
#include "measure/window_alarms.h"
#include "session/measurement_session.h"
#include "usbkit_sim.h"

namespace {

// The demonstration units' numbers in the simulated rack, by unit ID.
constexpr int kSimUnit[4] = {1, 2, 3, 4};

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget& w, const QDir& dir, const QString& name) {
  QApplication::processEvents();
  const QString path = dir.filePath(name);
  const bool ok = w.grab().save(path, "PNG");
  std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

// Picks a display count in the list as the operator would.
void PickCount(FormMain& form, const QString& count) {
  QComboBox* combo = form.Controls().Combo1;
  combo->setCurrentIndex(combo->findText(count));
  form.Graph().Combo1_Click();
}

// The settings as the operator would choose them in the dialog: the used units (the furnace on
// ID0 with a type B thermocouple, the others on type K), the interval and its pacing.
void Configure(FormMain& form, ModuleData& md, const std::array<bool, 4>& used, bool computerPaced,
               int32_t intervalMs) {
  const int16_t types[4] = {0, 4, 4, 4};
  for (size_t i = 0; i < 4; ++i) {
    md.Record.Units[i].MflagID = used[i];
    md.Record.Units[i].ConnectID = types[i];
  }
  md.Record.TimerType = computerPaced;
  md.Record.IntervalTM = intervalMs;
  md.Record.MeasKind = false;
  md.Record.DataAverage = false;
  md.UpdateAverageCount();
  // What the settings command does after a change.
  form.Graph().ClearNowValue();
  form.Graph().SetGraphTitle(false);
}

// Starts a measurement whose timer ticks are then given by hand.
void Start(FormMain& form) {
  form.Controls().cmdStart->click();
  form.Controls().Timer1->stop();
  form.Controls().Timer2->stop();
}

// count unit-paced polls, 300 ms of the units' clock apart.
void Polls(FormMain& form, int count) {
  for (int p = 0; p < count && form.Controls().cmdStop->isEnabled(); ++p) {
    usbkit_sim_advance_ms(300);
    form.Session().Timer2_Timer();
  }
}

// count computer-paced samples.
void Samples(FormMain& form, int count) {
  for (int s = 0; s < count && form.Controls().cmdStop->isEnabled(); ++s) {
    for (int32_t t = 0; t < form.Session().Counters().TickDivider; ++t) {
      usbkit_sim_advance_ms(static_cast<unsigned>(form.Session().Counters().TickPeriod));
      form.Session().Timer1_Timer();
    }
  }
}

void Stop(FormMain& form) {
  if (form.Controls().cmdStop->isEnabled()) form.Controls().cmdStop->click();
}

// Alarms the demonstration units pass in the next measurement, from what they did in the one
// before: the furnace (ID0) above its highest value so far, the cooling sample (ID2) below the
// middle of its range, an upper limit on the room air (ID1), and the open-thermocouple alarm.
AlarmSettings DemoAlarms(const ModuleData& md) {
  AlarmSettings s;
  s.HighOn[0] = true;
  s.High[0] = std::floor(md.Record.Units[0].MaxValue);
  s.LowOn[0] = true;
  s.Low[0] = std::floor(md.Record.Units[0].MinValue) - 50;
  s.HighOn[1] = true;
  s.High[1] = std::ceil(md.Record.Units[1].MaxValue) + 5;
  s.LowOn[2] = true;
  s.Low[2] = std::round((md.Record.Units[2].MaxValue + md.Record.Units[2].MinValue) / 2);
  s.OpenOn = true;
  s.Sound = false;
  return s;
}

// A measurement of the four units at 100 ms with alarms: the main window with a unit in alarm,
// the list "警報一覧" and the dialog "警報設定".
bool AlarmShots(FormMain& form, ModuleData& md, DialogService& dialogs, const QDir& out) {
  Configure(form, md, {true, true, true, true}, false, 100);
  Start(form);
  Polls(form, 30);
  Stop(form);
  WindowAlarms& alarms = form.Alarms();
  alarms.SetSound(nullptr);  // the pictures are taken in silence
  alarms.SetSettings(DemoAlarms(md));
  Start(form);
  Polls(form, 60);
  bool ok = Save(form, out, QStringLiteral("screenshot-alarm.png"));
  Stop(form);
  std::printf("alarm events: %d\n", static_cast<int>(alarms.Monitor().Events().size()));
  alarms.ShowList();
  Wait(100);
  if (alarms.List()) {
    ok = Save(*alarms.List(), out, QStringLiteral("screenshot-alarm-list.png")) && ok;
    alarms.List()->close();
  }
  DialogAlarm dialog(alarms.Settings(), md, dialogs, &form);
  dialog.show();
  Wait(100);
  ok = Save(dialog, out, QStringLiteral("screenshot-alarm-settings.png")) && ok;
  alarms.SetSettings(AlarmSettings());
  return ok;
}

// All four units sampled by the units every 100 ms, for nine seconds: full display.
bool MainShot(FormMain& form, ModuleData& md, const QDir& out) {
  Configure(form, md, {true, true, true, true}, false, 100);
  Start(form);
  Polls(form, 30);
  const bool ok = Save(form, out, QStringLiteral("screenshot-main.png"));
  Stop(form);
  return ok;
}

// The save window over that record set, with memo lines as an operator would write them, and
// the page of "印刷" as a PDF that the script turns into a picture.
bool SaveAndPrintShots(FormMain& form, ModuleData& md, DialogService& dialogs, const QDir& out) {
  md.Record.MemoText[0] = QStringLiteral("電気炉 No.2 昇温試験");
  md.Record.MemoText[1] = QStringLiteral("試料 A-17（SUS304）");
  md.Record.MemoText[2] = QStringLiteral("担当: 山田");
  bool ok = true;
  {
    DialogMemo memo(md, dialogs, &form);
    memo.show();
    Wait(100);
    ok = Save(memo, out, QStringLiteral("screenshot-save.png"));
  }
  QString printError;
  if (!PrintDatGraphToPdf(form, out.filePath(QStringLiteral("print-page.pdf")), &printError)) {
    std::fprintf(stderr, "could not print: %s\n", qPrintable(printError));
    ok = false;
  }
  return ok;
}

// The manual scroll over 30 samples of that record set, moved once to the right, and its data
// list.
bool ManualScrollShots(FormMain& form, const QDir& out) {
  form.Graph().SelectOptWid(2);
  PickCount(form, QStringLiteral("30"));
  form.Graph().cmdRight_Click();
  bool ok = Save(form, out, QStringLiteral("screenshot-manualscroll.png"));
  form.Graph().SelectOptWid(0);
  form.Controls().cmdDisp->click();
  Wait(100);
  if (form.Controls().datalist) {
    ok = Save(*form.Controls().datalist, out, QStringLiteral("screenshot-datalist.png")) && ok;
    form.Controls().datalist->close();
  }
  return ok;
}

// Every 10 ms, automatic scroll over 20 samples, after a minute of polls that bring 30 samples
// each: the curve still ends at the right edge.
bool AutoscrollShot(FormMain& form, ModuleData& md, const QDir& out) {
  Configure(form, md, {true, true, true, true}, false, 10);
  Start(form);
  form.Graph().SelectOptWid(1);
  PickCount(form, QStringLiteral("20"));
  Polls(form, 200);
  const bool ok = Save(form, out, QStringLiteral("screenshot-autoscroll.png"));
  Stop(form);
  std::printf("samples after a minute at 10 ms: %d\n", static_cast<int>(md.Record.SampleCount));
  form.Graph().SelectOptWid(0);
  return ok;
}

// One sample a second, computer-paced; the first reading of ID0 fails. The vertical range fits
// the other units instead of stretching to -99999, and ID0 starts at its second sample.
bool FailedFirstReadingShot(FormMain& form, ModuleData& md, const QDir& out) {
  Configure(form, md, {true, true, true, true}, true, 1000);
  Start(form);
  usbkit_sim_fail_transfers(kSimUnit[0], 1);
  Samples(form, 12);
  const bool ok = Save(form, out, QStringLiteral("screenshot-failed-first-reading.png"));
  Stop(form);
  return ok;
}

// A second, shorter record set without ID3, shown ten samples wide: nothing of the first one is
// left on the graph. ID1 fails its first and third readings, so its second sample stands alone
// and shows as a single point.
bool SecondRecordSetShot(FormMain& form, ModuleData& md, const QDir& out) {
  Configure(form, md, {true, true, true, false}, true, 1000);
  Start(form);
  form.Graph().SelectOptWid(1);
  PickCount(form, QStringLiteral("10"));
  usbkit_sim_fail_transfers(kSimUnit[1], 1);
  Samples(form, 2);
  usbkit_sim_fail_transfers(kSimUnit[1], 1);
  Samples(form, 3);
  const bool ok = Save(form, out, QStringLiteral("screenshot-second-record-set.png"));
  Stop(form);
  form.Graph().SelectOptWid(0);
  return ok;
}

// A minute of all four units at 100 ms explored: three notches of the wheel into the middle, the
// vertical range fitted to the window ("追従"), and the cursors A and B sixteen seconds apart with
// their readout beside the graph.
bool CursorsShot(FormMain& form, ModuleData& md, const QDir& out) {
  Configure(form, md, {true, true, true, true}, false, 100);
  Start(form);
  Polls(form, 200);
  Stop(form);
  form.Graph().SelectOptHei(2);
  form.Graph().ZoomX(30.0, 3);
  form.Graph().PlaceCursor(0, 22.0);
  form.Graph().PlaceCursor(1, 38.0);
  Wait(100);
  const bool ok = Save(form, out, QStringLiteral("screenshot-cursors.png"));
  form.Graph().ClearCursors();
  form.Graph().SelectOptHei(0);
  form.Graph().SelectOptWid(0);
  return ok;
}

bool SettingsShot(FormMain& form, ModuleData& md, DialogService& dialogs, const QDir& out) {
  DialogSetting setting(md, dialogs, &form);
  setting.show();
  Wait(100);
  const bool ok = Save(setting, out, QStringLiteral("screenshot-settings.png"));
  setting.hide();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvale_shots <output folder>\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("USBKIT_SIMULATE")) qputenv("USBKIT_SIMULATE", "demo");
  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 10));
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(out.path())) return 1;
  // A settings store of its own: the pictures never show what the user's dialogs remember.
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  usbkit_sim_use_manual_clock(1);

  ModuleData md;
  // Nobody answers: messages go to the error stream, and a start may discard the previous
  // record set.
  NullDialogs dialogs(MsgAnswer::Yes, true);
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.resize(1024, 768);
  form.show();
  Wait(100);

  // Each scene starts from where the one before left the window and the units.
  bool ok = MainShot(form, md, out);
  ok = SaveAndPrintShots(form, md, dialogs, out) && ok;
  ok = ManualScrollShots(form, out) && ok;
  ok = AutoscrollShot(form, md, out) && ok;
  ok = FailedFirstReadingShot(form, md, out) && ok;
  ok = SecondRecordSetShot(form, md, out) && ok;
  ok = CursorsShot(form, md, out) && ok;
  ok = AlarmShots(form, md, dialogs, out) && ok;
  ok = SettingsShot(form, md, dialogs, out) && ok;
  return ok ? 0 : 1;
}
