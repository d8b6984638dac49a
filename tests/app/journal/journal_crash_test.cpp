// A real crash: a second process (this test program started again) measures on simulated units
// and is killed with SIGKILL between two polls. Meanwhile this process measures too, so two
// programs keep two journals at once. The journal the killed one leaves holds every sample of
// its completed polls and nothing else, and the next start offers it and reads it back.
#include <QCoreApplication>
#include <QProcess>
#include <csignal>
#include <cstdio>

#include "journal/left_journals.h"
#include "journal_rig.h"

namespace journaltest {
namespace {

QString MemoryFile() {
  return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/memory.mx1");
}

// The measuring process, started by the test below with KORVALE_JOURNAL_CHILD set to the data
// folder they share. After each poll it saves its record set in memory to MemoryFile() and says
// "done" on standard output, then waits for a line on standard input before the next poll.
class JournalCrashChild : public JournalTest {
  void SetUp() override {
    const QByteArray shared = qgetenv("KORVALE_JOURNAL_CHILD");
    if (!shared.isEmpty()) qputenv("XDG_DATA_HOME", shared);
    JournalTest::SetUp();
  }
};

TEST_F(JournalCrashChild, DISABLED_MeasuresUntilKilled) {
  if (qEnvironmentVariableIsEmpty("KORVALE_JOURNAL_CHILD")) GTEST_SKIP();
  Start({0, 2}, false, 10, false);
  for (int poll = 1; poll <= 50; ++poll) {
    Tick();
    ASSERT_TRUE(SaveDataFile(md_.Record, MemoryFile()));
    std::printf("done %d\n", poll);
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) break;
  }
}

// Waits for the child's next "done" (the test runner prints lines of its own).
bool WaitForPoll(QProcess& child) {
  for (;;) {
    while (!child.canReadLine()) {
      if (!child.waitForReadyRead(60000)) return false;
    }
    if (child.readLine().startsWith("done")) return true;
  }
}

TEST_F(JournalTest, AKilledMeasurementLeavesItsCompletedPollsAndTheNextStartReadsThemBack) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("KORVALE_JOURNAL_CHILD"), home_.Path());
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=JournalCrashChild.*"),
               QStringLiteral("--gtest_also_run_disabled_tests")});
  ASSERT_TRUE(child.waitForStarted());
  ASSERT_TRUE(WaitForPoll(child));

  // Two programs at once: this one measures as well, in a journal of its own, and sees the
  // other's journal as in use.
  Start({1}, true, 1000, false);
  Tick();
  const QString own = journal().Path();
  EXPECT_EQ(JournalNames().size(), 2);
  EXPECT_TRUE(TakeLeftJournals(JournalFolder()).empty());
  ExpectFileHolds(own, md_, 1);
  form_->cmdStop_Click();

  for (int poll = 2; poll <= 3; ++poll) {
    child.write("next\n");
    ASSERT_TRUE(WaitForPoll(child));
  }
  // Killed while it waits between two polls.
  ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
  ASSERT_TRUE(child.waitForFinished(30000));

  form_.reset();  // this program ends normally: its journal goes
  const QStringList left = JournalNames();
  ASSERT_EQ(left.size(), 1);

  // The next start: the record set read back is the killed one's memory after its last poll.
  ScriptedDialogs dialogs;
  dialogs.answers = {MsgAnswer::Yes};
  ModuleData md;
  MDX4A driver(dialogs);
  auto next = std::make_unique<FormMain>(md, driver, dialogs);
  next->StartJournal(false);
  ASSERT_GE(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Question);
  EXPECT_TRUE(
      dialogs.shown[0].text.contains(QStringLiteral("、%1 件）").arg(md.Record.SampleCount)));
  ASSERT_GE(md.Record.SampleCount, 60);
  ExpectFileHolds(MemoryFile(), md, md.Record.SampleCount);
  // Its data are in memory now: the journal stays this program's until its normal end.
  const QString path = JournalFolder() + QLatin1Char('/') + left[0];
  EXPECT_EQ(next->Journal()->Path(), path);
  EXPECT_TRUE(TakeLeftJournals(JournalFolder()).empty());
  next.reset();
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace journaltest
