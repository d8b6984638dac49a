// A real MQTT broker and a real InfluxDB 1.x database for the tests, each on a free loopback port
// with a folder of its own, started and waited for by the test and stopped at its end; and what
// the tests read back from them.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QThread>
#include <QUrlQuery>

namespace labtest {

// A loopback port nobody listens on now.
inline int FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

// True once something accepts connections on the loopback port (up to ms).
inline bool Answers(int port, int ms = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (socket.waitForConnected(200)) return true;
    QThread::msleep(100);
  }
  return false;
}

inline bool Installed(const char* program) {
  return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty() ||
         QFile::exists(QStringLiteral("/usr/sbin/") + QLatin1String(program));
}

// A server process of the test, stopped with SIGTERM at its end.
class Server {
 public:
  ~Server() { Stop(); }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
    process_.terminate();
    if (!process_.waitForFinished(15000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  bool Running() const { return process_.state() == QProcess::Running; }
  int Port() const { return port_; }

 protected:
  bool Launch(const QString& program, const QStringList& args, const QString& log) {
    process_.setStandardOutputFile(log);
    process_.setStandardErrorFile(log, QIODevice::Append);
    process_.start(program, args);
    return process_.waitForStarted() && Answers(port_);
  }
  QProcess process_;
  int port_ = 0;
};

// mosquitto on 127.0.0.1:port, anonymous, without persistence; Start again after Stop takes up
// the same port.
class Broker : public Server {
 public:
  bool Start(const QString& folder) {
    if (port_ == 0) port_ = FreePort();
    const QString conf = folder + QStringLiteral("/mosquitto.conf");
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n")
                   .arg(port_)
                   .toUtf8());
    file.close();
    return Launch(QStringLiteral("/usr/sbin/mosquitto"), {QStringLiteral("-c"), conf},
                  folder + QStringLiteral("/mosquitto.log"));
  }
};

// influxd with its folders in folder, its HTTP API and its RPC on loopback ports only; Start again
// after Stop takes up the same folders and ports.
class Database : public Server {
 public:
  bool Start(const QString& folder) {
    if (port_ == 0) {
      port_ = FreePort();
      rpcPort_ = FreePort();
      folder_ = folder;
    }
    const QString conf = folder_ + QStringLiteral("/influxdb.conf");
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QStringLiteral("reporting-disabled = true\nbind-address = \"127.0.0.1:%2\"\n"
                              "[meta]\n  dir = \"%1/meta\"\n"
                              "[data]\n  dir = \"%1/data\"\n  wal-dir = \"%1/wal\"\n"
                              "  query-log-enabled = false\n"
                              "[http]\n  bind-address = \"127.0.0.1:%3\"\n  log-enabled = false\n"
                              "[monitor]\n  store-enabled = false\n"
                              "[continuous_queries]\n  enabled = false\n")
                   .arg(folder_)
                   .arg(rpcPort_)
                   .arg(port_)
                   .toUtf8());
    file.close();
    return Launch(QStringLiteral("influxd"), {QStringLiteral("-config"), conf},
                  folder_ + QStringLiteral("/influxd.log")) &&
           !Query(QStringLiteral("CREATE DATABASE lab")).isEmpty();
  }

  // The JSON answer of an InfluxQL statement on database lab (times in ms), empty on failure.
  QJsonObject Query(const QString& statement) const {
    QNetworkAccessManager network;
    QUrl url(QStringLiteral("http://127.0.0.1:%1/query").arg(port_));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("db"), QStringLiteral("lab"));
    query.addQueryItem(QStringLiteral("epoch"), QStringLiteral("ms"));
    query.addQueryItem(QStringLiteral("q"), QString::fromUtf8(QUrl::toPercentEncoding(statement)));
    url.setQuery(query);
    QNetworkRequest request(url);
    request.setTransferTimeout(20000);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/plain"));
    QNetworkReply* reply = network.post(request, QByteArray());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) return {};
    return QJsonDocument::fromJson(reply->readAll()).object();
  }

  // The rows of the first series of a SELECT, as [time, columns...] arrays.
  QJsonArray Values(const QString& statement) const {
    return Query(statement)[QStringLiteral("results")][0][QStringLiteral("series")][0]
                           [QStringLiteral("values")]
                               .toArray();
  }

 private:
  int rpcPort_ = 0;
  QString folder_;
};

// mosquitto_sub on a topic, its output kept in a file (a pipe nobody reads while the test waits
// would hold it up).
class Subscriber {
 public:
  void Start(int port, const QString& topic, const QStringList& extra = {}) {
    output_.open();
    process_.setStandardOutputFile(output_.fileName());
    process_.start(
        QStringLiteral("mosquitto_sub"),
        QStringList{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                    QString::number(port), QStringLiteral("-q"), QStringLiteral("1"),
                    QStringLiteral("-v"), QStringLiteral("-t"), topic} +
            extra);
    process_.waitForStarted();
  }
  QByteArray Stop() {
    process_.terminate();
    process_.waitForFinished(5000);
    return output_.readAll();
  }
  // Runs to its end (with -C/-W in extra) and gives what it printed.
  QByteArray Wait() {
    process_.waitForFinished(15000);
    return output_.readAll();
  }

 private:
  QTemporaryFile output_;
  QProcess process_;
};

}  // namespace labtest
