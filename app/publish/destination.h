// What the destinations share: the queue they send from, on the publisher's own thread, whether
// the far end takes what is sent, and the operator's messages when it went away and when it has
// caught up. A subclass sends what the queue holds from its acknowledged position on and
// acknowledges what the far end confirmed.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>

#include "core/publish_url.h"
#include "core/run_rows.h"
#include "publish/disk_queue.h"

// The kinds of the queue's records.
enum class QueueKind : uint8_t { Samples = 0, Mark = 1, Alarm = 2 };

class Destination : public QObject {
  Q_OBJECT

 public:
  Destination(PublishUrl url, DiskQueue& queue);

  const PublishUrl& Url() const { return url_; }
  DiskQueue& Queue() { return queue_; }
  PublishDestinationStatus Status() const;

  // The newest row, for destinations that show it (from the caller's thread).
  virtual void Latest(const RunSample&) {}
  // Wakes the destination once for any number of calls until it has run.
  void WakeSoon();

 public slots:
  // On the publisher's thread: connect and send what waits.
  virtual void Start() = 0;
  // On the publisher's thread: the run ended cleanly; disconnect.
  virtual void Stop() = 0;

 signals:
  void message(const QString& text);

 protected:
  // Sends what the queue holds, as far as the far end takes it now.
  virtual void Send() = 0;
  // The far end took (true) or failed (false): tells the operator at each change.
  void Reached(bool ok);
  // An acknowledgement of count samples or events up to to; tells the operator when the outage
  // is over.
  void Acknowledged(DiskQueue::Position to, int64_t count);
  // The delay before the next try after a failure: 1 s doubling up to 30 s.
  int NextBackoffMs();

  PublishUrl url_;
  DiskQueue& queue_;
  std::atomic<bool> connected_{false};

 private:
  void CaughtUpCheck();

  std::atomic<bool> wakePending_{false};
  bool away_ = false;  // the operator was told it went away
  int64_t sentSinceAway_ = 0;
  int backoffMs_ = 0;
  QTimer sync_;
};
