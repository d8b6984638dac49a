// The alarm settings in the store's section "Alarm" and their refusals, the log as it is appended
// to and written beside a file, and the command with the event in its environment.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "alarm/alarm_command.h"
#include "alarm/alarm_log.h"
#include "alarm/alarm_settings.h"
#include "core/module_data.h"

namespace {

TEST(AlarmSettingsTest, SectionAlarmIsReadWithTheKeysNamedAndUnusableValuesAreRefused) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("k.ini"));
  {
    QFile ini(path);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[Alarm]\nHighOn1=True\nHigh1=1400\nLowOn1=false\nLow1=-20.5\nHysteresis=0.5\n"
        "OpenOn=True\nSound=False\nCommand=\"notify-send \\\"a, b\\\"\"\n");
  }
  QSettings store(path, QSettings::IniFormat);
  AlarmSettings s;
  EXPECT_EQ(LoadAlarmSettings(store, s), QString());
  EXPECT_TRUE(s.HighOn[1]);
  EXPECT_EQ(s.High[1], 1400);
  EXPECT_FALSE(s.LowOn[1]);
  EXPECT_EQ(s.Low[1], -20.5);
  EXPECT_EQ(s.HysteresisFor(false), 0.5);
  EXPECT_TRUE(s.OpenOn);
  EXPECT_FALSE(s.Sound);
  EXPECT_EQ(s.Command, QStringLiteral("notify-send \"a, b\""));

  // Type K reaches 1372 degC: 1400 is refused, in a voltage measurement it is fine.
  ModuleData md;
  md.Record.Units[1].ConnectID = 4;
  EXPECT_TRUE(CheckAlarmSettings(s, md).contains(QStringLiteral("1372")))
      << CheckAlarmSettings(s, md).toStdString();
  md.Record.MeasKind = true;
  EXPECT_EQ(CheckAlarmSettings(s, md), QString());
  s.LowOn[1] = true;
  s.Low[1] = 1500;
  EXPECT_TRUE(CheckAlarmSettings(s, md).contains(QStringLiteral("下限")));
  s.LowOn[1] = false;
  s.Hysteresis = -1;
  EXPECT_TRUE(CheckAlarmSettings(s, md).contains(QStringLiteral("ヒステリシス")));

  // Saved and read back as the same settings; a number that is not one names its key.
  s.Hysteresis.reset();
  SaveAlarmSettings(store, s);
  store.sync();
  AlarmSettings again;
  EXPECT_EQ(LoadAlarmSettings(store, again), QString());
  EXPECT_EQ(again.High, s.High);
  EXPECT_EQ(again.Low, s.Low);
  EXPECT_EQ(again.Command, s.Command);
  EXPECT_FALSE(again.Hysteresis.has_value());
  EXPECT_EQ(again.HysteresisFor(true), 10);
  store.setValue(QStringLiteral("Alarm/Low2"), QStringLiteral("abc"));
  EXPECT_TRUE(LoadAlarmSettings(store, again).contains(QStringLiteral("Low2")));
}

AlarmEvent Event(bool raised, float value) {
  AlarmEvent e;
  e.timeMs = 1796706215250;  // 2026-12-08T05:03:35.250Z
  e.unit = 2;
  e.kind = AlarmKind::High;
  e.raised = raised;
  e.value = value;
  e.limit = 120.5;
  return e;
}

TEST(AlarmLogTest, AppendedRowsFollowOneHeaderAndAMissingFolderIsReported) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("20261208-050335-alarms.csv"));
  QString error;
  ASSERT_TRUE(AppendAlarmLog(path, Event(true, 121.25f), false, &error));
  ASSERT_TRUE(AppendAlarmLog(path, Event(false, 119), false, &error));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString time = AlarmTimeText(1796706215250);
  EXPECT_EQ(QString::fromUtf8(file.readAll()),
            QStringLiteral("時刻,ユニット,種類,値 (℃),限界 (℃),状態\n") + time +
                QStringLiteral(",ID2,上限,121.25,120.5,発生\n") + time +
                QStringLiteral(",ID2,上限,119,120.5,解除\n"));
  EXPECT_TRUE(time.startsWith(QStringLiteral("2026-12-08T"))) << time.toStdString();

  EXPECT_FALSE(
      AppendAlarmLog(dir.filePath(QStringLiteral("gone/x.csv")), Event(true, 1), false, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(AlarmLogPathBeside(QStringLiteral("/d/run.1.mx1")),
            QStringLiteral("/d/run.1-alarms.csv"));
}

// Reads a file the command writes, once it is there.
QByteArray WaitForFile(const QString& path) {
  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(path) && clock.elapsed() < 20000) QThread::msleep(20);
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(AlarmCommandTest, TheCommandGetsTheEventInItsEnvironmentAndAShellThatCannotStartIsReported) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("env.txt"));
  const QString command =
      QStringLiteral("env | grep '^KORVALE_' | sort > '%1.part' && mv '%1.part' '%1'").arg(out);
  QString error;
  ASSERT_TRUE(AlarmCommand().Run(command, Event(false, 119.75f), &error)) << error.toStdString();
  EXPECT_EQ(QString::fromUtf8(WaitForFile(out)),
            QStringLiteral("KORVALE_EVENT=cleared\nKORVALE_KIND=high\nKORVALE_LIMIT=120.5\n"
                           "KORVALE_TIME=%1\nKORVALE_UNIT=2\nKORVALE_VALUE=119.75\n")
                .arg(AlarmTimeText(1796706215250)));

  EXPECT_FALSE(
      AlarmCommand(dir.filePath(QStringLiteral("no-shell"))).Run(command, Event(true, 1), &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("警報コマンドを起動できません")))
      << error.toStdString();
}

}  // namespace
