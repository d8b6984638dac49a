// `korvale --record --publish` as a process on the simulated units, sending to a real broker and a
// real database: every row of its stream reaches both with the stream's values and times, an
// outage of the database loses nothing and holds up no sample, and a queue a killed recorder left
// goes out after the next start.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <set>

#include "../session/record_process.h"
#include "lab_servers.h"

namespace {

using labtest::Broker;
using labtest::Database;
using labtest::Subscriber;

// A row of the analysis CSV: its sample number, time (ms) and the texts of its units' values.
struct CsvRow {
  int64_t sample = 0;
  int64_t timeMs = 0;
  QString time;
  std::map<int, QString> values;  // unit -> value text, for the units with a value
};

// The rows of a stream (the preamble and the header row skipped; a row cut off at a kill too).
std::vector<CsvRow> StreamRows(const QByteArray& stream) {
  std::vector<CsvRow> rows;
  std::vector<int> unitOfColumn;
  for (const QByteArray& line : stream.split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList fields = QString::fromUtf8(line).split(QLatin1Char(','));
    if (fields[0] == QLatin1String("time")) {
      for (const QString& name : fields) {
        unitOfColumn.push_back(name.startsWith(QLatin1String("ID")) ? name.mid(2, 1).toInt() : -1);
      }
      continue;
    }
    if (fields.size() != static_cast<int>(unitOfColumn.size())) continue;
    CsvRow row;
    row.time = fields[0];
    row.timeMs = QDateTime::fromString(fields[0], Qt::ISODateWithMs).toMSecsSinceEpoch();
    row.sample = fields[2].toLongLong();
    for (int c = 0; c < fields.size(); ++c) {
      if (unitOfColumn[c] >= 0 && !fields[c].isEmpty()) row.values[unitOfColumn[c]] = fields[c];
    }
    rows.push_back(row);
  }
  return rows;
}

class PublishRecordTest : public recordtest::RecordProcessTest {
 protected:
  void SetUp() override {
    RecordProcessTest::SetUp();
    if (!labtest::Installed("mosquitto") || !labtest::Installed("influxd")) {
      GTEST_SKIP() << "mosquitto or influxd is not installed (scripts/setup.sh installs them)";
    }
    // Four units every 10 ms, one of them named.
    QFile ini(Path("settings.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "[MeasInfo]\nMflagID0=True\nMflagID1=True\nMflagID2=True\nMflagID3=True\n"
        "TimerType=False\nIntervalTM=10\nMeasKind=False\nDataAverage=False\n"
        "[Channels]\nName0=oven top\n");
    ini.close();
    ASSERT_TRUE(QDir().mkpath(Path("broker")) && QDir().mkpath(Path("db")));
    ASSERT_TRUE(broker_.Start(Path("broker")));
    ASSERT_TRUE(database_.Start(Path("db")));
  }

  QStringList PublishArgs(const char* folder, const char* duration) const {
    return RecordArgs(folder) +
           QStringList{QStringLiteral("--for"),
                       QString::fromLatin1(duration),
                       QStringLiteral("--stream"),
                       QStringLiteral("--publish"),
                       QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker_.Port()),
                       QStringLiteral("--publish"),
                       InfluxUrl()};
  }
  QString InfluxUrl() const {
    return QStringLiteral("influx://127.0.0.1:%1/lab").arg(database_.Port());
  }

  // Every value of rows is in the database once, with its time; nothing else is there.
  void ExpectInDatabase(const std::vector<CsvRow>& rows) {
    for (int unit = 0; unit < 4; ++unit) {
      std::map<int64_t, QString> expected;
      for (const CsvRow& row : rows) {
        if (row.values.count(unit)) expected[row.timeMs] = row.values.at(unit);
      }
      const QJsonArray points = database_.Values(
          QStringLiteral("SELECT value FROM korvale WHERE unit='ID%1' ORDER BY time").arg(unit));
      ASSERT_EQ(points.size(), static_cast<int>(expected.size())) << "unit " << unit;
      auto want = expected.begin();
      for (const QJsonValue& point : points) {
        ASSERT_EQ(static_cast<int64_t>(point[0].toDouble()), want->first) << "unit " << unit;
        ASSERT_EQ(point[1].toDouble(), want->second.toDouble()) << "unit " << unit;
        ++want;
      }
    }
  }

