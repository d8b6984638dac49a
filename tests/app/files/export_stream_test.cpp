// `korvale --convert` and `--export` of inputs that lack records (converted as far as they go,
// said, exit status 4), and `--export` of many inputs written as it reads them: the pieces of a
// recording give the bytes of the whole, and a write the disk refuses keeps the previous output.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <string>

#include "child_process.h"
#include "core/module_data.h"
#include "file_bytes.h"
#include "files/analysis_csv.h"
#include "files/data_file.h"

namespace {

class ExportStreamTest : public ::testing::Test {
 protected:
  int Run(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    if (limit_ > 0) p.setChildProcessModifier([limit = limit_] { LimitFileSizeForChild(limit); });
    p.start(QStringLiteral(KORVALE_PROGRAM), args);
    EXPECT_TRUE(p.waitForFinished(120000));
    err_ = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QTemporaryDir dir_;
  QString err_;
  rlim_t limit_ = 0;
};

// A record set of n samples at 1 s from start: unit 0 a slow wave, unit 2 with holes and the
// driver's -300 now and then; unit 3 only where with3 says.
void Fill(ModuleData& md, const QDateTime& start, int32_t first, int32_t n, bool with3 = false) {
  md.ClearData();
  md.Record.StartTime = start.toString(QStringLiteral("yyyy/M/d H:m:s"));
  md.Record.MemoText[0] = QStringLiteral("炉の昇温試験");
  md.Record.IntervalTM = 1000;
  md.Record.Units[0].ConnectID = 4;
  md.Record.Units[2].ConnectID = 7;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t s = first + k;
    md.Record.Units[0].Data[k] = static_cast<float>(25 + 40 * std::sin(s * 0.001));
    md.Record.Units[2].Data[k] = s % 97 == 0   ? RecordSet::NoData
                                 : s % 89 == 0 ? RecordSet::NotConverted
                                               : static_cast<float>(s) / 7;
    if (with3) md.Record.Units[3].Data[k] = -static_cast<float>(s) / 3;
  }
  md.Record.SampleCount = n;
}

TEST_F(ExportStreamTest, InputsThatLackRecordsAreConvertedAsFarAsTheyGoAndSaid) {
  const QDateTime start(QDate(2026, 12, 8), QTime(5, 3, 35));
  ModuleData md;
  Fill(md, start, 0, 272);
  ASSERT_TRUE(SaveDataFile(md.Record, Path("whole.mx1")));
  const QByteArray whole = FileBytes(Path("whole.mx1"));
  md.Record.SampleCount = 271;
  ASSERT_TRUE(SaveDataFile(md.Record, Path("first271.mx1")));
  const qsizetype header = whole.size() - 272 * 32;
  const QByteArray journal = EncodeDataHeader(md.Record, 0) + whole.mid(header, 271 * 32);
  Fill(md, start.addSecs(1000), 1000, 5);
  ASSERT_TRUE(SaveDataFile(md.Record, Path("later.mx1")));
  ASSERT_EQ(Run({"--convert", Path("first271.mx1"), Path("first271.csv")}), 0);

  struct Case {
    const char* name;
    QByteArray bytes;
    int code;
    QString line;
  };
  const Case cases[] = {
      {"short.mx1", whole.chopped(32), 4,
       QStringLiteral("記録が 1 件欠けています（ヘッダーは 272 件、読めたのは 271 件）。")},
      {"cut.mx1", whole.chopped(5), 4,
       QStringLiteral("記録が 1 件欠けています（ヘッダーは 272 件")},
      // A journal's header counts nothing: only an end inside a record is missing.
      {"journal.mx1", journal, 0, QString()},
      {"torn-journal.mx1", journal + QByteArray(20, '\0'), 4,
       QStringLiteral("最後の記録が途中で切れています（1 件欠けています")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString in = Path(QString::fromLatin1(c.name));
    WriteBytes(in, c.bytes);
    EXPECT_EQ(Run({"--convert", in, Path("out.csv")}), c.code);
    EXPECT_EQ(FileBytes(Path("out.csv")), FileBytes(Path("first271.csv")));
    if (c.code == 0) {
      EXPECT_TRUE(err_.isEmpty()) << err_.toStdString();
      continue;
    }
    EXPECT_TRUE(err_.startsWith(QStringLiteral("korvale: %1: %2").arg(in, c.line)))
        << err_.toStdString();
    EXPECT_EQ(err_.count(QLatin1Char('\n')), 1);
  }

  // The export writes the table of what is there and names only the input that lacks records.
  ASSERT_EQ(Run({"--export", Path("later.mx1"), Path("first271.mx1"), Path("expected.csv")}), 0);
  EXPECT_EQ(Run({"--export", Path("later.mx1"), Path("short.mx1"), Path("table.csv")}), 4);
  EXPECT_EQ(err_.count(QLatin1Char('\n')), 1) << err_.toStdString();
  EXPECT_TRUE(err_.contains(Path("short.mx1"))) << err_.toStdString();
  EXPECT_EQ(FileBytes(Path("table.csv")), FileBytes(Path("expected.csv")));
}

TEST_F(ExportStreamTest, ThePiecesOfARecordingExportAsTheWholeAndAFullDiskKeepsTheOldTable) {
  // Sizes around the rows written at a time; unit 3 has values in one piece only.
  const int32_t sizes[] = {5000, 4096, 4097, 1, 8191, 3, 6000, 5000, 4500, 10000, 2, 7000};
  const QDateTime start(QDate(2026, 12, 8), QTime(1, 2, 3));
  ModuleData md;
  QStringList pieces;
  int32_t first = 0;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    Fill(md, start.addSecs(first), first, sizes[i], i == 6);
    pieces << Path(QStringLiteral("piece-%1.mx1").arg(i));
    ASSERT_TRUE(SaveDataFile(md.Record, pieces.back()));
    first += sizes[i];
  }
  // The same samples as one record set.
  ModuleData all;
  all.ClearData();
  first = 0;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    Fill(md, start.addSecs(first), first, sizes[i], i == 6);
    for (int u = 0; u < 4; ++u) {
      std::copy_n(md.Record.Units[u].Data.begin(), sizes[i],
                  all.Record.Units[u].Data.begin() + first);
    }
    first += sizes[i];
  }
  all.Record.StartTime = start.toString(QStringLiteral("yyyy/M/d H:m:s"));
  all.Record.MemoText = md.Record.MemoText;
  all.Record.IntervalTM = 1000;
  all.Record.Units[0].ConnectID = 4;
  all.Record.Units[2].ConnectID = 7;
  all.Record.Units[0].MflagID = all.Record.Units[2].MflagID = all.Record.Units[3].MflagID = true;
  all.Record.SampleCount = first;
  std::string expected;
  ASSERT_TRUE(EncodeAnalysisCsv(all.Record, expected));

  // Given in another order than their times.
  std::reverse(pieces.begin(), pieces.end());
  std::swap(pieces[2], pieces[7]);
  ASSERT_EQ(Run(QStringList{QStringLiteral("--export")} + pieces + QStringList{Path("all.csv")}), 0)
      << err_.toStdString();
  const QByteArray table = FileBytes(Path("all.csv"));
  ASSERT_GT(table.size(), 2 << 20);  // more than one write
  EXPECT_TRUE(table == QByteArray::fromStdString(expected));

  // The disk takes a part of the table only: the old table stays, nothing else is left.
  limit_ = 1536 * 1024;
  WriteBytes(Path("all.csv"), "previous");
  EXPECT_EQ(Run(QStringList{QStringLiteral("--export")} + pieces + QStringList{Path("all.csv")}),
            1);
  EXPECT_TRUE(err_.contains(Path("all.csv"))) << err_.toStdString();
  EXPECT_EQ(FileBytes(Path("all.csv")), QByteArray("previous"));
  EXPECT_TRUE(QDir(dir_.path()).entryList({QStringLiteral(".korvale-*")}, QDir::Hidden).isEmpty());
}

}  // namespace
