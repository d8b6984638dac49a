// The analysis CSV: what a real client (pandas) reads from the save window's third format, the
// clock times across changes of the zone's offset, and `korvale --export` joining the files of a
// recording into one table.
#include "files/analysis_csv.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "core/command_line.h"
#include "core/module_data.h"
#include "dialogs/dialog_memo.h"
#include "file_bytes.h"
#include "files/data_file.h"
#include "scripted_dialogs.h"

namespace {

// Sets the local zone of this process for the life of the object.
class LocalZone {
 public:
  explicit LocalZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~LocalZone() {
    if (old_.empty()) {
      unsetenv("TZ");
    } else {
      setenv("TZ", old_.c_str(), 1);
    }
    tzset();
  }

 private:
  std::string old_;
};

// Whether text holds piece; the text is shown when it does not.
::testing::AssertionResult Holds(const std::string& text, const std::string& piece) {
  if (text.find(piece) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << piece << "\" in\n" << text;
}

// Runs a program; returns its exit code with its standard output and error.
int RunProgram(const QString& program, const QStringList& args, QString& out, QString& err) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  env.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Tokyo"));
  p.setProcessEnvironment(env);
  p.start(program, args);
  EXPECT_TRUE(p.waitForFinished(120000));
  out = QString::fromUtf8(p.readAllStandardOutput());
  err = QString::fromUtf8(p.readAllStandardError());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(AnalysisCsvTest, PandasReadsTheSaveWindowsFileAsTimesAndTheSameSingles) {
  const LocalZone zone("Asia/Tokyo");
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("run.csv"));
  ModuleData md;
  md.Record.StartTime = QStringLiteral("2026/12/8 5:3:35");
  md.Record.IntervalTM = 30;
  md.Record.Units[0].MflagID = md.Record.Units[2].MflagID = true;
  md.Record.Units[0].ConnectID = md.Record.Units[1].ConnectID = 4;  // unit 1 unused: no column
  md.Record.Units[2].ConnectID = 7;
  const std::vector<float> unit0 = {23.5f, 1.0f / 3, -300.0f, 1820.1f, 0.1f};
  const std::vector<float> unit2 = {100.25f, RecordSet::NoData, -12.125f, 7e-5f};
  std::copy(unit0.begin(), unit0.end(), md.Record.Units[0].Data.begin());
  std::copy(unit2.begin(), unit2.end(), md.Record.Units[2].Data.begin());
  md.Record.Units[0].DataCount = 5;
  md.Record.Units[2].DataCount = 4;  // sample 5 of unit 2 is beyond its count
  md.Record.SampleCount = 5;

  // The save window's third choice, with memo lines that a careless writer would break on.
  ScriptedDialogs dialogs;
  DialogMemo window(md, dialogs);
  EXPECT_EQ(window.optFiletype[2]->text(), QStringLiteral("解析用CSV (UTF-8, 時刻付き)"));
  window.optFiletype[2]->setChecked(true);
  window.txtMemo[0]->setText(QStringLiteral("炉 #1, \"A\" 棚 \u20ac"));
  window.txtMemo[1]->setText(QStringLiteral("2行目\n3,4"));
  dialogs.saveFiles = {path};
  window.OKButton->click();
  EXPECT_EQ(window.result(), QDialog::Accepted) << dialogs.LastText().toStdString();
  EXPECT_EQ(dialogs.fileFilters,
            std::vector<QString>{QStringLiteral("解析用CSVファイル  (*.csv)|*.csv|")});

  const std::string text = FileBytes(path).toStdString();
  EXPECT_EQ(text.rfind("# program: korvale ", 0), 0u) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_TRUE(Holds(text, "\n# start: 2026-12-08T05:03:35+09:00\n"));
  EXPECT_TRUE(Holds(text, "\n# memo1: 炉 #1, \"A\" 棚 \u20ac\n# memo2: 2行目 3,4\n"));
  EXPECT_TRUE(Holds(text,
                    "\ntime,elapsed_s,sample,ID0 K (°C),ID2 T (°C)\n"
                    "2026-12-08T05:03:35.030+09:00,0.03,0,23.5,100.25\n"
                    "2026-12-08T05:03:35.060+09:00,0.06,1,0.33333334,\n"
                    "2026-12-08T05:03:35.090+09:00,0.09,2,,-12.125\n"));

  // pandas as an analyst calls it; the values narrowed back to single, as exact hexadecimals.
  const char* script =
      "import sys, numpy, pandas\n"
      "df = pandas.read_csv(sys.argv[1], comment='#', parse_dates=['time'])\n"
      "print(','.join(df.columns))\n"
      "print(' '.join(str(df[c].dtype) for c in df.columns))\n"
      "print(' '.join(str(t) for t in df['time'].astype('int64') // 10**6))\n"
      "print(' '.join(float(v).hex() for v in df['elapsed_s']))\n"
      "for c in df.columns[3:]:\n"
      "  print(' '.join('nan' if v != v else float(numpy.float32(v)).hex() for v in df[c]))\n";
  QString out, err;
  ASSERT_EQ(RunProgram(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-c"), QString::fromUtf8(script), path}, out, err),
            0)
      << err.toStdString();
  const QStringList got = out.split(QLatin1Char('\n'));
  ASSERT_GE(got.size(), 6);
  EXPECT_EQ(got[0].toStdString(), "time,elapsed_s,sample,ID0 K (°C),ID2 T (°C)");
  EXPECT_TRUE(got[1].startsWith(QStringLiteral("datetime64[ns, ")) &&
              got[1].endsWith(QStringLiteral("] float64 int64 float64 float64")))
      << got[1].toStdString();
  const qint64 start = QDateTime(QDate(2026, 12, 7), QTime(20, 3, 35), Qt::UTC).toMSecsSinceEpoch();
  const double nan = std::nan("");
  const double values[2][5] = {{23.5f, 1.0f / 3, nan, 1820.1f, 0.1f},
                               {100.25f, nan, -12.125f, 7e-5f, nan}};
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    auto item = [&got, k](int line) { return got[line].split(QLatin1Char(' ')).value(k); };
    auto number = [&item](int line) { return std::strtod(item(line).toLatin1(), nullptr); };
    EXPECT_EQ(item(2).toLongLong(), start + 30 * (k + 1));
    EXPECT_EQ(number(3), 30 * (k + 1) / 1000.0);
    for (int c = 0; c < 2; ++c) {
      EXPECT_TRUE(std::isnan(values[c][k]) ? std::isnan(number(4 + c))
                                           : number(4 + c) == values[c][k])
          << item(4 + c).toStdString();
    }
  }
}

TEST(AnalysisCsvTest, ClockTimesFollowTheZoneWhenItsOffsetChanges) {
  const LocalZone zone("Europe/Berlin");
  ModuleData md;
  md.Record.Units[0].MflagID = true;
  for (int k = 0; k < 8; ++k) md.Record.Units[0].Data[k] = static_cast<float>(k);
  md.Record.Units[0].DataCount = md.Record.SampleCount = 8;
  // 2:00 occurs twice on 2026-10-25 (clocks go back at 3:00 summer time): the first is taken.
  md.Record.StartTime = QStringLiteral("2026/10/25 2:00:00");
  md.Record.IntervalTM = 600000;
  std::string out;
  ASSERT_TRUE(EncodeAnalysisCsv(md.Record, out));
  EXPECT_TRUE(Holds(out, "\n# start: 2026-10-25T02:00:00+02:00\n"));
  EXPECT_TRUE(Holds(out,
                    "\n2026-10-25T02:50:00.000+02:00,3000,4,4\n"
                    "2026-10-25T02:00:00.000+01:00,3600,5,5\n"
                    "2026-10-25T02:10:00.000+01:00,4200,6,6\n"));

  // 2:30 never occurs on 2026-03-29: read with the offset before the change.
  md.Record.StartTime = QStringLiteral("2026/03/29 02:30:00");
  md.Record.IntervalTM = 1000;
  ASSERT_TRUE(EncodeAnalysisCsv(md.Record, out));
  EXPECT_TRUE(Holds(out, "\n# start: 2026-03-29T03:30:00+02:00\n"));
  EXPECT_TRUE(Holds(out, "\n2026-03-29T03:30:01.000+02:00,1,0,0\n"));

  md.Record.StartTime = QString(19, QLatin1Char(' '));
  QString reason;
  EXPECT_FALSE(EncodeAnalysisCsv(md.Record, out, &reason));
  EXPECT_TRUE(reason.contains(QStringLiteral("開始時刻")));
}

// Own data files of a recording: start, interval, and per unit (0, 1) the values (none: unused).
void WriteRecording(const QString& path, const char* start, int32_t interval,
                    const std::vector<float>& unit0, const std::vector<float>& unit1 = {}) {
  ModuleData md;
  md.Record.StartTime = QString::fromLatin1(start);
  md.Record.IntervalTM = interval;
  md.Record.Units[0].ConnectID = 4;
  md.Record.Units[1].ConnectID = 7;
  std::copy(unit0.begin(), unit0.end(), md.Record.Units[0].Data.begin());
  std::copy(unit1.begin(), unit1.end(), md.Record.Units[1].Data.begin());
  md.Record.SampleCount = static_cast<int32_t>(unit0.size());
  ASSERT_TRUE(SaveDataFile(md.Record, path));
}

TEST(AnalysisCsvTest, ExportJoinsFilesInTimeOrderAndRefusesFilesThatDoNotFit) {
  QTemporaryDir dir;
  auto path = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  WriteRecording(path("a.mx1"), "2026/12/8 5:0:0", 1000, {1, 2, 3});
  WriteRecording(path("b.mx1"), "2026/12/8 5:0:3", 1000, {4, 5}, {40, 50});
  WriteRecording(path("c.mx1"), "2026/12/8 5:0:10", 1000, {6, 7});
  const QString program = QStringLiteral(KORVALE_PROGRAM);
  QString out, err;
  ASSERT_EQ(RunProgram(program,
                       {QStringLiteral("--export"), path("c.mx1"), path("a.mx1"), path("b.mx1"),
                        path("all.csv")},
                       out, err),
            0)
      << err.toStdString();
  const QByteArray csv = FileBytes(path("all.csv"));
  EXPECT_TRUE(csv.contains("# start: 2026-12-08T05:00:00+09:00\n"));
  EXPECT_TRUE(
      csv.endsWith("time,elapsed_s,sample,ID0 K (°C),ID1 T (°C)\n"
                   "2026-12-08T05:00:01.000+09:00,1,0,1,\n"
                   "2026-12-08T05:00:02.000+09:00,2,1,2,\n"
                   "2026-12-08T05:00:03.000+09:00,3,2,3,\n"
                   "2026-12-08T05:00:04.000+09:00,4,3,4,40\n"
                   "2026-12-08T05:00:05.000+09:00,5,4,5,50\n"
                   "2026-12-08T05:00:11.000+09:00,11,5,6,\n"
                   "2026-12-08T05:00:12.000+09:00,12,6,7,\n"))
      << csv.toStdString();

  // Inputs that do not fit one table, and outputs that cannot be written: one line naming the
  // file (and the other file of a mismatch), and the output as it was.
  WriteRecording(path("half.mx1"), "2026/12/8 6:0:0", 500, {1});
  WriteRecording(path("overlap.mx1"), "2026/12/8 5:0:2", 1000, {9});
  WriteBytes(path("kept.csv"), "old");
  struct Case {
    QStringList args;
    QStringList named;
  };
  const Case cases[] = {
      {{path("a.mx1"), path("half.mx1"), path("kept.csv")}, {path("a.mx1"), path("half.mx1")}},
      {{path("overlap.mx1"), path("a.mx1"), path("kept.csv")},
       {path("a.mx1"), path("overlap.mx1")}},
      {{path("a.mx1"), path("missing.mx1"), path("kept.csv")}, {path("missing.mx1")}},
      {{path("a.mx1"), path("b.mx1")}, {path("b.mx1")}},  // output forgotten: b is no CSV
      {{path("a.mx1"), path("no-folder/new.csv")}, {path("no-folder/new.csv")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    EXPECT_EQ(RunProgram(program, QStringList{QStringLiteral("--export")} + c.args, out, err), 1);
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    for (const QString& name : c.named) EXPECT_TRUE(err.contains(name)) << err.toStdString();
  }
  EXPECT_EQ(FileBytes(path("kept.csv")), QByteArray("old"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 7);

  EXPECT_EQ(ParseCommandLine({"--export", "a.mx1"}).action, CommandLine::Action::Error);
}

}  // namespace
