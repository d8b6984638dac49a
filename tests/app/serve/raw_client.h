// A client of the web server over a real TCP socket, for tests that run the server on their own
// thread: its waits run the event loop, so the server answers while the client waits.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace servetest {

class RawClient {
 public:
  // Connects to 127.0.0.1:port; receiveBuffer > 0 makes the kernel's receive buffer that small.
  explicit RawClient(quint16 port, int receiveBuffer = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0) {
      ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
  }
  ~RawClient() { ::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Connected() const { return connected_; }
  bool Closed() const { return closed_; }
  QByteArray& Data() { return data_; }

  // Sends all of bytes, running the event loop while the kernel's buffer is full.
  void Send(const QByteArray& bytes) {
    qsizetype sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (sent < bytes.size() && clock.elapsed() < 5000) {
      const ssize_t n = ::send(fd_, bytes.constData() + sent,
                               static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
      if (n > 0) sent += n;
      if (n < 0 && errno != EAGAIN) return;
      QCoreApplication::processEvents();
    }
  }

  // Takes what has arrived, without waiting.
  void Drain() {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0) {
        data_.append(buffer, n);
      } else {
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) closed_ = true;
        return;
      }
    }
  }

  // Runs the event loop and reads until done(data) holds, the server closes or ms pass.
  bool ReadUntil(const std::function<bool(const QByteArray&)>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
      QCoreApplication::processEvents();
      Drain();
      if (done(data_)) return true;
      if (closed_) return false;
      ::usleep(500);
    }
    return false;
  }

  // Reads until the server closes the connection.
  bool ReadToClose(int ms = 10000) {
    ReadUntil([](const QByteArray&) { return false; }, ms);
    return closed_;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  QByteArray data_;
};

// One answer of the server, taken apart.
struct Answer {
  int status = 0;
  QByteArray head;
  QByteArray body;
  QByteArray Header(const QByteArray& name) const {
    for (const QByteArray& line : head.split('\n')) {
      if (line.toLower().startsWith(name.toLower() + ':'))
        return line.mid(name.size() + 1).trimmed();
    }
    return {};
  }
};

// Whether data holds a whole answer: its head and the body its Content-Length announces.
inline bool WholeAnswer(const QByteArray& data) {
  const int end = data.indexOf("\r\n\r\n");
  if (end < 0) return false;
  const int at = data.toLower().indexOf("content-length:");
  if (at < 0 || at > end) return false;
  const int length = data.mid(at + 15, data.indexOf('\r', at) - at - 15).trimmed().toInt();
  return data.size() >= end + 4 + length;
}

inline Answer Parse(const QByteArray& data) {
  Answer answer;
  const int end = data.indexOf("\r\n\r\n");
  answer.head = data.left(end);
  answer.body = end < 0 ? QByteArray() : data.mid(end + 4);
  answer.status = data.mid(9, 3).toInt();
  return answer;
}

// A GET of path with extra header lines ("Name: value\r\n"); an answer without Content-Length
// is read to the close.
inline Answer Get(quint16 port, const QByteArray& path, const QByteArray& headers = {}) {
  RawClient client(port);
  client.Send("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
  client.ReadUntil(WholeAnswer);
  if (!WholeAnswer(client.Data())) client.ReadToClose();
  return Parse(client.Data());
}

}  // namespace servetest
