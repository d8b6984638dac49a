// `korvale --record` as a process without a display, on the simulated demonstration units in real
// time: a signal ends it with its samples in a readable file, a killed one leaves its journal for
// the next start, and a driver or usage error ends it with its exit code.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <vector>

#include "child_process.h"
#include "core/module_data.h"
#include "files/data_file.h"

namespace {

class RecordCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // Units 0 and 1 sampling every 10 ms on their own clock.
    QFile ini(Path("settings.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[MeasInfo]\nMflagID0=True\nMflagID1=True\nConnectID1=4\nTimerType=False\n"
        "IntervalTM=10\nMeasKind=False\nDataAverage=False\n");
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QString Journals() const { return Path("data") + QStringLiteral("/korvale"); }

  // Starts the program on the demonstration units with its own per-user folders and no display.
  void Start(QProcess& p, const QStringList& args, const QString& simulate = "demo") {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("USBKIT_SIMULATE"), simulate);
    env.insert(QStringLiteral("XDG_DATA_HOME"), Path("data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVALE_PROGRAM), args);
    ASSERT_TRUE(p.waitForStarted());
  }

  // Runs the program to its end; returns its exit code.
  int Run(const QStringList& args, const QString& simulate = "demo") {
    QProcess p;
    Start(p, args, simulate);
    EXPECT_TRUE(p.waitForFinished(60000));
    out_ = p.readAllStandardOutput();
    err_ = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  static DataFileImage Read(const QString& path) {
    DataFileImage image;
    QString error;
    EXPECT_TRUE(ReadDataFileImage(path, image, &error)) << error.toStdString();
    return image;
  }

  QTemporaryDir dir_;
  QByteArray out_;
  QString err_;
};

TEST_F(RecordCommandTest, SigtermWritesTheSamplesSoFarAsTheLastFileAndExitsZero) {
  QProcess p;
  Start(p, {"--record", Path("records"), "--settings", Path("settings.ini")});
  EXPECT_FALSE(p.waitForFinished(3000));
  ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), SIGTERM), 0);
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << err.toStdString();

  const QStringList files = QDir(Path("records")).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
  EXPECT_TRUE(files[0].endsWith(QStringLiteral("-0001.mx1")));
  const DataFileImage image = Read(QDir(Path("records")).filePath(files[0]));
  // About 100 samples a second for nearly three seconds, on both units from the first sample.
  EXPECT_GT(image.Records, 150);
  EXPECT_NE(image.Data[0][0], RecordSet::NoData);
  EXPECT_NE(image.Data[1][0], RecordSet::NoData);
  EXPECT_EQ(image.Data[2][0], RecordSet::NoData);
  // One line for the file; the journal is gone with the normal end.
  EXPECT_EQ(err.count(QStringLiteral("-0001.mx1（%1 件）").arg(image.Records)), 1)
      << err.toStdString();
  EXPECT_TRUE(QDir(Journals()).entryList({QStringLiteral("journal-*")}, QDir::Files).isEmpty());
}

TEST_F(RecordCommandTest, AKilledRecordingLeavesItsJournalWhichTheNextStartKeeps) {
  QProcess p;
  Start(p, {"--record", Path("records"), "--settings", Path("settings.ini")});
  // Until the journal holds at least a second of samples.
  QString journal;
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 30000) {
    const QStringList names =
        QDir(Journals()).entryList({QStringLiteral("journal-*.mx1")}, QDir::Files);
    if (!names.isEmpty()) journal = QDir(Journals()).filePath(names[0]);
    if (!journal.isEmpty() && QFileInfo(journal).size() > 100 * 32) break;
    QThread::msleep(100);
  }
  ASSERT_FALSE(journal.isEmpty());
  ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), SIGKILL), 0);
  ASSERT_TRUE(p.waitForFinished(30000));
  const DataFileImage left = Read(journal);
  ASSERT_GE(left.Records, 100);

  ASSERT_EQ(Run({"--record", Path("records"), "--for", "1s", "--settings", Path("settings.ini")}),
            0)
      << err_.toStdString();
  EXPECT_TRUE(err_.contains(QStringLiteral("前回の測定データ (%1 件)").arg(left.Records)))
      << err_.toStdString();
  const QStringList kept = QDir(Journals()).entryList({QStringLiteral("korvale-*.mx1")});
  ASSERT_EQ(kept.size(), 1);
  const DataFileImage image = Read(QDir(Journals()).filePath(kept[0]));
  EXPECT_EQ(image.Records, left.Records);
  EXPECT_EQ(image.Data[1], left.Data[1]);
  // The second run recorded for its second, into a file of its own.
  EXPECT_EQ(QDir(Path("records")).entryList(QDir::Files).size(), 1);
}

