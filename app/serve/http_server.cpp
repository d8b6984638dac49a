#include "serve/http_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {

// Below this many unsent bytes a body producer is asked for its next piece.
constexpr qint64 kProducerLowWater = 256 * 1024;

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 303:
      return "See Other";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 410:
      return "Gone";
    case 411:
      return "Length Required";
    case 413:
      return "Content Too Large";
    case 431:
      return "Request Header Fields Too Large";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    default:
      return "Error";
  }
}

QByteArray Decoded(const QByteArray& text) {
  QByteArray plus = text;
  plus.replace('+', ' ');
  return QByteArray::fromPercentEncoding(plus);
}

}  // namespace

QByteArray HttpRequest::Header(const char* lowerName) const {
  for (const auto& [name, value] : headers) {
    if (name == lowerName) return value;
  }
  return {};
}

QByteArray HttpRequest::Query(const char* name, bool* present) const {
  for (const auto& [key, value] : query) {
    if (key == name) {
      if (present) *present = true;
      return value;
    }
  }
  if (present) *present = false;
  return {};
}

// One client: reads a request at a time, hands it to the server's handler and writes the answer.
class HttpConnection : public QObject {
 public:
  HttpConnection(HttpServer& server, QTcpSocket* socket)
      : QObject(&server), server_(server), socket_(socket) {
    socket_->setParent(this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { OnTimeout(); });
    connect(socket_, &QTcpSocket::readyRead, this, [this] { Read(); });
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] { OnWritten(); });
    connect(socket_, &QTcpSocket::disconnected, this, [this] { Close(); });
    timer_.start(HttpServer::kRequestMs);
  }

  bool Streaming() const { return streaming_; }
  qint64 Unsent() const { return socket_->bytesToWrite(); }
  void Send(const QByteArray& bytes) { socket_->write(bytes); }

  // Ends the connection at once; the object goes once the event loop is back.
  void Close() {
    if (closed_) return;
    closed_ = true;
    timer_.stop();
    socket_->disconnect(this);
    socket_->abort();
    server_.Forget(this);
    deleteLater();
  }

  // Answers status with a short text and closes once it is sent.
  void Refuse(int status, const char* text) {
    HttpResponse response;
    response.status = status;
    response.body = text;
    closeAfter_ = true;
    Answer(response);
  }

 private:
  void Read() {
    if (closed_ || streaming_ || answering_) {
      // A client says nothing more once its stream is open; what it sends is dropped.
      if (streaming_) socket_->readAll();
      return;
    }
    buffer_ += socket_->readAll();
    Parse();
  }

  void Parse() {
    if (!haveHead_) {
      const int end = buffer_.indexOf("\r\n\r\n");
      if (end < 0) {
        if (buffer_.size() > HttpServer::kMaxHead) Refuse(431, "request head too large\n");
        return;
      }
      if (end + 4 > HttpServer::kMaxHead) return Refuse(431, "request head too large\n");
      if (!ParseHead(buffer_.left(end))) return;
      buffer_.remove(0, end + 4);
      haveHead_ = true;
    }
    if (buffer_.size() < bodyLength_) return;
    request_.body = buffer_.left(bodyLength_);
    buffer_.remove(0, bodyLength_);
    haveHead_ = false;
    HttpRequest request = std::move(request_);
    request_ = HttpRequest{};
    Answer(server_.handler_(request));
  }

  // The request line and the headers; false when the request has been refused.
  bool ParseHead(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3 || !first[2].startsWith("HTTP/1.")) {
      Refuse(400, "bad request\n");
      return false;
    }
    request_.method = first[0];
    const QByteArray target = first[1];
    const int question = target.indexOf('?');
    request_.path = question < 0 ? target : target.left(question);
    if (question >= 0) {
      for (const QByteArray& pair : target.mid(question + 1).split('&')) {
        if (pair.isEmpty()) continue;
        const int eq = pair.indexOf('=');
        request_.query.emplace_back(Decoded(eq < 0 ? pair : pair.left(eq)),
                                    eq < 0 ? QByteArray() : Decoded(pair.mid(eq + 1)));
      }
    }
    for (int i = 1; i < lines.size(); ++i) {
      const int colon = lines[i].indexOf(':');
      if (colon <= 0) continue;
      request_.headers.emplace_back(lines[i].left(colon).trimmed().toLower(),
                                    lines[i].mid(colon + 1).trimmed());
    }
    keepAlive_ = first[2] == "HTTP/1.1" ? request_.Header("connection").toLower() != "close"
                                        : request_.Header("connection").toLower() == "keep-alive";
    if (!request_.Header("transfer-encoding").isEmpty()) {
      Refuse(411, "a body needs Content-Length\n");
      return false;
    }
    bool ok = true;
    const QByteArray length = request_.Header("content-length");
    bodyLength_ = length.isEmpty() ? 0 : length.toInt(&ok);
    if (!ok || bodyLength_ < 0) {
      Refuse(400, "bad Content-Length\n");
      return false;
    }
    if (bodyLength_ > HttpServer::kMaxBody) {
      Refuse(413, "request body too large\n");
      return false;
    }
    return true;
  }

  void Answer(const HttpResponse& response) {
    answering_ = true;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      Reason(response.status) + "\r\nContent-Type: " + response.contentType +
                      "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (response.eventStream) {
      streaming_ = true;
      timer_.stop();
      // A small kernel buffer: what a client leaves unread piles up where it is counted.
      socket_->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 64 * 1024);
      head += "\r\n";
    } else if (response.producer) {
      producer_ = response.producer;
      closeAfter_ = true;
      head += "Connection: close\r\n\r\n";
    } else {
      if (!keepAlive_) closeAfter_ = true;
      head += "Content-Length: " + QByteArray::number(qsizetype(response.body.size())) +
              (closeAfter_ ? "\r\nConnection: close\r\n\r\n" : "\r\n\r\n");
    }
    socket_->write(head);
    socket_->write(response.body.data(), static_cast<qint64>(response.body.size()));
    if (!streaming_) timer_.start(HttpServer::kIdleMs);
    OnWritten();
  }

  // More of a produced body, or the end of an answer once it has all gone out.
  void OnWritten() {
    if (closed_ || streaming_ || !answering_) return;
    timer_.start(HttpServer::kIdleMs);
    if (producer_) {
      std::string piece;
      bool more = true;
      while (more && socket_->bytesToWrite() < kProducerLowWater) {
        piece.clear();
        more = producer_(piece);
        socket_->write(piece.data(), static_cast<qint64>(piece.size()));
      }
      if (more) return;
      producer_ = nullptr;
    }
    if (socket_->bytesToWrite() > 0) return;
    if (closeAfter_) {
      closed_ = true;
      timer_.stop();
      socket_->disconnect(this);
      socket_->disconnectFromHost();
      connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
      QTimer::singleShot(HttpServer::kRequestMs, this, [this] { deleteLater(); });
      server_.Forget(this);
      return;
    }
    answering_ = false;
    timer_.start(HttpServer::kIdleMs);
    Read();  // a request that came while this one was answered
  }

  void OnTimeout() {
    if (!answering_ && (haveHead_ || !buffer_.isEmpty())) return Refuse(408, "request timeout\n");
    Close();
  }

  HttpServer& server_;
  QTcpSocket* socket_;
  QTimer timer_;
  QByteArray buffer_;
  HttpRequest request_;
  bool haveHead_ = false;
  int bodyLength_ = 0;
  bool keepAlive_ = false;
  bool answering_ = false;
  bool closeAfter_ = false;
  bool streaming_ = false;
  bool closed_ = false;
  std::function<bool(std::string&)> producer_;
};

