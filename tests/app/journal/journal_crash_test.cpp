// A real crash: a second process (this test program started again) measures on simulated units
// and is killed with SIGKILL between two polls. Meanwhile this process measures too, so two
// programs keep two journals at once. The journal the killed one leaves holds every sample of
// its completed polls and nothing else, and the next start offers it and reads it back.
#include <QCoreApplication>
#include <QProcess>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "journal/left_journals.h"
#include "journal_rig.h"

namespace journaltest {
namespace {

using Record = std::array<uint32_t, 4>;  // the bits of the four single values of one sample

uint32_t Bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The measuring process: started by the test below with KORVALE_JOURNAL_CHILD set. After each
// poll it reports the new samples and the poll on standard output, then waits for a line on
// standard input before the next poll.
class JournalCrashChild : public acqtest::AcquisitionTest {};

TEST_F(JournalCrashChild, DISABLED_MeasuresUntilKilled) {
  if (qEnvironmentVariableIsEmpty("KORVALE_JOURNAL_CHILD")) GTEST_SKIP();
  form_->StartJournal(false);
  Plug(0);
  Plug(2);
  Configure({0, 2}, false, 10, false);
  acq().cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  ui().Timer2->stop();
  int32_t reported = 0;
  for (int poll = 1; poll <= 50; ++poll) {
    usbkit_sim_advance_ms(300);
    acq().Timer2_Timer();
    for (int32_t k = reported; k < md_.SampleCount; ++k) {
      std::printf("r %08x %08x %08x %08x\n", Bits(md_.Units[0].Data[k]), Bits(md_.Units[1].Data[k]),
                  Bits(md_.Units[2].Data[k]), Bits(md_.Units[3].Data[k]));
    }
    reported = md_.SampleCount;
    std::printf("done %d\n", poll);
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) break;
  }
}

// Reads the child's reports up to the end of its next poll.
bool ReadPoll(QProcess& child, std::vector<Record>& records) {
  for (;;) {
    while (!child.canReadLine()) {
      if (!child.waitForReadyRead(60000)) return false;
    }
    const QByteArray line = child.readLine().trimmed();
    if (line.startsWith("done")) return true;
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 5 || parts[0] != "r") continue;  // the test runner's own lines
    Record r{};
    for (int i = 0; i < 4; ++i) r[i] = parts[i + 1].toUInt(nullptr, 16);
    records.push_back(r);
  }
}

TEST_F(JournalTest, AKilledMeasurementLeavesItsCompletedPollsAndTheNextStartReadsThemBack) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("KORVALE_JOURNAL_CHILD"), QStringLiteral("1"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), home_.Path());
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=JournalCrashChild.*"),
               QStringLiteral("--gtest_also_run_disabled_tests")});
  ASSERT_TRUE(child.waitForStarted());
  std::vector<Record> records;
  ASSERT_TRUE(ReadPoll(child, records));

  // Two programs at once: this one measures as well, in a journal of its own, and sees the
  // other's journal as in use.
  Plug(1);
  Configure({1}, true, 1000, false);
  acq().cmdStart_Click();
  ASSERT_TRUE(md_.Measuring);
  ui().Timer1->stop();
  usbkit_sim_advance_ms(1000);
  acq().Timer1_Timer();
  const QString own = journal().Path();
  EXPECT_EQ(JournalNames().size(), 2);
  EXPECT_TRUE(TakeLeftJournals(JournalFolder()).empty());
  ExpectFileHolds(own, md_, 1);
  acq().cmdStop_Click();

  for (int poll = 2; poll <= 3; ++poll) {
    child.write("next\n");
    ASSERT_TRUE(ReadPoll(child, records));
  }
  // Killed while it waits between two polls.
  ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
  ASSERT_TRUE(child.waitForFinished(30000));
  EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
  ASSERT_GE(records.size(), 60u);

  form_.reset();  // this program ends normally: its journal goes
  EXPECT_FALSE(QFile::exists(own));
  const QStringList left = JournalNames();
  ASSERT_EQ(left.size(), 1);

  // The next start.
  ScriptedDialogs dialogs;
  dialogs.answers = {MsgAnswer::Yes};
  ModuleData md;
  MDX4A driver(dialogs);
  auto next = std::make_unique<FormMain>(md, driver, dialogs);
  next->StartJournal(false);
  ASSERT_GE(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Question);
  EXPECT_TRUE(dialogs.shown[0].text.startsWith(QStringLiteral("前回の測定データ（開始時刻 ")));
  EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("、%1 件）").arg(records.size())));
  ASSERT_EQ(md.SampleCount, static_cast<int32_t>(records.size()));
  for (size_t k = 0; k < records.size(); ++k) {
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(Bits(md.Units[i].Data[k]), records[k][i]) << "unit " << i << " sample " << k + 1;
    }
  }
  EXPECT_TRUE(md.Units[0].MflagID && md.Units[2].MflagID);
  EXPECT_FALSE(md.Units[1].MflagID || md.Units[3].MflagID);
  // Its data are in memory now: the journal stays this program's until its normal end.
  const QString path = JournalFolder() + QLatin1Char('/') + left[0];
  EXPECT_EQ(next->Journal()->Path(), path);
  EXPECT_TRUE(TakeLeftJournals(JournalFolder()).empty());
  next.reset();
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace journaltest
