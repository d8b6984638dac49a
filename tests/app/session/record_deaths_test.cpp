// `korvale --record` as a process meeting real faults: folders that refuse its files (a plain file
// in the folder's place, a file-size limit on the process), a death at once after SIGTERM, a
// process stopped for seconds in the computer-paced mode, and the end of a run by --for.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "core/module_data.h"
#include "files/data_file.h"

namespace {

constexpr char kUnitPaced[] =
    "[MeasInfo]\nMflagID0=True\nMflagID1=True\nConnectID1=4\nTimerType=False\n"
    "IntervalTM=10\nMeasKind=False\nDataAverage=False\n";
constexpr char kSeconds[] =
    "[MeasInfo]\nMflagID0=True\nTimerType=True\nIntervalTM=1000\nMeasKind=False\n"
    "DataAverage=False\n";

class RecordDeathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    for (const auto& [name, text] :
         {std::pair{"unit.ini", kUnitPaced}, {"seconds.ini", kSeconds}}) {
      QFile ini(Path(name));
      ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
      ini.write(text);
    }
    ASSERT_TRUE(QDir().mkpath(Path("runtime")));
    ::chmod(QFile::encodeName(Path("runtime")).constData(), 0700);
  }

  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QString Journals() const { return Path("data") + QStringLiteral("/korvale"); }
  QStringList InJournals(const char* pattern) const {
    return QDir(Journals()).entryList({QString::fromLatin1(pattern)}, QDir::Files, QDir::Name);
  }

  // Starts the program on the demonstration units with its own per-user folders and no display.
  void Start(QProcess& p, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("USBKIT_SIMULATE"), QStringLiteral("demo"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), Path("data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("runtime"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVALE_PROGRAM), args);
    ASSERT_TRUE(p.waitForStarted());
  }

  // Runs the program to its end; returns its exit code.
  int Run(const QStringList& args) {
    QProcess p;
    Start(p, args);
    return Finish(p);
  }

  int Finish(QProcess& p) {
    EXPECT_TRUE(p.waitForFinished(60000));
    err_ = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  // Waits until the running program's journal holds at least `records` samples; its path.
  QString WaitForJournal(int32_t records) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000) {
      const QStringList names = InJournals("journal-*.mx1");
      if (!names.isEmpty()) {
        const QString path = QDir(Journals()).filePath(names[0]);
        DataFileImage image;
        if (ReadDataFileImage(path, image, nullptr) && image.Records >= records) return path;
      }
      QThread::msleep(10);
    }
    ADD_FAILURE() << "no journal of " << records << " samples";
    return {};
  }

  static DataFileImage Read(const QString& path) {
    DataFileImage image;
    QString error;
    EXPECT_TRUE(ReadDataFileImage(path, image, &error))
        << path.toStdString() << error.toStdString();
    return image;
  }

  static void Signal(const QProcess& p, int sig) {
    ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), sig), 0);
  }

  QTemporaryDir dir_;
  QString err_;
};

