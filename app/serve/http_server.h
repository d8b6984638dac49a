// A small HTTP/1.1 server on a TCP listener, for the web view: fixed routes answered by one
// handler, on the thread of the measurement, never blocking it. Every write is a non-blocking
// write into the socket's buffer; what a client leaves unread is bounded:
// - a request head of at most 8 KiB (431 otherwise) and a body of at most 4 KiB (413), sent
//   within 10 s; then the connection is closed;
// - at most 64 clients at once (the next one gets 503);
// - a connection idle for 30 s (no request, or a response nobody reads) is closed;
// - an event stream client whose unsent bytes pass 1 MiB is dropped;
// - a long answer (a body producer) is made a piece at a time as the client reads it.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QTcpServer;
class QTcpSocket;
class HttpConnection;

struct HttpRequest {
  QByteArray method;  // "GET", "POST", ...
  QByteArray path;    // the target's path, percent-encoding as sent
  std::vector<std::pair<QByteArray, QByteArray>> query;    // decoded names and values
  std::vector<std::pair<QByteArray, QByteArray>> headers;  // names in lower case
  QByteArray body;

  // The first header or query value of that name; empty when none.
  QByteArray Header(const char* lowerName) const;
  QByteArray Query(const char* name, bool* present = nullptr) const;
};

struct HttpResponse {
  int status = 200;
  QByteArray contentType = "text/plain; charset=utf-8";
  std::vector<std::pair<QByteArray, QByteArray>> headers;
  std::string body;
  // When set, the body is made by calls that each append the next piece to out and return false
  // after the last one; the connection closes after it.
  std::function<bool(std::string& out)> producer;
  // The connection becomes an event stream: the head and body are sent, then whatever Broadcast
  // sends.
  bool eventStream = false;
};

class HttpServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxHead = 8 * 1024;
  static constexpr int kMaxBody = 4 * 1024;
  static constexpr int kMaxClients = 64;
  static constexpr qint64 kMaxUnsent = 1024 * 1024;
  static constexpr int kIdleMs = 30000;
  static constexpr int kRequestMs = 10000;

  using Handler = std::function<HttpResponse(const HttpRequest&)>;

  explicit HttpServer(Handler handler, QObject* parent = nullptr);
  ~HttpServer() override;

  // Listens on address:port; false with the reason (Japanese) when it cannot.
  bool Listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 Port() const;

  // Sends bytes to every event stream client; one whose unsent bytes would pass the limit is
  // dropped instead.
  void Broadcast(const QByteArray& bytes);
  int Clients() const { return static_cast<int>(connections_.size()); }
  int StreamClients() const;
  // Event stream clients dropped for reading too slowly, since the start.
  int64_t Dropped() const { return dropped_; }

 private:
  friend class HttpConnection;
  void Accept();
  void Forget(HttpConnection* connection);

  Handler handler_;
  QTcpServer* listener_;
  std::vector<HttpConnection*> connections_;
  int64_t dropped_ = 0;
};
