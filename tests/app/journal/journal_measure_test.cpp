// The journal while measuring on simulated units: after every tick or poll it reads back as the
// record set in memory, and a journal that cannot be written never stops the measurement.
#include <sys/resource.h>

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <csignal>

#include "journal_rig.h"
#include "session/measurement_session.h"
#include "session/record_files.h"

namespace journaltest {
namespace {

TEST_F(JournalTest, ReadsBackAsTheRecordSetAfterEveryTickInBothModes) {
  const struct {
    std::vector<int> ids;
    bool computerPaced;
    int32_t intervalMs;
    bool average;
  } modes[] = {
      {{0, 2}, true, 1000, false}, {{0, 1, 3}, false, 10, false}, {{1, 2}, false, 100, true}};
  QString path;
  for (const auto& mode : modes) {
    SCOPED_TRACE(testing::Message() << "interval " << mode.intervalMs);
    Start(mode.ids, mode.computerPaced, mode.intervalMs, mode.average);
    // One journal; each measurement starts a new record set in it, the header at once.
    if (path.isEmpty()) path = journal().Path();
    ASSERT_EQ(JournalNames(), QStringList{QFileInfo(path).fileName()});
    ExpectFileHolds(path, md_, 0);
    for (int t = 1; t <= 6; ++t) {
      Tick();
      SCOPED_TRACE(testing::Message() << "tick " << t);
      ExpectFileHolds(path, md_, md_.Record.SampleCount);
    }
    ASSERT_GE(md_.Record.SampleCount, 3);
    form_->cmdStop_Click();
    ExpectFileHolds(path, md_, md_.Record.SampleCount);
  }
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenWarnsOnceWithoutABlockingBoxAndMeasuringGoesOn) {
  int warnings = 0;  // the journal's warnings on their way to the window
  journal().onWriteFailure = [&warnings, show = journal().onWriteFailure](const QString& text) {
    ++warnings;
    show(text);
  };
  // The data folder's place is taken by a plain file: no journal can be made there.
  QFile blocker(home_.Path() + QStringLiteral("/korvale"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  Start({0, 1}, false, 10, false);
  for (int t = 0; t < 3; ++t) Tick();
  EXPECT_EQ(warnings, 1);
  EXPECT_TRUE(dialogs_.shown.empty());  // no modal box
  const auto boxes = form_->findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0]->isVisible());
  EXPECT_EQ(boxes[0]->windowModality(), Qt::NonModal);
  EXPECT_TRUE(
      boxes[0]->text().startsWith(QStringLiteral("測定データを記録ファイルに書き込めません")));
  form_->cmdStop_Click();

  // The next measurement has its folder, but the disk is full 100 bytes after its first poll:
  // the writes stop in the middle of a record.
  ASSERT_TRUE(blocker.remove());
  form_->cmdStart_Click();
  ui().Timer2->stop();
  dialogs_.Clear();  // the start's own question
  Tick();
  const QString path = journal().Path();
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = static_cast<rlim_t>(QFileInfo(path).size() + 100);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (int t = 0; t < 3; ++t) Tick();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(warnings, 2);
  // What reached the disk is a readable prefix of the record set.
  DataFileImage image;
  ASSERT_TRUE(ReadDataFileImage(path, image));
  EXPECT_GE(image.Records, 1);
  for (int32_t k = 0; k < image.Records; ++k)
    EXPECT_EQ(image.Data[1][k], md_.Record.Units[1].Data[k]);

  // Room again: the next poll brings the journal level with the record set, without a new box.
  Tick();
  ExpectFileHolds(path, md_, md_.Record.SampleCount);
  EXPECT_EQ(warnings, 2);
  EXPECT_TRUE(md_.Measuring);
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(form_->findChildren<QMessageBox*>().size(), 1);
}

}  // namespace
}  // namespace journaltest

namespace journaltest {
namespace {

// Continuous recording in the window: a full record set goes to its file, and the window, its
// status line and the journal go on with the new one.
TEST_F(JournalTest, ContinuousRecordingGoesOnInANewRecordSetThatTheWindowAndTheJournalFollow) {
  QTemporaryDir records;
  md_.Recording.Continuous = true;
  md_.Recording.Folder = records.path();
  Start({0}, false, 10, false);
  Tick();
  // Nearly full: the next poll's 30 readings end the record set after 10 of them.
  for (int32_t k = 30; k < RecordSet::MaxData - 10; ++k) md_.Record.Units[0].Data[k] = 20.0f;
  md_.Record.Units[0].DataCount = md_.Record.SampleCount = RecordSet::MaxData - 10;
  const QDateTime start = form_->Session().RunStart();
  Tick();

  EXPECT_TRUE(md_.Measuring);
  EXPECT_TRUE(dialogs_.shown.empty());
  const QString first = records.filePath(RecordFileName(start, 1));
  DataFileImage image;
  ASSERT_TRUE(ReadDataFileImage(first, image));
  EXPECT_EQ(image.Records, RecordSet::MaxData);
  // The new record set: the 20 readings after the full one, 880 s later.
  EXPECT_EQ(md_.Record.SampleCount, 20);
  EXPECT_EQ(md_.Record.StartTime, MeasurementSession::FormatStartTime(start.addSecs(880)));
  EXPECT_EQ(chart().PointCount(1), 20);
  EXPECT_EQ(chart().HeaderText(), QStringLiteral("開始時刻 [ %1 ]").arg(md_.Record.StartTime));
  EXPECT_TRUE(ui().lblStatus->text().startsWith(
      QStringLiteral("連続記録 ファイル 2　データ数 20 / 88000　通算 88020　経過時間 0:14:40")))
      << ui().lblStatus->text().toStdString();
  ExpectFileHolds(journal().Path(), md_, 20);

  Tick();
  form_->cmdStop_Click();
  ASSERT_TRUE(ReadDataFileImage(records.filePath(RecordFileName(start, 2)), image));
  EXPECT_EQ(image.Records, 50);
  EXPECT_EQ(image.StartTime, md_.Record.StartTime);
  EXPECT_TRUE(ui().cmdStart->isEnabled());
}

}  // namespace
}  // namespace journaltest
