// Marks and channel names of `korvale --record` kept as safely as its samples: a mark sent by
// `korvale --mark` from another process reaches the file's sidecar and its --export, through a
// normal stop and through kill -9 (the journal's sidecar, kept with the journal at the next start).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "record_process.h"

namespace recordtest {
namespace {

class RecordMarksTest : public RecordProcessTest {
 protected:
  void SetUp() override {
    RecordProcessTest::SetUp();
    QFile ini(Path("settings.ini"));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("[Channels]\nName0=炉内\nName1=\"試料, 上\"\n");
  }

  // Runs korvale with args to its end; its exit code.
  int Run(const QStringList& args) {
    QProcess p;
    Start(p, args);
    EXPECT_TRUE(Ends(p, 30000));
    err_ += QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode();
  }
  int Mark(const char* folder, const QString& text) {
    return Run({QStringLiteral("--mark"), Path(folder), text});
  }

  // Waits until the recorder of folder has started measuring (its lock names its journal).
  bool Measuring(const char* folder) {
    QFile lock(QDir(Path(folder)).filePath(QStringLiteral(".korvale-record.lock")));
    for (int i = 0; i < 300; ++i) {
      if (lock.open(QIODevice::ReadOnly) && lock.readAll().contains("\njournal=")) {
        QThread::msleep(300);  // a few samples
        return true;
      }
      lock.close();
      QThread::msleep(100);
    }
    return false;
  }

  static QJsonObject Sidecar(const QString& dataPath) {
    QFile f(dataPath + QStringLiteral(".json"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    return QJsonDocument::fromJson(f.readAll()).object();
  }

  // The analysis CSV of dataPath: its header row, and the mark field of each marked row by the
  // row's sample number.
  void Export(const QString& dataPath, QString& header, QMap<int, QString>& markedRows) {
    const QString out = Path("export.csv");
    ASSERT_EQ(Run({QStringLiteral("--export"), dataPath, out}), 0) << err_.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray& line : f.readAll().split('\n')) {
      if (line.isEmpty() || line.startsWith('#')) continue;
      if (header.isEmpty()) {
        header = QString::fromUtf8(line);
        continue;
      }
      const QStringList cells = QString::fromUtf8(line).split(QLatin1Char(','));
      if (!cells.last().isEmpty()) markedRows[cells[2].toInt()] = cells.last();
    }
  }

  QString err_;
};

TEST_F(RecordMarksTest, AMarkFromAnotherProcessReachesTheFilesSidecarAndItsExport) {
  QProcess recorder;
  Start(recorder, RecordArgs("records"));
  ASSERT_TRUE(Measuring("records"));
  ASSERT_EQ(Mark("records", QStringLiteral("扉を開けた")), 0) << err_.toStdString();
  ASSERT_EQ(Mark("records", QString()), 0) << err_.toStdString();
  Signal(recorder, SIGTERM);
  ASSERT_TRUE(Ends(recorder, 30000));
  ASSERT_EQ(recorder.exitCode(), 0) << recorder.readAllStandardError().toStdString();
  // Nobody records there any more; a command line without the text is a usage error.
  EXPECT_EQ(Mark("records", QStringLiteral("遅い")), 1);
  EXPECT_EQ(Run({QStringLiteral("--mark"), Path("records")}), 2);

  const QStringList files = QDir(Path("records")).entryList({QStringLiteral("*.mx1")}, QDir::Files);
  ASSERT_EQ(files.size(), 1);
  const QString file = QDir(Path("records")).filePath(files[0]);
  const QJsonObject sidecar = Sidecar(file);
  EXPECT_EQ(sidecar.value("data_file").toString(), files[0]);
  EXPECT_EQ(sidecar.value("channels").toObject().value("ID1").toString(),
            QStringLiteral("試料, 上"));
  const QJsonArray marks = sidecar.value("marks").toArray();
  ASSERT_EQ(marks.size(), 2);
  EXPECT_EQ(marks[0].toObject().value("text").toString(), QStringLiteral("扉を開けた"));
  EXPECT_EQ(marks[1].toObject().value("text").toString(), QStringLiteral("マーク 2"));
  // Each mark's text on the row of its sample (two at one sample joined), nowhere else.
  QMap<int, QString> expected;
  for (const QJsonValue& mark : marks) {
    QString& field = expected[mark.toObject().value("sample").toInt() - 1];
    if (!field.isEmpty()) field += QStringLiteral(" / ");
    field += mark.toObject().value("text").toString();
  }
  EXPECT_GT(expected.firstKey(), 0);

  QString header;
  QMap<int, QString> marked;
  Export(file, header, marked);
  EXPECT_TRUE(
      header.startsWith(QStringLiteral("time,elapsed_s,sample,ID0 炉内 B (°C),"
                                       "\"ID1 試料, 上 K (°C)\",")))
      << header.toStdString();
  EXPECT_TRUE(header.endsWith(QStringLiteral(",mark")));
  EXPECT_EQ(marked, expected);
}

TEST_F(RecordMarksTest, AMarkJustBeforeKill9IsInTheKeptJournalsSidecar) {
  QProcess recorder;
  Start(recorder, RecordArgs("records"));
  ASSERT_TRUE(Measuring("records"));
  ASSERT_EQ(Mark("records", QStringLiteral("直前")), 0) << err_.toStdString();
  Signal(recorder, SIGKILL);
  ASSERT_TRUE(Ends(recorder, 30000));

  // The next start keeps the journal as a dated file, its sidecar renamed with it.
  ASSERT_EQ(Run(RecordArgs("other") << QStringLiteral("--for") << QStringLiteral("1s")), 0)
      << err_.toStdString();
  const QDir journals(Path("data/korvale"));
  const QStringList kept = journals.entryList({QStringLiteral("korvale-*.mx1")}, QDir::Files);
  ASSERT_EQ(kept.size(), 1) << journals.entryList().join(' ').toStdString();
  EXPECT_TRUE(journals.entryList({QStringLiteral("journal-*")}, QDir::Files).isEmpty());
  const QString file = journals.filePath(kept[0]);
  const QJsonObject sidecar = Sidecar(file);
  EXPECT_EQ(sidecar.value("data_file").toString(), kept[0]);
  const QJsonArray marks = sidecar.value("marks").toArray();
  ASSERT_EQ(marks.size(), 1);
  EXPECT_EQ(marks[0].toObject().value("text").toString(), QStringLiteral("直前"));

  QString header;
  QMap<int, QString> marked;
  Export(file, header, marked);
  EXPECT_TRUE(header.contains(QStringLiteral("ID0 炉内 B (°C)"))) << header.toStdString();
  EXPECT_EQ(marked, (QMap<int, QString>{{marks[0].toObject().value("sample").toInt() - 1,
                                         QStringLiteral("直前")}}));
}

}  // namespace
}  // namespace recordtest
