#include "publish/destination.h"

#include <algorithm>

Destination::Destination(PublishUrl url, DiskQueue& queue)
    : url_(std::move(url)), queue_(queue), sync_(this) {
  // What was appended reaches the disk at most about once a second, off the caller's thread.
  sync_.setInterval(1000);
  connect(&sync_, &QTimer::timeout, this, [this] { queue_.Sync(); });
  QMetaObject::invokeMethod(&sync_, qOverload<>(&QTimer::start), Qt::QueuedConnection);
}

PublishDestinationStatus Destination::Status() const {
  return {url_.Name(), connected_.load(), queue_.Waiting()};
}

void Destination::WakeSoon() {
  if (wakePending_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        wakePending_ = false;
        Send();
      },
      Qt::QueuedConnection);
}

void Destination::Reached(bool ok) {
  connected_ = ok;
  if (ok) {
    backoffMs_ = 0;
    CaughtUpCheck();
    return;
  }
  if (away_) return;
  away_ = true;
  sentSinceAway_ = 0;
  emit message(QStringLiteral("%1 に接続できません。データは待ち行列に保存し、再接続後に送ります。")
                   .arg(url_.Name()));
}

void Destination::Acknowledged(DiskQueue::Position to, int64_t count) {
  queue_.Acknowledge(to, count);
  sentSinceAway_ += count;
  CaughtUpCheck();
}

void Destination::CaughtUpCheck() {
  if (!away_ || !connected_ || queue_.Waiting() > 0) return;
  away_ = false;
  emit message(
      QStringLiteral("%1 に追いつきました（%2 件送信）。").arg(url_.Name()).arg(sentSinceAway_));
}

int Destination::NextBackoffMs() {
  backoffMs_ = backoffMs_ == 0 ? 1000 : std::min(backoffMs_ * 2, 30000);
  return backoffMs_;
}