// The rows of --stream: the values of each row after the time, elapsed time and sample number,
// one row per sample, the preamble and the header row left out.
std::vector<QStringList> StreamRows(const QByteArray& out, QString* header) {
  std::vector<QStringList> rows;
  for (const QByteArray& line : out.split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList cells = QString::fromUtf8(line).split(QLatin1Char(','));
    if (header->isEmpty()) {
      *header = QString::fromUtf8(line);
      continue;
    }
    rows.push_back(cells.mid(3));
  }
  return rows;
}

TEST_F(RecordCommandTest, StreamRowsAreTheFilesSamplesAndAClosedPipeEndsTheRecording) {
  ASSERT_EQ(Run({"--record", Path("records"), "--for", "2s", "--stream", "--settings",
                 Path("settings.ini")}),
            0)
      << err_.toStdString();
  QString header;
  const std::vector<QStringList> rows = StreamRows(out_, &header);
  EXPECT_TRUE(header.startsWith(QStringLiteral("time,elapsed_s,sample,"))) << header.toStdString();
  const QStringList files = QDir(Path("records")).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  const DataFileImage image = Read(QDir(Path("records")).filePath(files[0]));
  ASSERT_GT(image.Records, 100);
  ASSERT_EQ(static_cast<int32_t>(rows.size()), image.Records);
  for (int32_t k = 0; k < image.Records; ++k) {
    ASSERT_EQ(rows[k].size(), 2) << k;
    for (int unit = 0; unit < 2; ++unit) {
      ASSERT_EQ(rows[k][unit].toFloat(), image.Data[unit][k]) << "unit " << unit << " row " << k;
    }
  }

  // A reader that goes away after the first rows (head) ends the recording as SIGTERM does.
  QProcess p;
  QProcess reader;
  p.setStandardOutputProcess(&reader);
  reader.start(QStringLiteral("head"), {QStringLiteral("-c"), QStringLiteral("2000")});
  Start(p, {"--record", Path("piped"), "--stream", "--settings", Path("settings.ini")});
  ASSERT_TRUE(reader.waitForFinished(30000));
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const QStringList piped = QDir(Path("piped")).entryList(QDir::Files);
  ASSERT_EQ(piped.size(), 1);
  Read(QDir(Path("piped")).filePath(piped[0]));
}

TEST_F(RecordCommandTest, UsageErrorsExitTwoAndADriverErrorOne) {
  EXPECT_EQ(Run({"--record"}), 2);
  EXPECT_EQ(Run({"--record", Path("records"), "--for", "5x"}), 2);
  EXPECT_EQ(Run({"--for", "5s"}), 2);
  EXPECT_EQ(Run({"--record", Path("records"), "--settings", Path("missing.ini")}), 2);
  EXPECT_TRUE(err_.contains(QStringLiteral("missing.ini"))) << err_.toStdString();
  // No unit plugged in: the driver's message, and nothing recorded.
  EXPECT_EQ(Run({"--record", Path("records"), "--settings", Path("settings.ini")}, "none"), 1);
  EXPECT_TRUE(err_.contains(QStringLiteral("korvale: 指定のデバイスが見つからない")))
      << err_.toStdString();
  EXPECT_TRUE(QDir(Path("records")).entryList(QDir::Files).isEmpty());
}

