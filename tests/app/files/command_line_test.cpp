// The command line: option parsing, and the conversion run as the program itself, without a
// display, on the same read and save as the window's commands.
#include "core/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "child_process.h"
#include "core/module_data.h"
#include "file_bytes.h"
#include "files/data_file.h"

namespace {

TEST(CommandLineTest, OptionsAndErrors) {
  using A = CommandLine::Action;
  auto parse = [](std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* a : args) list << QString::fromUtf8(a);
    return ParseCommandLine(list);
  };
  EXPECT_EQ(parse({}).action, A::Run);
  const CommandLine run = parse({"--demo", "-platform", "offscreen", "--start"});
  EXPECT_EQ(run.action, A::Run);
  EXPECT_TRUE(run.demo && run.start);
  EXPECT_EQ(run.passOn, (QStringList{"-platform", "offscreen"}));
  const CommandLine convert = parse({"--convert", "a b.mx1", "--x.csv"});
  EXPECT_EQ(convert.action, A::Convert);
  EXPECT_EQ(convert.input, QStringLiteral("a b.mx1"));
  EXPECT_EQ(convert.output, QStringLiteral("--x.csv"));
  EXPECT_EQ(parse({"--convert", "a.mx1", "b.csv", "--help"}).action, A::Help);
  EXPECT_EQ(parse({"--version"}).action, A::Version);
  const CommandLine record = parse({"--record", "d", "--for", "7d", "--settings", "s.ini"});
  EXPECT_EQ(record.action, A::Record);
  EXPECT_EQ(record.recordFolder, QStringLiteral("d"));
  EXPECT_EQ(record.settingsFile, QStringLiteral("s.ini"));
  EXPECT_EQ(record.recordForMs, int64_t{7} * 86400 * 1000);
  EXPECT_EQ(ParseDuration(QStringLiteral("90s")), 90000);
  EXPECT_EQ(ParseDuration(QStringLiteral("30m")), 1800000);
  EXPECT_EQ(ParseDuration(QStringLiteral("2h")), 7200000);
  for (const char* bad : {"0s", "1.5h", "h", "5", "-1m"}) {
    EXPECT_FALSE(ParseDuration(QString::fromLatin1(bad))) << bad;
  }
  for (const auto& bad : {parse({"--convert", "a.mx1"}), parse({"--conver"}), parse({"file.mx1"}),
                          parse({"--convert", "a.mx1", "b.csv", "--start"}),
                          parse({"--record", "d", "--start"}), parse({"--stream"})}) {
    EXPECT_EQ(bad.action, A::Error);
    EXPECT_FALSE(bad.error.isEmpty());
  }
}

