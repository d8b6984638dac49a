// Journals left by programs that ended abnormally: kept as dated data files when the operator
// declines them or nobody is there to ask, deleted only when they hold no sample, left alone
// while their program runs.
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>

#include "child_process.h"
#include "journal/journal_file.h"
#include "journal/journal_handover.h"
#include "journal/left_journals.h"
#include "journal_rig.h"

namespace journaltest {
namespace {

class LeftJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    md_.Record.StartTime = QStringLiteral("2026/3/7 9:05:02");
    md_.Record.Units[0].MflagID = true;
    for (int k = 0; k < 3; ++k) md_.Record.Units[0].Data[k] = 20.5f + static_cast<float>(k);
  }

  // The own data file of the first n samples with the header counting them, as "保存" writes it
  // (a journal's header counts 0).
  QByteArray Saved(int32_t n, int32_t count = -1) {
    QByteArray bytes = EncodeDataHeader(md_.Record, count < 0 ? n : count);
    for (int32_t k = 1; k <= n; ++k) AppendDataRecord(bytes, md_.Record, k);
    return bytes;
  }

  // A journal as a killed program leaves it: `samples` records, a count of 0 and a trailing piece.
  QString Leave(int32_t samples, int trailing) {
    int error = 0;
    JournalFile file = JournalFile::Create(JournalFolder(), &error);
    const QByteArray bytes = Saved(samples, 0) + QByteArray(trailing, '\x5a');
    EXPECT_TRUE(file.WriteAt(0, bytes.constData(), static_cast<size_t>(bytes.size()), &error));
    return file.Path();  // closed here: its program is gone
  }

  static QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  DataHome home_;
  ModuleData md_;
  ScriptedDialogs dialogs_;
  ModuleData formMd_;
  MDX4A driver_{dialogs_};
  FormMain form_{formMd_, driver_, dialogs_};
  const QString dated_ = JournalFolder() + QStringLiteral("/korvale-20260307-090502.mx1");
};

TEST_F(LeftJournalTest, DeclinedJournalsBecomeDatedDataFilesAndEmptyOnesGoWhileLiveOnesStay) {
  const QStringList left = {Leave(3, 10), Leave(2, 0), Leave(0, 31)};
  int error = 0;
  JournalFile live = JournalFile::Create(JournalFolder(), &error);  // another program's, running
  ASSERT_TRUE(live.IsOpen());

  dialogs_.answers = {MsgAnswer::No, MsgAnswer::No};
  form_.StartJournal(false);

  const QString dated2 = JournalFolder() + QStringLiteral("/korvale-20260307-090502-2.mx1");
  ASSERT_EQ(dialogs_.shown.size(), 3u);
  for (int i : {0, 1}) {
    EXPECT_EQ(dialogs_.shown[i].icon, MsgIcon::Question);
    EXPECT_TRUE(dialogs_.shown[i].text.startsWith(
        QStringLiteral("前回の測定データ（開始時刻 2026/3/7 9:05:02、")));
  }
  EXPECT_EQ(
      dialogs_.shown[2],
      ShownMessage::Notice(
          QStringLiteral("前回の測定データを次のファイルに保存しました。「読込み」で開けます。\n") +
          dated_ + QLatin1Char('\n') + dated2));
  EXPECT_EQ(formMd_.Record.SampleCount, 0);

  // Exactly the complete records, under a header that counts them.
  EXPECT_EQ((std::set<QByteArray>{Contents(dated_), Contents(dated2)}),
            (std::set<QByteArray>{Saved(2), Saved(3)}));
  for (const QString& path : left) EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(QFile::exists(live.Path()));
}

TEST_F(LeftJournalTest, AJournalThatCannotBeReadIsKeptAsADatedFileEvenWhenTheOperatorWantsIt) {
  md_.Record.Units[0].Data[1] = std::numeric_limits<float>::quiet_NaN();  // the reader refuses it
  Leave(3, 0);
  dialogs_.answers = {MsgAnswer::Yes};
  form_.StartJournal(false);
  ASSERT_EQ(dialogs_.shown.size(), 3u);
  EXPECT_EQ(dialogs_.shown[1].icon, MsgIcon::Critical);
  EXPECT_TRUE(dialogs_.shown[2].text.endsWith(QLatin1Char('\n') + dated_));
  EXPECT_EQ(formMd_.Record.SampleCount, 0);
  EXPECT_EQ(Contents(dated_), Saved(3));
}

