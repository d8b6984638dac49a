// What ends `korvale --record` and what does not: a closed terminal or ssh session (SIGHUP) ends it
// cleanly as SIGTERM does, and a second recorder into the same folder is refused while the first
// goes on; one into another folder records beside it.
#include <QMap>

#include "record_process.h"

namespace recordtest {
namespace {

TEST_F(RecordProcessTest, SighupEndsTheRecordingCleanlyAsSigtermDoes) {
  QProcess p;
  Start(p, RecordArgs("records"));
  EXPECT_FALSE(p.waitForFinished(3000));
  Signal(p, SIGHUP);
  ASSERT_TRUE(Ends(p, 30000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "ended by the signal";
  EXPECT_EQ(p.exitCode(), 0);
  const std::vector<DataFileImage> files = Files("records");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_GT(files[0].Records, 150);
}

TEST_F(RecordProcessTest, ASecondRecorderIntoTheSameFolderIsRefusedWhileTheFirstGoesOn) {
  QProcess first;
  Start(first, RecordArgs("records"));
  EXPECT_FALSE(first.waitForFinished(3000));
  // The lock file names the running recorder: its pid, its start and its journal.
  QFile lock(Path("records") + QStringLiteral("/.korvale-record.lock"));
  ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
  QMap<QString, QString> values;
  for (const QString& line : QString::fromUtf8(lock.readAll()).split('\n', Qt::SkipEmptyParts)) {
    values.insert(line.section('=', 0, 0), line.section('=', 1));
  }
  EXPECT_EQ(values.value(QStringLiteral("pid")).toLongLong(), first.processId());
  EXPECT_TRUE(QDateTime::fromString(values.value(QStringLiteral("start")), Qt::ISODate).isValid());
  const QFileInfo journal(values.value(QStringLiteral("journal")));
  EXPECT_EQ(journal.absolutePath().toStdString(),
            (Path("data") + QStringLiteral("/korvale")).toStdString());
  EXPECT_TRUE(journal.isFile()) << journal.filePath().toStdString();

  QProcess second;
  Start(second, RecordArgs("records") << QStringLiteral("--for") << QStringLiteral("1s"));
  ASSERT_TRUE(Ends(second, 30000));
  const QString err = QString::fromLocal8Bit(second.readAllStandardError());
  EXPECT_EQ(second.exitCode(), 1) << err.toStdString();
  EXPECT_TRUE(err.contains(QString::number(first.processId()))) << err.toStdString();

  QProcess beside;
  Start(beside, RecordArgs("other") << QStringLiteral("--for") << QStringLiteral("1s"));
  ASSERT_TRUE(Ends(beside, 30000));
  EXPECT_EQ(beside.exitCode(), 0);
  EXPECT_EQ(Files("other").size(), 1u);

  EXPECT_EQ(first.state(), QProcess::Running);
  Signal(first, SIGTERM);
  ASSERT_TRUE(Ends(first, 30000));
  EXPECT_EQ(first.exitCode(), 0);
  // The folder holds the first recorder's one file and nothing of the second.
  const QStringList names = QDir(Path("records")).entryList(QDir::Files);
  EXPECT_EQ(names.size(), 1) << names.join(' ').toStdString();
  EXPECT_EQ(Files("records").size(), 1u);
}

}  // namespace
}  // namespace recordtest