  Broker broker_;
  Database database_;
};

TEST_F(PublishRecordTest, EveryRowReachesTheDatabaseOnceAndTheBrokerAtLeastOnce) {
  Subscriber samples;
  samples.Start(broker_.Port(), QStringLiteral("lab/#"));
  QThread::msleep(300);
  QProcess p;
  Start(p, PublishArgs("records", "4s"));
  ASSERT_TRUE(Ends(p, 60000));
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
  EXPECT_FALSE(err.contains(QStringLiteral("接続できません"))) << err.toStdString();
  const std::vector<CsvRow> rows = StreamRows(p.readAllStandardOutput());
  ASSERT_GT(rows.size(), 300u);

  ExpectInDatabase(rows);
  // The channel's name and the thermocouple type are tags of its series.
  const QByteArray series = QJsonDocument(database_.Query(QStringLiteral("SHOW SERIES"))).toJson();
  EXPECT_TRUE(series.contains(R"(name=oven\\ top,type=B,unit=ID0)")) << series.toStdString();

  // Each row on lab/samples, as JSON lines several to a message.
  QThread::msleep(500);
  std::map<int64_t, QJsonObject> received;
  for (QByteArray line : samples.Stop().split('\n')) {
    if (line.startsWith("lab/samples ")) line = line.mid(12);
    if (!line.startsWith("{\"sample\"")) continue;
    const QJsonObject sample = QJsonDocument::fromJson(line).object();
    received[sample[QStringLiteral("sample")].toInteger()] = sample;
  }
  for (const CsvRow& row : rows) {
    ASSERT_TRUE(received.count(row.sample)) << "sample " << row.sample;
    const QJsonObject& sample = received[row.sample];
    ASSERT_EQ(sample[QStringLiteral("time")].toString().toStdString(), row.time.toStdString());
    ASSERT_EQ(sample.size(), static_cast<int>(row.values.size()) + 2) << row.sample;
    for (const auto& [unit, text] : row.values) {
      ASSERT_EQ(sample[QStringLiteral("ID%1").arg(unit)].toDouble(), text.toDouble());
    }
  }
  // The newest value of a unit and the status stay on the broker for whoever comes later.
  Subscriber retained;
  retained.Start(broker_.Port(), QStringLiteral("lab/+"),
                 {QStringLiteral("-W"), QStringLiteral("2"), QStringLiteral("--retained-only")});
  const QByteArray kept = retained.Wait();
  EXPECT_TRUE(kept.contains("lab/status offline\n")) << kept.toStdString();
  EXPECT_TRUE(kept.contains("lab/ID0 " + rows.back().values.at(0).toUtf8() + '\n'))
      << kept.toStdString();
}

// What the broker has not acknowledged goes on the topic at least once when it comes: a broker
// that cannot be reached at the start too.
TEST_F(PublishRecordTest, ABrokerThatComesLateGetsEveryRow) {
  broker_.Stop();
  QProcess p;
  Start(p, RecordArgs("records") +
               QStringList{QStringLiteral("--for"), QStringLiteral("8s"),
                           QStringLiteral("--stream"), QStringLiteral("--publish"),
                           QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker_.Port())});
  QThread::msleep(2000);
  ASSERT_TRUE(broker_.Start(Path("broker")));
  Subscriber samples;
  samples.Start(broker_.Port(), QStringLiteral("lab/samples"));
  ASSERT_TRUE(Ends(p, 60000));
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_TRUE(err.contains(QStringLiteral("に追いつきました"))) << err.toStdString();
  QThread::msleep(500);
  std::set<int64_t> received;
  for (QByteArray line : samples.Stop().split('\n')) {
    if (line.startsWith("lab/samples ")) line = line.mid(12);
    if (line.startsWith("{\"sample\"")) {
      received.insert(QJsonDocument::fromJson(line).object()[QStringLiteral("sample")].toInteger());
    }
  }
  const std::vector<CsvRow> rows = StreamRows(p.readAllStandardOutput());
  ASSERT_GT(rows.size(), 600u);
  for (const CsvRow& row : rows) ASSERT_TRUE(received.count(row.sample)) << row.sample;
}

TEST_F(PublishRecordTest, ADatabaseAwayForFiveSecondsLosesNothingAndHoldsUpNoRow) {
  QProcess p;
  Start(p, PublishArgs("records", "12s"));
  QByteArray stream;
  const auto readFor = [&](int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
      p.waitForReadyRead(100);
      stream += p.readAllStandardOutput();
    }
  };
  readFor(4000);
  database_.Stop();
  const size_t before = StreamRows(stream).size();
  readFor(5000);
  const size_t during = StreamRows(stream).size() - before;
  ASSERT_TRUE(database_.Start(Path("db")));
  ASSERT_TRUE(Ends(p, 60000));
  stream += p.readAllStandardOutput();
  const QString err = QString::fromLocal8Bit(p.readAllStandardError());
  EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
  // The stream went on at its pace while the database was away (a sanity bound only).
  EXPECT_GT(during, 350u);
  EXPECT_TRUE(err.contains(InfluxUrl() + QStringLiteral(" に接続できません"))) << err.toStdString();
  EXPECT_TRUE(err.contains(InfluxUrl() + QStringLiteral(" に追いつきました"))) << err.toStdString();
  ExpectInDatabase(StreamRows(stream));
}

