// The alarms following the session on simulated units: the samples are checked at their nominal
// times as they are stored, a command that sleeps holds up no poll, and the file a continuous
// recording writes gets the alarms of its record set beside it.
#include "session/session_alarms.h"

#include <signal.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "alarm/alarm_command.h"
#include "alarm/alarm_monitor.h"
#include "session_rig.h"

namespace sessiontest {
namespace {

// The lines of a file others are still writing, once there are `lines` of them (or 20 s passed).
QStringList WaitForLines(const QString& path, int lines) {
  QElapsedTimer clock;
  clock.start();
  QStringList out;
  do {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      out = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    if (out.size() >= lines) break;
    QThread::msleep(20);
  } while (clock.elapsed() < 20000);
  return out;
}

TEST_F(SessionTest, SleepingCommandsHoldUpNoPollAndTheFileGetsItsAlarmsBeside) {
  Plug(0);
  Configure({0}, false, 10, false);
  AlarmSettings settings;
  settings.HighOn[0] = true;
  settings.High[0] = 300;
  AlarmMonitor monitor;
  FollowSessionAlarms(session_, monitor, md_, [&settings] { return settings; });
  std::vector<QString> failures;
  WriteAlarmLogsBesideFiles(recording_, monitor,
                            [&failures](const QString& text) { failures.push_back(text); });
  // Each event starts a command that stays for 30 s.
  const QString pids = dir_.filePath(QStringLiteral("pids"));
  const QString command = QStringLiteral("echo $$ >> '%1'; exec sleep 30").arg(pids);
  AlarmCommand commands;
  QObject::connect(&monitor, &AlarmMonitor::alarmEvent, [&](const AlarmEvent& event) {
    QString error;
    EXPECT_TRUE(commands.Run(command, event, &error)) << error.toStdString();
  });

  // The saw tooth passes 300 degC in the second poll and falls back to 100 in the fourth.
  Start();
  QElapsedTimer clock;
  clock.start();
  for (int poll = 0; poll < 4; ++poll) Tick();
  EXPECT_LT(clock.elapsed(), 10000);
  EXPECT_EQ(md_.Record.Units[0].DataCount, 120);

  ASSERT_EQ(monitor.Events().size(), 2u);
  const AlarmEvent raised = monitor.Events()[0];
  EXPECT_TRUE(raised.raised);
  // At the first sample past the limit, at its nominal time; the stored value is untouched.
  const std::vector<float>& data = md_.Record.Units[0].Data;
  const auto first = std::find_if(data.begin(), data.end(), [](float v) { return v > 300; });
  ASSERT_NE(first, data.end());
  const int64_t slot = first - data.begin();
  EXPECT_EQ(raised.value, *first);
  EXPECT_EQ(raised.timeMs, session_.RunStartMs() + (slot + 1) * 10);
  EXPECT_FALSE(monitor.Events()[1].raised);
  EXPECT_LT(monitor.Events()[1].value, 300 - 1);

  session_.StopMeasure();
  ASSERT_EQ(written_.size(), 1u);
  const QStringList log = WaitForLines(written_[0].chopped(4) + QStringLiteral("-alarms.csv"), 3);
  ASSERT_EQ(log.size(), 3);
  EXPECT_TRUE(log[1].endsWith(QStringLiteral(",ID0,上限,%1,300,発生").arg(AlarmValueText(raised))))
      << log[1].toStdString();
  EXPECT_TRUE(log[2].endsWith(QStringLiteral(",解除"))) << log[2].toStdString();
  EXPECT_TRUE(failures.empty());

  const QStringList started = WaitForLines(pids, 2);
  EXPECT_EQ(started.size(), 2);
  for (const QString& pid : started) ::kill(static_cast<pid_t>(pid.toInt()), SIGTERM);
}

}  // namespace
}  // namespace sessiontest
