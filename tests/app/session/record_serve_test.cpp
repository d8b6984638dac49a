// `korvale --record --serve` as Prometheus and a browser meet it: /metrics of a running recorder
// passes promtool's check and says what the stream's newest row says; a listener other than
// loopback without a token is refused before anything is measured, and with a token a request
// without it gets 401.
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <map>

#include "record_process.h"

namespace recordtest {
namespace {

// A port nobody listens on now.
quint16 FreePort() {
  QTcpServer probe;
  EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  return probe.serverPort();
}

// A whole answer of the recorder's server (another process: the client may block); status 0 when
// none came.
struct Reply {
  int status = 0;
  QByteArray body;
};
Reply Fetch(quint16 port, const QByteArray& path, const QByteArray& headers = {},
            const QByteArray& method = "GET", const QByteArray& body = {}) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  if (!socket.waitForConnected(5000)) return {};
  socket.write(method + " " + path + " HTTP/1.1\r\nConnection: close\r\n" + headers +
               "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
  QByteArray data;
  while (socket.waitForReadyRead(5000)) data += socket.readAll();
  data += socket.readAll();
  const int end = data.indexOf("\r\n\r\n");
  return {data.mid(9, 3).toInt(), end < 0 ? QByteArray() : data.mid(end + 4)};
}

// Waits until the recorder answers on port (it measures by then).
bool Answers(quint16 port, int ms = 30000) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    if (Fetch(port, "/api/state").status != 0) return true;
    QThread::msleep(100);
  }
  return false;
}

// The samples of a metric line by line: "name{labels}" -> value text.
std::map<QString, QString> Samples(const QByteArray& metrics) {
  std::map<QString, QString> samples;
  for (const QByteArray& line : metrics.split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    const int space = line.lastIndexOf(' ');
    samples[QString::fromUtf8(line.left(space))] = QString::fromUtf8(line.mid(space + 1));
  }
  return samples;
}