TEST_F(RecordCommandTest, AnAlarmSectionLogsEachEventAsItHappensAndRunsTheCommand) {
  // Unit 1 (type K) is far above -200 degC from its first sample on.
  QFile ini(Path("settings.ini"));
  ASSERT_TRUE(ini.open(QIODevice::Append));
  const QString out = Path("command.txt");
  const QString pids = Path("pids.txt");
  // The command fills its standard error (more than any pipe holds) before it writes its
  // environment, and stays until the recording's end ends it.
  ini.write(QStringLiteral("[Alarm]\nHighOn1=True\nHigh1=-200\nSound=False\n"
                           "Command=\"head -c 1000000 /dev/zero >&2; echo FROM-THE-COMMAND >&2; "
                           "env | grep ^KORVALE_ | sort > %1.part && mv %1.part %1; "
                           "sleep 60 & echo $$ $! > %2; wait\"\n")
                .arg(out, pids)
                .toUtf8());
  ini.close();
  ASSERT_EQ(Run({"--record", Path("records"), "--for", "1s", "--settings", Path("settings.ini")}),
            0)
      << err_.toStdString();

  const QDir records(Path("records"));
  const QStringList logs = records.entryList({QStringLiteral("*-alarms.csv")}, QDir::Files);
  // The run's log, and the log beside its one file.
  ASSERT_EQ(logs.size(), 2) << logs.join(' ').toStdString();
  const QStringList files = records.entryList({QStringLiteral("*.mx1")}, QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_EQ(logs[0], files[0].chopped(4) + QStringLiteral("-alarms.csv"));
  EXPECT_EQ(logs[1], files[0].chopped(9) + QStringLiteral("-alarms.csv"));
  for (const QString& name : logs) {
    QFile log(records.filePath(name));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << name.toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral(",ID1,上限,"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",-200,発生"))) << lines[1].toStdString();
  }
  EXPECT_TRUE(err_.contains(QStringLiteral("korvale: 警報 "))) << err_.toStdString();

  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(out) && clock.elapsed() < 20000) QThread::msleep(20);
  QFile command(out);
  ASSERT_TRUE(command.open(QIODevice::ReadOnly));
  const QString env = QString::fromUtf8(command.readAll());
  EXPECT_TRUE(
      env.contains(QStringLiteral("KORVALE_EVENT=raised\nKORVALE_KIND=high\n"
                                  "KORVALE_LIMIT=-200\n")))
      << env.toStdString();
  EXPECT_TRUE(env.contains(QStringLiteral("KORVALE_UNIT=1\n"))) << env.toStdString();
  // Nothing of the command's on the recorder's standard error; nothing of it outlives it.
  EXPECT_FALSE(err_.contains(QStringLiteral("FROM-THE-COMMAND"))) << err_.size() << " characters";
  QFile started(pids);
  ASSERT_TRUE(started.open(QIODevice::ReadOnly));
  const QStringList commandPids = QString::fromUtf8(started.readAll()).simplified().split(' ');
  ASSERT_EQ(commandPids.size(), 2);
  for (const QString& pid : commandPids) {
    const pid_t p = static_cast<pid_t>(pid.toInt());
    clock.restart();
    while (!ProcessGone(p) && clock.elapsed() < 5000) QThread::msleep(20);
    EXPECT_TRUE(ProcessGone(p)) << pid.toStdString();
    if (!ProcessGone(p)) ::kill(p, SIGKILL);
  }

  // A limit type K cannot reach is refused before anything is recorded.
  ASSERT_TRUE(ini.open(QIODevice::Append));
  ini.write("High1=5000\n");
  ini.close();
  EXPECT_EQ(Run({"--record", Path("refused"), "--settings", Path("settings.ini")}), 2);
  EXPECT_TRUE(err_.contains(QStringLiteral("1372"))) << err_.toStdString();
  EXPECT_FALSE(QDir(Path("refused")).exists());
}

}  // namespace
