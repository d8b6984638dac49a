// Journals left by programs that ended abnormally: kept as dated data files when the operator
// declines them or nobody is there to ask, deleted only when they hold no sample, left alone
// while their program runs.
#include <QFile>

#include "journal/journal_file.h"
#include "journal/left_journals.h"
#include "journal_rig.h"

namespace journaltest {
namespace {

class LeftJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    md_.StartTime = QStringLiteral("2026/3/7 9:05:02");
    md_.TimerType = true;
    md_.IntervalTM = 2000;
    md_.Units[0].MflagID = true;
    md_.Units[0].ConnectID = 4;
    for (int k = 0; k < 3; ++k) md_.Units[0].Data[k] = 20.5f + static_cast<float>(k);
  }

  // A journal as a killed program leaves it: header, `samples` records and a trailing piece.
  QString Leave(int32_t samples, int trailing) {
    int error = 0;
    JournalFile file = JournalFile::Create(JournalFolder(), &error);
    EXPECT_TRUE(file.IsOpen()) << error;
    QByteArray bytes = EncodeDataHeader(md_, 0);
    for (int32_t k = 1; k <= samples; ++k) AppendDataRecord(bytes, md_, k);
    bytes.append(QByteArray(trailing, '\x5a'));
    EXPECT_TRUE(file.WriteAt(0, bytes.constData(), static_cast<size_t>(bytes.size()), &error));
    return file.Path();  // closed here: its program is gone
  }

  // The own data file of the first n samples, as "保存" writes it.
  QByteArray Saved(int32_t n) {
    QByteArray bytes = EncodeDataHeader(md_, n);
    for (int32_t k = 1; k <= n; ++k) AppendDataRecord(bytes, md_, k);
    return bytes;
  }

  static QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  DataHome home_;
  ModuleData md_;
};

TEST_F(LeftJournalTest, DeclinedJournalsBecomeDatedDataFilesAndEmptyOnesGoWhileLiveOnesStay) {
  const QString first = Leave(3, 10);
  const QString second = Leave(2, 0);
  const QString empty = Leave(0, 31);
  int error = 0;
  JournalFile live = JournalFile::Create(JournalFolder(), &error);  // another program's, running
  ASSERT_TRUE(live.IsOpen());

  ScriptedDialogs dialogs;
  dialogs.answers = {MsgAnswer::No, MsgAnswer::No};
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  form.StartJournal(false);

  const QString dated = JournalFolder() + QStringLiteral("/korvale-20260307-090502.mx1");
  const QString dated2 = JournalFolder() + QStringLiteral("/korvale-20260307-090502-2.mx1");
  ASSERT_EQ(dialogs.shown.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dialogs.shown[i].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(dialogs.shown[i].text.startsWith(
        QStringLiteral("前回の測定データ（開始時刻 2026/3/7 9:05:02、")));
  }
  EXPECT_EQ(
      dialogs.shown[2],
      ShownMessage::Notice(
          QStringLiteral("前回の測定データを次のファイルに保存しました。「読込み」で開けます。\n") +
          dated + QLatin1Char('\n') + dated2));
  EXPECT_EQ(md.SampleCount, 0);

  // Exactly the complete records, under a header that counts them; the newer journal asked first.
  const QByteArray a = Contents(dated);
  const QByteArray b = Contents(dated2);
  EXPECT_TRUE((a == Saved(3) && b == Saved(2)) || (a == Saved(2) && b == Saved(3)));
  EXPECT_FALSE(QFile::exists(first));
  EXPECT_FALSE(QFile::exists(second));
  EXPECT_FALSE(QFile::exists(empty));
  EXPECT_TRUE(QFile::exists(live.Path()));
}

TEST_F(LeftJournalTest, AnUnattendedStartKeepsLeftJournalsWithoutAskingAndReportsOnStandardError) {
  const QString left = Leave(3, 0);
  ScriptedDialogs dialogs;
  ModuleData md;
  MDX4A driver(dialogs);
  FormMain form(md, driver, dialogs);
  testing::internal::CaptureStderr();
  form.StartJournal(true);
  const std::string err = testing::internal::GetCapturedStderr();

  const QString dated = JournalFolder() + QStringLiteral("/korvale-20260307-090502.mx1");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_NE(err.find(QFile::encodeName(dated).toStdString()), std::string::npos) << err;
  EXPECT_EQ(Contents(dated), Saved(3));
  EXPECT_FALSE(QFile::exists(left));
}

}  // namespace
}  // namespace journaltest