TEST_F(RecordProcessTest, MetricsPassPromtoolAndEqualTheNewestRowOfTheStream) {
  // Unit 1 above its limit from the first sample on: its alarm is active.
  QFile ini(Path("settings.ini"));
  ASSERT_TRUE(ini.open(QIODevice::Append));
  ini.write("[Alarm]\nHighOn1=True\nHigh1=-200\nSound=False\n");
  ini.close();
  const quint16 port = FreePort();
  // A database nobody runs: its queue grows, and the metrics say so.
  const QString database = QStringLiteral("influx://127.0.0.1:%1/lab").arg(FreePort());
  QProcess p;
  Start(p, RecordArgs("records") << QStringLiteral("--stream") << QStringLiteral("--serve")
                                 << QStringLiteral("127.0.0.1:%1").arg(port)
                                 << QStringLiteral("--publish") << database);
  ASSERT_TRUE(Answers(port)) << p.readAllStandardError().toStdString();
  QThread::msleep(1500);
  const Reply metrics = Fetch(port, "/metrics");
  ASSERT_EQ(metrics.status, 200);

  QProcess promtool;
  promtool.start(QStringLiteral("promtool"), {QStringLiteral("check"), QStringLiteral("metrics")});
  ASSERT_TRUE(promtool.waitForStarted());
  promtool.write(metrics.body);
  promtool.closeWriteChannel();
  ASSERT_TRUE(promtool.waitForFinished(30000));
  EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAllStandardError().toStdString()
                                    << promtool.readAllStandardOutput().toStdString();

  const std::map<QString, QString> samples = Samples(metrics.body);
  const int64_t stored = samples.at(QStringLiteral("korvale_samples_stored_total")).toLongLong();
  ASSERT_GT(stored, 50);
  EXPECT_EQ(samples.at(QStringLiteral("korvale_file_number")), QStringLiteral("1"));
  EXPECT_EQ(samples.at(QStringLiteral("korvale_alarm_active{unit=\"ID1\",kind=\"high\"}")),
            QStringLiteral("1"));
  EXPECT_EQ(samples.at(QStringLiteral("korvale_alarm_active{unit=\"ID0\",kind=\"high\"}")),
            QStringLiteral("0"));
  const QString destination = QStringLiteral("{destination=\"%1\"}").arg(database);
  const auto value = [&samples](const QString& name) {
    const auto found = samples.find(name);
    return found == samples.end() ? QStringLiteral("absent") : found->second;
  };
  EXPECT_EQ(value(QStringLiteral("korvale_publish_connected") + destination), QStringLiteral("0"));
  EXPECT_GT(value(QStringLiteral("korvale_publish_queue_records") + destination).toLongLong(), 0);

  // The stream's row numbered stored - 1 holds the values /metrics gave.
  QByteArray stream;
  const QByteArray key = "," + QByteArray::number(stored - 1) + ",";
  QElapsedTimer clock;
  clock.start();
  while (!stream.contains(key) && clock.elapsed() < 10000) {
    p.waitForReadyRead(200);
    stream += p.readAllStandardOutput();
  }
  const int at = stream.indexOf(key);
  ASSERT_GE(at, 0);
  const QList<QByteArray> fields = stream.mid(at + key.size()).split('\n')[0].split(',');
  ASSERT_GE(fields.size(), 2);
  EXPECT_EQ(
      samples.at(QStringLiteral("korvale_temperature_celsius{unit=\"ID0\",type=\"B\",name=\"\"}")),
      QString::fromUtf8(fields[0]));
  EXPECT_EQ(
      samples.at(QStringLiteral("korvale_temperature_celsius{unit=\"ID1\",type=\"K\",name=\"\"}")),
      QString::fromUtf8(fields[1]));
  Signal(p, SIGTERM);
  ASSERT_TRUE(Ends(p, 15000));
  EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(RecordProcessTest, ServingBeyondLoopbackNeedsATokenAndEveryRequestCarriesIt) {
  const quint16 port = FreePort();
  {
    QProcess p;
    Start(p, RecordArgs("open") << QStringLiteral("--serve")
                                << QStringLiteral("0.0.0.0:%1").arg(port));
    ASSERT_TRUE(Ends(p, 15000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("トークンが必要")));
    EXPECT_FALSE(QFileInfo::exists(Path("open"))) << "measured before refusing";
  }
  {
    QFile empty(Path("empty-token"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QProcess p;
    Start(p, RecordArgs("empty") << QStringLiteral("--serve") << QString::number(port)
                                 << QStringLiteral("--token-file") << Path("empty-token"));
    ASSERT_TRUE(Ends(p, 15000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                    .contains(QStringLiteral("トークンファイルが空")));
  }
  {
    QFile token(Path("token"));
    ASSERT_TRUE(token.open(QIODevice::WriteOnly));
    token.write("k0rvale-t0ken\n");
    token.close();
    QProcess p;
    Start(p, RecordArgs("guarded") << QStringLiteral("--serve") << QString::number(port)
                                   << QStringLiteral("--token-file") << Path("token"));
    ASSERT_TRUE(Answers(port)) << p.readAllStandardError().toStdString();
    EXPECT_EQ(Fetch(port, "/metrics").status, 401);
    EXPECT_EQ(Fetch(port, "/").status, 401);
    EXPECT_EQ(Fetch(port, "/metrics", "Authorization: Bearer k0rvale-t0ken\r\n").status, 200);
    EXPECT_EQ(Fetch(port, "/mark", {}, "POST", "扉").status, 401);
    // A page's mark is the session's: made at the newest sample, with its running number.
    const Reply mark =
        Fetch(port, "/mark", "Authorization: Bearer k0rvale-t0ken\r\n", "POST", "扉を開けた");
    EXPECT_EQ(mark.status, 200);
    EXPECT_TRUE(mark.body.startsWith("{\"number\":1,\"sample\":")) << mark.body.toStdString();
    EXPECT_TRUE(mark.body.contains("\"text\":\"扉を開けた\"")) << mark.body.toStdString();
    // A second recorder on the same port cannot listen: it ends as a failed start.
    QProcess second;
    Start(second, RecordArgs("second") << QStringLiteral("--serve") << QString::number(port));
    ASSERT_TRUE(Ends(second, 15000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError())
                    .contains(QStringLiteral("待ち受けできません")));
    Signal(p, SIGTERM);
    ASSERT_TRUE(Ends(p, 15000));
    EXPECT_EQ(p.exitCode(), 0);
  }
}

}  // namespace
}  // namespace recordtest