TEST_F(PublishRecordTest, TheQueueOfAKilledRecorderGoesOutAfterTheNextStart) {
  database_.Stop();
  QProcess first;
  Start(first, PublishArgs("records", "60s"));
  QByteArray stream;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 3000) {
    first.waitForReadyRead(100);
    stream += first.readAllStandardOutput();
  }
  Signal(first, SIGKILL);
  first.waitForFinished(10000);
  stream += first.readAllStandardOutput();
  const std::vector<CsvRow> killed = StreamRows(stream);
  ASSERT_GT(killed.size(), 100u);
  const QDir queue(
      Path("data") +
      QStringLiteral("/korvale/publish/influx_127.0.0.1_%1_lab").arg(database_.Port()));
  EXPECT_FALSE(queue.entryList({QStringLiteral("*.seg")}, QDir::Files).isEmpty());

  ASSERT_TRUE(database_.Start(Path("db")));
  QProcess second;
  Start(second, PublishArgs("records", "2s"));
  ASSERT_TRUE(Ends(second, 60000));
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  const std::vector<CsvRow> all = StreamRows(second.readAllStandardOutput());
  ASSERT_GT(all.size(), 100u);
  // The killed run's rows may have reached the queue but not its stream: only its last poll.
  const QJsonArray firstRun = database_.Values(
      QStringLiteral("SELECT count(value) FROM korvale WHERE unit='ID0' AND time < %1ms")
          .arg(all.front().timeMs));
  EXPECT_GE(firstRun[0][1].toInt(), static_cast<int>(killed.size()));
  EXPECT_LE(firstRun[0][1].toInt(), static_cast<int>(killed.size()) + 30);
  const QJsonArray stored = database_.Values(
      QStringLiteral("SELECT value FROM korvale WHERE unit='ID0' AND time < %1ms ORDER BY time")
          .arg(all.front().timeMs));
  for (size_t k = 0; k < killed.size(); ++k) {
    ASSERT_EQ(static_cast<int64_t>(stored[static_cast<int>(k)][0].toDouble()), killed[k].timeMs);
    ASSERT_EQ(stored[static_cast<int>(k)][1].toDouble(), killed[k].values.at(0).toDouble());
  }
}

TEST_F(PublishRecordTest, AUrlThatCannotBeUsedRefusesTheRecordingBeforeItStarts) {
  QProcess p;
  Start(p, RecordArgs("records") + QStringList{QStringLiteral("--publish"),
                                               QStringLiteral("influx2://127.0.0.1/org/bucket")});
  ASSERT_TRUE(Ends(p, 30000));
  EXPECT_EQ(p.exitCode(), 2);
  EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError())
                  .contains(QStringLiteral("KORVALE_INFLUX_TOKEN")));
  EXPECT_FALSE(QFileInfo::exists(Path("records")));
}

}  // namespace

namespace {

// `--stream influx`: the line protocol of every value of the files, at their times.
TEST_F(PublishRecordTest, TheInfluxStreamHoldsEveryValueOfTheFilesAtItsTime) {
  QProcess p;
  Start(p,
        RecordArgs("records") + QStringList{QStringLiteral("--for"), QStringLiteral("2s"),
                                            QStringLiteral("--stream"), QStringLiteral("influx")});
  ASSERT_TRUE(Ends(p, 60000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  std::map<std::pair<int, int64_t>, QString> points;  // (unit, ms) -> value text
  for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
    if (line.isEmpty()) continue;
    const QList<QByteArray> parts = line.split(' ');
    ASSERT_TRUE(line.startsWith("korvale,host=")) << line.toStdString();
    const int unit = line.mid(line.indexOf(",unit=ID") + 8, 1).toInt();
    EXPECT_EQ(line.contains(",name=oven\\ top,type=B,"), unit == 0) << line.toStdString();
    const QByteArray nanoseconds = parts.back();
    ASSERT_TRUE(nanoseconds.endsWith("000000"));
    points[{unit, nanoseconds.chopped(6).toLongLong()}] =
        QString::fromLatin1(parts[parts.size() - 2].mid(6));
  }
  const QStringList files = QDir(Path("records")).entryList({QStringLiteral("*.mx1")});
  ASSERT_EQ(files.size(), 1);
  QProcess exporter;
  Start(exporter, {QStringLiteral("--export"), Path("records") + '/' + files[0], Path("all.csv")});
  ASSERT_TRUE(Ends(exporter, 60000));
  QFile csv(Path("all.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  size_t values = 0;
  for (const CsvRow& row : StreamRows(csv.readAll())) {
    for (const auto& [unit, text] : row.values) {
      ++values;
      const auto point = points.find({unit, row.timeMs});
      ASSERT_NE(point, points.end()) << row.time.toStdString();
      EXPECT_EQ(point->second.toStdString(), text.toStdString());
    }
  }
  EXPECT_EQ(values, points.size());
  EXPECT_GT(values, 300u);
}

}  // namespace