class ConvertTest : public ::testing::Test {
 protected:
  // Runs the program with no display; returns its exit code.
  int Run(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    if (limit_ > 0) p.setChildProcessModifier([limit = limit_] { LimitFileSizeForChild(limit); });
    p.start(QStringLiteral(KORVALE_PROGRAM), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    out_ = QString::fromUtf8(p.readAllStandardOutput());
    err_ = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QTemporaryDir dir_;
  QString out_, err_;
  rlim_t limit_ = 0;  // a file-size limit on the program, when not 0
};

TEST_F(ConvertTest, WritesWhatSaveWritesAfterARead) {
  ModuleData md;
  md.Record.StartTime = QStringLiteral("2008/12/25 9:30:15");
  md.Record.MemoText[0] = QStringLiteral("温度");
  md.Record.Units[2].MflagID = true;
  for (int k = 0; k < 5; ++k) {
    md.Record.Units[0].Data[k] = 20.25f + k;
    md.Record.Units[2].Data[k] = k == 1 ? RecordSet::NoData : -1.0f / 3 - k;
  }
  md.Record.Units[0].DataCount = md.Record.Units[2].DataCount = 5;
  md.Record.SampleCount = 5;
  md.Record.MemoText[1] = QStringLiteral("ID2=\"sample\", bath");
  ASSERT_TRUE(SaveDataFile(md.Record, Path("in.mx1")));
  // Bytes that are not code page 932 in the start time and the first memo line.
  QByteArray bytes = FileBytes(Path("in.mx1"));
  bytes.replace(QByteArray("9:30:15"), QByteArray("9:30:\xfd\xfe"));
  bytes.replace(QByteArray::fromHex("89b79378"), QByteArray::fromHex("fda0feff"));
  WriteBytes(Path("in.mx1"), bytes);

  ASSERT_EQ(Run({"--convert", Path("in.mx1"), Path("out.csv")}), 0) << err_.toStdString();
  EXPECT_TRUE(err_.isEmpty());
  EXPECT_TRUE(FileBytes(Path("out.csv")).contains(QByteArray::fromHex("22fda0feff22")));
  // The memo with a double quote and a comma is one item to a strict CSV reader.
  QProcess reader;
  reader.start(
      QStringLiteral("/usr/bin/python3"),
      {QStringLiteral("-c"),
       QStringLiteral("import csv, sys\n"
                      "f = open(sys.argv[1], encoding='cp932', errors='replace', newline='')\n"
                      "print(list(csv.reader(f, strict=True))[3])"),
       Path("out.csv")});
  ASSERT_TRUE(reader.waitForFinished(30000));
  EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(),
            QStringLiteral("['メモ２', 'ID2=\"sample\", bath']"));
  // What "保存" writes after "読込み" of the file.
  ModuleData read;
  ASSERT_EQ(ReadDataFile(read, Path("in.mx1")), ReadResult::Read);
  QByteArray csv;
  ASSERT_TRUE(EncodeCsv(read.Record, csv));
  EXPECT_EQ(FileBytes(Path("out.csv")), csv);

  ASSERT_EQ(Run({"--convert", Path("in.mx1"), Path("out.mx1")}), 0) << err_.toStdString();
  EXPECT_EQ(FileBytes(Path("out.mx1")), FileBytes(Path("in.mx1")));

  // The printed page, over an older file of that name; nothing else is left in the folder.
  WriteBytes(Path("out.pdf"), "old");
  ASSERT_EQ(Run({"--convert", Path("in.mx1"), Path("out.pdf")}), 0) << err_.toStdString();
  EXPECT_TRUE(err_.isEmpty()) << err_.toStdString();
  EXPECT_TRUE(FileBytes(Path("out.pdf")).startsWith("%PDF"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);

  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_TRUE(out_.startsWith(QStringLiteral("korvale ")));
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_TRUE(out_.contains(QStringLiteral("--convert")));
}

TEST_F(ConvertTest, FailuresExitNonZeroWithOneLineAndLeaveTheOutputAlone) {
  WriteBytes(Path("cut.mx1"), QByteArray::fromHex("1200") + "2008/12/25");
  WriteBytes(Path("empty.mx1"), EncodeDataHeader(RecordSet(), 0));
  WriteBytes(Path("kept.csv"), "old");
  WriteBytes(Path("kept.pdf"), "old");
  ModuleData md;
  md.Record.Units[0].Data[0] = 23.5f;
  md.Record.SampleCount = 1;
  ASSERT_TRUE(SaveDataFile(md.Record, Path("good.mx1")));
  struct Case {
    QString input, output, named;
  };
  const Case cases[] = {
      {Path("cut.mx1"), Path("kept.csv"), Path("cut.mx1")},
      {Path("empty.mx1"), Path("new.mx1"), Path("empty.mx1")},
      {Path("empty.mx1"), Path("new.txt"), Path("new.txt")},
      {Path("good.mx1"), Path("no-folder/new.csv"), Path("no-folder/new.csv")},
      {Path("cut.mx1"), Path("kept.pdf"), Path("cut.mx1")},
      {Path("good.mx1"), Path("no-folder/new.pdf"), Path("no-folder/new.pdf")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input.toStdString() + " -> " + c.output.toStdString());
    EXPECT_NE(Run({"--convert", c.input, c.output}), 0);
    EXPECT_EQ(err_.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(err_.contains(c.named)) << err_.toStdString();
  }
  EXPECT_EQ(FileBytes(Path("kept.csv")), QByteArray("old"));
  EXPECT_EQ(FileBytes(Path("kept.pdf")), QByteArray("old"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
  EXPECT_NE(Run({"--convert", Path("cut.mx1")}), 0);
}

// A full disk, made real by a file-size limit on the program: each format keeps the previous
// output byte for byte, exits 1 with its line, and leaves nothing else in the folder.
TEST_F(ConvertTest, WriteFailureKeepsThePreviousOutput) {
  ModuleData md;
  md.Record.StartTime = QStringLiteral("2008/12/25 9:30:15");
  for (int k = 0; k < 3; ++k) md.Record.Units[0].Data[k] = 20.5f + k;
  md.Record.SampleCount = md.Record.Units[0].DataCount = 3;
  ASSERT_TRUE(SaveDataFile(md.Record, Path("in.mx1")));
  // The page's graph picture is written first and is smaller than the page: a limit just below
  // the page's size lets the picture through and cuts the page.
  ASSERT_EQ(Run({"--convert", Path("in.mx1"), Path("probe.pdf")}), 0) << err_.toStdString();
  const qint64 pdfSize = QFileInfo(Path("probe.pdf")).size();
  ASSERT_TRUE(QFile::remove(Path("probe.pdf")));

  const std::pair<const char*, qint64> cases[] = {
      {"out.mx1", 100}, {"out.csv", 100}, {"out.pdf", pdfSize - 512}};
  for (const auto& [name, limit] : cases) {
    SCOPED_TRACE(name);
    WriteBytes(Path(name), "previous");
    limit_ = static_cast<rlim_t>(limit);
    EXPECT_EQ(Run({"--convert", Path("in.mx1"), Path(name)}), 1);
    EXPECT_EQ(err_.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(err_.contains(Path(name))) << err_.toStdString();
    EXPECT_EQ(FileBytes(Path(name)), QByteArray("previous"));
  }
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList({"in.mx1", "out.csv", "out.mx1", "out.pdf"}));
}

// Inputs and outputs that are not what they seem are refused at once, before anything is read or
// written; a link to another file is followed in every format.
TEST_F(ConvertTest, RefusesPipesAndOutputsThatAreTheInput) {
  ModuleData md;
  md.Record.SampleCount = md.Record.Units[0].DataCount = 1;
  ASSERT_TRUE(SaveDataFile(md.Record, Path("in.mx1")));
  const QByteArray input = FileBytes(Path("in.mx1"));
  ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link(Path("in.mx1"), Path("link.csv")));
  ASSERT_TRUE(QFile::link(Path("pipe"), Path("pipe.pdf")));
  ASSERT_EQ(link(QFile::encodeName(Path("in.mx1")).constData(),
                 QFile::encodeName(Path("hard.mx1")).constData()),
            0);
  const std::pair<const char*, const char*> refused[] = {
      {"pipe", "out.csv"}, {"in.mx1", "link.csv"}, {"in.mx1", "hard.mx1"}, {"in.mx1", "pipe.pdf"}};
  for (const auto& [in, out] : refused) {
    SCOPED_TRACE(out);
    EXPECT_EQ(Run({"--convert", Path(in), Path(out)}), 1);
    EXPECT_EQ(err_.count(QLatin1Char('\n')), 1);
  }
  // The export as well.
  EXPECT_EQ(Run({"--export", Path("in.mx1"), Path("link.csv")}), 1);
  EXPECT_TRUE(err_.contains(Path("link.csv"))) << err_.toStdString();
  EXPECT_EQ(FileBytes(Path("in.mx1")), input);
  EXPECT_FALSE(QFile::exists(Path("out.csv")));
  EXPECT_EQ(QFileInfo(Path("pipe.pdf")).symLinkTarget(), Path("pipe"));

  WriteBytes(Path("other.pdf"), "old");
  ASSERT_TRUE(QFile::link(Path("other.pdf"), Path("to-other.pdf")));
  ASSERT_EQ(Run({"--convert", Path("in.mx1"), Path("to-other.pdf")}), 0) << err_.toStdString();
  EXPECT_TRUE(QFileInfo(Path("to-other.pdf")).isSymLink());
  EXPECT_TRUE(FileBytes(Path("other.pdf")).startsWith("%PDF"));
}

}  // namespace