// A window just shown is placed by the window system first: the offer, a box centred on it,
// waits until the window is on the screen.
TEST_F(LeftJournalTest, TheOfferWaitsUntilTheWindowIsOnTheScreen) {
  Leave(3, 0);
  dialogs_.answers = {MsgAnswer::Yes};
  bool exposedWhenAsked = false;
  dialogs_.onMessage = [this, &exposedWhenAsked](const ShownMessage&) {
    exposedWhenAsked = form_.windowHandle()->isExposed();
  };
  form_.show();
  form_.StartJournal(false);
  EXPECT_TRUE(dialogs_.shown.empty());
  for (int i = 0; i < 100 && dialogs_.shown.empty(); ++i) QApplication::processEvents();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_TRUE(exposedWhenAsked);
  EXPECT_EQ(formMd_.Record.SampleCount, 3);
}

TEST_F(LeftJournalTest, AnUnattendedStartKeepsLeftJournalsWithoutAskingAndReportsOnStandardError) {
  const QString left = Leave(3, 0);
  testing::internal::CaptureStderr();
  form_.StartJournal(true);
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_NE(err.find(QFile::encodeName(dated_).toStdString()), std::string::npos) << err;
  EXPECT_EQ(Contents(dated_), Saved(3));
  EXPECT_FALSE(QFile::exists(left));
}

// A journal this program may not write (folder and file read-only to it) was skipped in silence as
// if its program still ran. It is reported where it is, on standard error when unattended and in
// a notice in the window, and left as it was.
TEST_F(LeftJournalTest, AJournalInAPlaceThatCannotBeWrittenIsReportedWhereItIs) {
  const QString left = Leave(3, 0);
  const QByteArray path = QFile::encodeName(left);
  ASSERT_EQ(chmod(QFile::encodeName(home_.Path()).constData(), 0755), 0);
  ASSERT_EQ(chmod(QFile::encodeName(JournalFolder()).constData(), 0555), 0);
  ASSERT_EQ(chmod(path.constData(), 0444), 0);
  const int result = RunInChild([&] {
    // The superuser writes everywhere: the program then runs as nobody.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 77;
    char* text = nullptr;
    size_t size = 0;
    std::FILE* err = open_memstream(&text, &size);
    KeepLeftJournals(JournalFolder(), err);
    std::fclose(err);
    if (!std::strstr(text, path.constData())) return 1;
    form_.StartJournal(false);
    if (dialogs_.shown.size() != 1 || !dialogs_.LastText().endsWith(QLatin1Char('\n') + left)) {
      return 2;
    }
    return 0;
  });
  ASSERT_EQ(chmod(QFile::encodeName(JournalFolder()).constData(), 0755), 0);
  if (result == 77) GTEST_SKIP() << "cannot run as another user";
  EXPECT_EQ(result, 0) << "1: nothing on standard error, 2: no notice in the window";
  EXPECT_EQ(Contents(left), Saved(3, 0));
}

// A program that died while a file took its journal's samples leaves the journal with a note
// naming the file: the next start drops the journal only when that file holds every one of its
// records, and keeps it (as ever) when the file is missing or holds other samples.
TEST_F(LeftJournalTest, AJournalIsDroppedOnlyWhenTheFileItsNoteNamesHoldsItsRecords) {
  const QString records = home_.Path() + QStringLiteral("/records");
  ASSERT_TRUE(QDir().mkpath(records));
  const auto writeFile = [&](const QString& name, const QByteArray& bytes) {
    QFile f(records + QLatin1Char('/') + name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  };
  const auto leaveWithNote = [&](const QString& file) {
    const QString journal = Leave(2, 7);
    QFile note(HandoverNotePath(journal));
    EXPECT_TRUE(note.open(QIODevice::WriteOnly));
    note.write(QFile::encodeName(file) + '\n');
    return journal;
  };
  // The file holds the journal's two records and the one a lagging unit completed later.
  const QString same = writeFile(QStringLiteral("same.mx1"), Saved(3));
  QByteArray changed = Saved(3);
  changed[changed.size() - 40] = '\x01';  // a byte of the second record
  const QString other = writeFile(QStringLiteral("other.mx1"), changed);

  const QString dropped = leaveWithNote(same);
  EXPECT_TRUE(TakeLeftJournals(JournalFolder()).empty());
  EXPECT_FALSE(QFile::exists(dropped));
  EXPECT_FALSE(QFile::exists(HandoverNotePath(dropped)));
  EXPECT_EQ(Contents(same), Saved(3));

  for (const QString& named : {other, records + QStringLiteral("/missing.mx1")}) {
    SCOPED_TRACE(named.toStdString());
    const QString kept = leaveWithNote(named);
    std::vector<LeftJournal> left = TakeLeftJournals(JournalFolder());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].samples, 2);
    EXPECT_FALSE(QFile::exists(HandoverNotePath(kept)));
    left[0].file.Remove();
  }
}

}  // namespace
}  // namespace journaltest