TEST_F(RecordDeathsTest, FilesOutsideTheFolderExitThreeAndNoJournalGoesWithItsOnlyCopy) {
  // The folder's place is taken by a plain file during the run: the file goes to the spare
  // folder, and the status says so.
  {
    QProcess p;
    Start(p, {"--record", Path("records"), "--settings", Path("unit.ini")});
    WaitForJournal(20);
    ASSERT_TRUE(QDir().rename(Path("records"), Path("records.gone")));
    QFile blocker(Path("records"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Signal(p, SIGTERM);
    EXPECT_EQ(Finish(p), 3) << err_.toStdString();
    const QStringList spare = InJournals("*-0001.mx1");
    ASSERT_EQ(spare.size(), 1);
    EXPECT_TRUE(err_.contains(QStringLiteral("記録フォルダー %1 に書き込めず、%2 に保存しました")
                                  .arg(Path("records"), Journals())))
        << err_.toStdString();
    EXPECT_TRUE(InJournals("journal-*").isEmpty());
    ASSERT_TRUE(QFile::remove(QDir(Journals()).filePath(spare[0])));
    ASSERT_TRUE(QFile::remove(Path("records")));
  }

  // A file-size limit below the run's file: neither folder takes it. The journal, which holds
  // every sample taken before the limit, stays; the next start keeps it as a dated file.
  QProcess p;
  Start(p, {"--record", Path("records"), "--settings", Path("seconds.ini")});
  const QString journal = WaitForJournal(2);
  const DataFileImage taken = Read(journal);
  const auto limit = static_cast<rlim_t>(QFileInfo(journal).size() - 1);
  const rlimit fsize{limit, limit};
  ASSERT_EQ(::prlimit(static_cast<pid_t>(p.processId()), RLIMIT_FSIZE, &fsize, nullptr), 0);
  Signal(p, SIGTERM);
  EXPECT_EQ(Finish(p), 3) << err_.toStdString();
  EXPECT_TRUE(err_.contains(QStringLiteral("どこにも書き込めないまま終了します")))
      << err_.toStdString();
  EXPECT_TRUE(err_.contains(journal)) << err_.toStdString();
  EXPECT_TRUE(QDir(Path("records")).entryList(QDir::Files).isEmpty());
  ASSERT_TRUE(QFile::exists(journal));

  ASSERT_EQ(Run({"--record", Path("next"), "--for", "1s", "--settings", Path("unit.ini")}), 0)
      << err_.toStdString();
  const QStringList kept = InJournals("korvale-*.mx1");
  ASSERT_EQ(kept.size(), 1);
  const DataFileImage image = Read(QDir(Journals()).filePath(kept[0]));
  EXPECT_EQ(image.Records, taken.Records);
  EXPECT_EQ(image.Data[0], taken.Data[0]);
}

TEST_F(RecordDeathsTest, ADeathRightAfterTheLastFileLeavesNoSampleTwice) {
  // Standard error is a FIFO that nobody reads, already full: the program blocks at its first
  // line, the one naming the last file, and dies there.
  const QByteArray fifo = QFile::encodeName(Path("stderr.fifo"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const int filler = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(filler, 0);
  const QByteArray block(4096, 'x');
  while (::write(filler, block.constData(), block.size()) > 0) {
  }
  ::close(filler);

  QProcess p;
  p.setStandardErrorFile(Path("stderr.fifo"));
  Start(p, {"--record", Path("records"), "--settings", Path("unit.ini")});
  WaitForJournal(100);
  Signal(p, SIGTERM);
  QElapsedTimer waited;
  waited.start();
  while (QDir(Path("records")).entryList(QDir::Files).isEmpty() && waited.elapsed() < 30000) {
    QThread::msleep(10);
  }
  QThread::msleep(300);
  ASSERT_EQ(p.state(), QProcess::Running);
  Signal(p, SIGKILL);
  ASSERT_TRUE(p.waitForFinished(30000));
  ::close(reader);
  const QStringList files = QDir(Path("records")).entryList({QStringLiteral("*.mx1")}, QDir::Files);
  ASSERT_EQ(files.size(), 1);
  ASSERT_GE(Read(QDir(Path("records")).filePath(files[0])).Records, 100);

  // The next start keeps nothing of it again, so the folder and whatever the journal folder
  // kept make one table.
  ASSERT_EQ(Run({"--record", Path("next"), "--for", "1s", "--settings", Path("unit.ini")}), 0)
      << err_.toStdString();
  QStringList inputs{QStringLiteral("--export"), QDir(Path("records")).filePath(files[0])};
  for (const QString& kept : InJournals("korvale-*.mx1")) {
    inputs << QDir(Journals()).filePath(kept);
  }
  inputs << Path("all.csv");
  EXPECT_EQ(Run(inputs), 0) << err_.toStdString();
  EXPECT_TRUE(InJournals("journal-*").isEmpty());
}

TEST_F(RecordDeathsTest, AStoppedProcessInSecondsModeLeavesHolesWhereItsSamplesWere) {
  QProcess p;
  Start(p, {"--record", Path("records"), "--for", "7s", "--settings", Path("seconds.ini")});
  // Stopped half a second after its first sample, for three seconds.
  WaitForJournal(1);
  QThread::msleep(500);
  Signal(p, SIGSTOP);
  QThread::msleep(3000);
  Signal(p, SIGCONT);
  ASSERT_EQ(Finish(p), 0) << err_.toStdString();
  const QStringList files = QDir(Path("records")).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  const DataFileImage image = Read(QDir(Path("records")).filePath(files[0]));
  // Seven seconds of slots, the samples the stop missed empty between measured ones.
  EXPECT_GE(image.Records, 6);
  EXPECT_LE(image.Records, 7);
  QString pattern;
  for (int32_t k = 0; k < image.Records; ++k) {
    pattern += image.Data[0][k] == RecordSet::NoData ? QLatin1Char('-') : QLatin1Char('x');
  }
  EXPECT_TRUE(pattern.startsWith(QStringLiteral("x--xx")) ||
              pattern.startsWith(QStringLiteral("xx--x")))
      << pattern.toStdString();
}

TEST_F(RecordDeathsTest, ForCountsMeasuringTimeAndTheStopFetchesTheLastReadings) {
  ASSERT_EQ(Run({"--record", Path("records"), "--for", "2s", "--settings", Path("unit.ini")}), 0)
      << err_.toStdString();
  const QStringList files = QDir(Path("records")).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  // 200 readings at 10 ms, and a few more for the moments the stop takes; a stop without the
  // last fetch ends at the poll before, 300 ms short at worst.
  const DataFileImage image = Read(QDir(Path("records")).filePath(files[0]));
  EXPECT_GE(image.Records, 197);
  EXPECT_LE(image.Records, 215);
}

}  // namespace
