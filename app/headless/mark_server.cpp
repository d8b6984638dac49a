#include "headless/mark_server.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "headless/record_folder_lock.h"
#include "session/measurement_session.h"

namespace {

constexpr int kClientMs = 5000;         // a client's line, and the recorder's answer, within this
constexpr qint64 kLongestLine = 65536;  // a mark's text is short; more is no client of ours

// The text as one line: a JSON string, so that any character (a line break too) goes through.
QByteArray EncodeLine(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2) + '\n';
}

bool DecodeLine(const QByteArray& line, QString& text) {
  const QJsonDocument doc = QJsonDocument::fromJson('[' + line.trimmed() + ']');
  if (!doc.isArray() || doc.array().size() != 1 || !doc.array().at(0).isString()) return false;
  text = doc.array().at(0).toString();
  return true;
}

// Where the socket may live: the user's runtime folder, then folder (a sandbox may keep the
// runtime folder read-only).
QStringList SocketFolders(const QString& folder) {
  QStringList folders;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) folders << runtime;
  folders << folder;
  return folders;
}

}  // namespace

MarkServer::MarkServer(MeasurementSession& session, QObject* parent)
    : QObject(parent), session_(session), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) Serve(client);
  });
}

MarkServer::~MarkServer() {
  server_->close();  // removes the socket's file
}

QString MarkServer::Listen(const QString& folder, QString* error) {
  QString path;
  for (const QString& dir : SocketFolders(folder)) {
    QDir().mkpath(dir);
    path = QDir(dir).filePath(QStringLiteral("korvale-mark-%1.sock").arg(::getpid()));
    // A socket file of an earlier process of the same number is nobody's.
    QLocalServer::removeServer(path);
    if (server_->listen(path)) return path;
  }
  if (error) {
    *error = QStringLiteral("マークを受け付けるソケットを作れません（%1）: %2")
                 .arg(server_->errorString(), QDir::toNativeSeparators(path));
  }
  return {};
}

void MarkServer::Serve(QLocalSocket* client) {
  connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
  QTimer::singleShot(kClientMs, client, [client] { client->abort(); });
  connect(client, &QLocalSocket::readyRead, client, [this, client] {
    if (!client->canReadLine()) {
      if (client->bytesAvailable() > kLongestLine) client->abort();
      return;
    }
    QString text;
    const bool read = DecodeLine(client->readLine(kLongestLine), text);
    client->disconnect(this);
    if (!read) {
      client->write("refused\n");
    } else if (const std::optional<Mark> mark = session_.AddMark(text)) {
      client->write(QStringLiteral("ok %1 %2\n").arg(mark->number).arg(mark->sample).toUtf8());
    } else {
      client->write("idle\n");
    }
    client->disconnectFromServer();
  });
}

int SendMark(const QString& folder, const QString& text, QString& err) {
  const QString native = QDir::toNativeSeparators(folder);
  const FolderRecorder recorder = RecorderOf(folder);
  if (!recorder.held) {
    err = QStringLiteral("記録フォルダー %1 に記録中のプログラムがありません。").arg(native);
    return 1;
  }
  if (recorder.socket.isEmpty()) {
    err = QStringLiteral("記録フォルダー %1 の記録（プロセス %2）はマークを受け付けていません。")
              .arg(native, recorder.pid);
    return 1;
  }
  QLocalSocket socket;
  socket.connectToServer(recorder.socket);
  QByteArray answer;
  if (socket.waitForConnected(kClientMs)) {
    socket.write(EncodeLine(text));
    socket.flush();
    while (!answer.contains('\n') && socket.waitForReadyRead(kClientMs)) answer += socket.readAll();
    answer += socket.readAll();
  }
  if (answer.startsWith("ok ")) return 0;
  if (answer.startsWith("idle")) {
    err = QStringLiteral("記録フォルダー %1 の記録はまだ測定を始めていません。").arg(native);
  } else {
    err = QStringLiteral("記録フォルダー %1 の記録（プロセス %2）から応答がありません。")
              .arg(native, recorder.pid);
  }
  return 1;
}
