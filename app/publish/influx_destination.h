// An InfluxDB database: the queue's line protocol POSTed to /write (1.x) or /api/v2/write (2.x,
// with its token) in batches, one request at a time; 204 acknowledges a batch. A failure or a
// request without an answer for 10 s is retried after 1 s, doubling to 30 s; a refusal (a 4xx
// other than 408 and 429) is told once and retried every 30 s, the queue keeping the batch.
#pragma once

#include <QTimer>

#include "publish/destination.h"

class QNetworkAccessManager;
class QNetworkReply;

class InfluxDestination : public Destination {
  Q_OBJECT

 public:
  static constexpr size_t kBatchBytes = size_t{512} << 10;
  static constexpr int kTimeoutMs = 10000;

  InfluxDestination(PublishUrl url, DiskQueue& queue);

  void Start() override;
  void Stop() override;

 protected:
  void Send() override;

 private:
  void Finished(QNetworkReply* reply);
  void Retry(int ms);

  QNetworkAccessManager* network_ = nullptr;
  QNetworkReply* inFlight_ = nullptr;
  DiskQueue::Position batchEnd_;
  int64_t batchCount_ = 0;
  QTimer retry_;
  bool refusalTold_ = false;
  bool stopped_ = false;
};
