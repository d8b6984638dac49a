// Alarms that come too often or meet a full disk: a burst of events runs at most four commands at
// once and never leaves one behind, a row the file-size limit cuts is taken back whole, and a
// hysteresis as wide as a unit's limits is refused.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <numeric>

#include "alarm/alarm_command.h"
#include "alarm/alarm_log.h"
#include "alarm/alarm_settings.h"
#include "child_process.h"
#include "core/module_data.h"

namespace {

AlarmEvent Event(int n) {
  AlarmEvent e;
  e.timeMs = 1796706215250 + n;
  e.unit = 0;
  e.raised = n % 2 == 0;
  e.value = static_cast<float>(n);
  e.limit = 100;
  return e;
}

QStringList Lines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Lets the commands run (and end) for up to ms, until done says so.
void RunEventsUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
}

TEST(AlarmCommandBurstTest, EveryEventWaitsItsTurnAndAtMostFourRunAtOnce) {
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("log"));
  // Each command says when it starts and ends; 70 events: 4 run, 64 wait, 2 are dropped.
  const QString command =
      QStringLiteral("echo \"+ $KORVALE_VALUE\" >> '%1'; sleep 0.1; echo - >> '%1'").arg(log);
  AlarmCommand commands;
  QStringList notices;
  commands.onNotice = [&notices](const QString& text) { notices << text; };
  QString error;
  for (int n = 0; n < 70; ++n) ASSERT_TRUE(commands.Run(command, Event(n), &error));
  EXPECT_EQ(commands.Running(), 4);
  RunEventsUntil([&] { return Lines(log).size() == 136; }, 30000);

  const QStringList lines = Lines(log);
  ASSERT_EQ(lines.size(), 136);
  int running = 0;
  int most = 0;
  QStringList started;
  for (const QString& line : lines) {
    running += line == QLatin1String("-") ? -1 : 1;
    most = std::max(most, running);
    if (line.startsWith('+')) started << line.mid(2);
  }
  EXPECT_EQ(most, 4);
  // Every event but the last two, which were dropped and said so once.
  std::vector<int> values;
  for (const QString& v : started) values.push_back(v.toInt());
  std::sort(values.begin(), values.end());
  std::vector<int> expected(68);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(values, expected);
  RunEventsUntil([&] { return commands.Running() == 0; }, 5000);
  ASSERT_EQ(notices.size(), 1) << notices.join('\n').toStdString();
  EXPECT_TRUE(notices[0].contains(QStringLiteral(" 2 件"))) << notices[0].toStdString();
}

TEST(AlarmCommandBurstTest, FinishEndsTheCommandsStillRunningWithWhatTheyStarted) {
  QTemporaryDir dir;
  const QString pids = dir.filePath(QStringLiteral("pids"));
  // The shell stays (it waits for its sleep), so the sleep must be ended with its group.
  const QString command =
      QStringLiteral("sleep 60 & echo \"$$ $!\" >> '%1'; wait; echo late >> '%1'").arg(pids);
  QStringList notices;
  {
    AlarmCommand commands;
    commands.onNotice = [&notices](const QString& text) { notices << text; };
    QString error;
    for (int n = 0; n < 10; ++n) ASSERT_TRUE(commands.Run(command, Event(n), &error));
    RunEventsUntil([&] { return Lines(pids).size() == 4; }, 20000);
    ASSERT_EQ(Lines(pids).size(), 4);
    EXPECT_EQ(commands.Waiting(), 6);
    QElapsedTimer clock;
    clock.start();
    commands.Finish(300);
    EXPECT_LT(clock.elapsed(), 2500);
  }
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices[0].contains(QStringLiteral("4 件止め、6 件"))) << notices[0].toStdString();
  const QStringList lines = Lines(pids);
  ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
  for (const QString& line : lines) {
    for (const QString& pid : line.split(' ')) {
      const pid_t p = static_cast<pid_t>(pid.toInt());
      RunEventsUntil([p] { return ProcessGone(p); }, 5000);
      EXPECT_TRUE(ProcessGone(p)) << pid.toStdString();
    }
  }
}

TEST(AlarmLogLimitTest, ARowTheDiskCannotTakeWholeIsTakenBackAndTheNextStartsAtARowsEnd) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("run-alarms.csv"));
  const qint64 firstRow = AlarmLogHeader(false).size() + AlarmLogRow(Event(0)).size();
  // Room for the header, the first row and half of the second.
  const int code = RunWithFileSizeLimit(static_cast<rlim_t>(firstRow + 20), [&] {
    QString error;
    if (!AppendAlarmLog(path, Event(0), false, &error)) return 1;
    if (AppendAlarmLog(path, Event(1), false, &error)) return 2;
    if (error.isEmpty()) return 3;
    if (AppendAlarmLog(path, Event(2), false, &error)) return 4;
    return 0;
  });
  ASSERT_EQ(code, 0);
  EXPECT_EQ(QFile(path).size(), firstRow);
  // Room again: the next row follows the first one whole.
  QString error;
  ASSERT_TRUE(AppendAlarmLog(path, Event(3), false, &error)) << error.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), AlarmLogHeader(false) + AlarmLogRow(Event(0)) + AlarmLogRow(Event(3)));
}

TEST(AlarmHysteresisTest, AHysteresisAsWideAsTheGapBetweenTheLimitsIsRefused) {
  ModuleData md;
  md.Record.Units[2].ConnectID = 4;  // type K
  AlarmSettings s;
  s.HighOn[2] = true;
  s.High[2] = 100;
  s.LowOn[2] = true;
  s.Low[2] = 90;
  s.Hysteresis = 10;
  const QString why = CheckAlarmSettings(s, md);
  EXPECT_TRUE(why.contains(QStringLiteral("ID2"))) << why.toStdString();
  EXPECT_TRUE(why.contains(QStringLiteral("差 10 ℃"))) << why.toStdString();
  s.Hysteresis = 1e30;  // what the dialog used to take
  EXPECT_FALSE(CheckAlarmSettings(s, md).isEmpty());
  s.Hysteresis = 9.5;
  EXPECT_EQ(CheckAlarmSettings(s, md), QString());
  // With one limit alone there is no gap to keep.
  s.LowOn[2] = false;
  s.Hysteresis = 50;
  EXPECT_EQ(CheckAlarmSettings(s, md), QString());

  // The range refusal names the type once.
  s.High[2] = 2000;
  const QString range = CheckAlarmSettings(s, md);
  EXPECT_TRUE(range.contains(QStringLiteral("ID2 のK熱電対の上限 2000 ℃"))) << range.toStdString();
}

}  // namespace