HttpServer::HttpServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), listener_(new QTcpServer(this)) {
  connect(listener_, &QTcpServer::newConnection, this, [this] { Accept(); });
}

HttpServer::~HttpServer() {
  // The connections are children; they must not call back into a server being destroyed.
  const std::vector<HttpConnection*> connections = connections_;
  connections_.clear();
  for (HttpConnection* c : connections) delete c;
}

bool HttpServer::Listen(const QHostAddress& address, quint16 port, QString* error) {
  if (listener_->listen(address, port)) return true;
  if (error) {
    *error = QStringLiteral("%1:%2 で待ち受けできません（%3）。")
                 .arg(address.toString())
                 .arg(port)
                 .arg(listener_->errorString());
  }
  return false;
}

quint16 HttpServer::Port() const {
  return listener_->serverPort();
}

void HttpServer::Accept() {
  while (QTcpSocket* socket = listener_->nextPendingConnection()) {
    auto* connection = new HttpConnection(*this, socket);
    connections_.push_back(connection);
    if (static_cast<int>(connections_.size()) > kMaxClients) {
      connection->Refuse(503, "too many clients\n");
    }
  }
}

void HttpServer::Forget(HttpConnection* connection) {
  connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                     connections_.end());
}

void HttpServer::Broadcast(const QByteArray& bytes) {
  std::vector<HttpConnection*> slow;
  for (HttpConnection* c : connections_) {
    if (!c->Streaming()) continue;
    if (c->Unsent() + bytes.size() > kMaxUnsent) {
      slow.push_back(c);
    } else {
      c->Send(bytes);
    }
  }
  for (HttpConnection* c : slow) {
    ++dropped_;
    c->Close();
  }
}

int HttpServer::StreamClients() const {
  return static_cast<int>(std::count_if(connections_.begin(), connections_.end(),
                                        [](const HttpConnection* c) { return c->Streaming(); }));
}
