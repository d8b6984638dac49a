// The web server on a thread of its own, for the measurement's followers: each call hands a copy
// of what it is given to that thread and returns at once, so that the measurement's thread pays
// for a copy of a poll's rows and nothing else, however many pages are connected and whatever
// they read (the writes to 50 sockets cost a poll about 0.2 ms on the thread that does them).
// A mark asked for by a page is made on the owner's thread (the session's), which the server's
// thread waits for up to 2 s.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QThread>
#include <functional>
#include <optional>
#include <vector>

#include "core/run_rows.h"

class WebServer;

class ServeThread {
 public:
  using MarkHandler = std::function<std::optional<RunMark>(const QString& text)>;

  ServeThread();
  // Stops the thread; a mark a page is waiting for is given up.
  ~ServeThread();
  ServeThread(const ServeThread&) = delete;
  ServeThread& operator=(const ServeThread&) = delete;

  // Listens; false with the reason (Japanese). The handler, when given, runs on this object's
  // thread.
  bool Start(const QHostAddress& address, quint16 port, const QByteArray& token,
             MarkHandler markHandler, QString* error);
  quint16 Port() const { return port_; }

  void Begin(const RunBegin& run);
  void Rows(const std::vector<RunSample>& rows);
  void Mark(const RunMark& mark);
  void Alarm(const RunAlarm& alarm);
  void FileChanged(int32_t fileNumber);
  void End();
  void SetDestinations(const std::vector<PublishDestinationStatus>& destinations);
  // The publishing destinations' statuses, asked of source once a second on the owner's thread
  // and handed on when they changed (the metrics' queue lengths and connections).
  void FollowDestinations(std::function<std::vector<PublishDestinationStatus>()> source);

 private:
  // Runs f with the server on its thread, without waiting.
  void Post(std::function<void(WebServer&)> f);

  QThread thread_;
  QObject owner_;  // lives on the owner's thread: the marks are made there
  std::vector<PublishDestinationStatus> destinations_;  // as last handed on
  WebServer* server_ = nullptr;                         // lives on thread_
  quint16 port_ = 0;
};
