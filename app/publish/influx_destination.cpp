#include "publish/influx_destination.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QUrlQuery>

InfluxDestination::InfluxDestination(PublishUrl url, DiskQueue& queue)
    : Destination(std::move(url), queue), retry_(this) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] { Send(); });
}

void InfluxDestination::Start() {
  network_ = new QNetworkAccessManager(this);
  Send();
}

void InfluxDestination::Stop() {
  stopped_ = true;
  retry_.stop();
  if (inFlight_) inFlight_->abort();
}

void InfluxDestination::Send() {
  if (!network_ || inFlight_ || retry_.isActive() || stopped_) return;
  // A batch of whole records from the acknowledged position on.
  std::string body;
  const DiskQueue::Position from = queue_.Acked();
  DiskQueue::Position at = from;
  int64_t count = 0;
  DiskQueue::Record record;
  while (body.size() < kBatchBytes && queue_.Read(at, record)) {
    body += record.payload;
    count += record.count;
    at = record.end;
  }
  if (at.segment == from.segment && at.offset == from.offset) return;
  QUrl url;
  url.setScheme(QStringLiteral("http"));
  url.setHost(url_.host);
  url.setPort(url_.port);
  QUrlQuery query;
  if (url_.kind == PublishUrl::Kind::Influx1) {
    url.setPath(QStringLiteral("/write"));
    query.addQueryItem(QStringLiteral("db"), url_.database);
  } else {
    url.setPath(QStringLiteral("/api/v2/write"));
    query.addQueryItem(QStringLiteral("org"), url_.org);
    query.addQueryItem(QStringLiteral("bucket"), url_.bucket);
  }
  query.addQueryItem(QStringLiteral("precision"), QStringLiteral("ns"));
  url.setQuery(query);
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/plain"));
  request.setTransferTimeout(kTimeoutMs);
  if (url_.kind == PublishUrl::Kind::Influx2) {
    request.setRawHeader("Authorization", "Token " + url_.token.toUtf8());
  }
  batchEnd_ = at;
  batchCount_ = count;
  inFlight_ = network_->post(request, QByteArray(body.data(), static_cast<qsizetype>(body.size())));
  connect(inFlight_, &QNetworkReply::finished, this,
          [this, reply = inFlight_] { Finished(reply); });
}

void InfluxDestination::Finished(QNetworkReply* reply) {
  reply->deleteLater();
  inFlight_ = nullptr;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (stopped_) return;
  if (status == 204) {
    refusalTold_ = false;
    Acknowledged(batchEnd_, batchCount_);
    Reached(true);
    Send();
    return;
  }
  const bool refused = status >= 400 && status < 500 && status != 408 && status != 429;
  if (!refused) {
    Reached(false);
    Retry(NextBackoffMs());
    return;
  }
  // The database answers but does not take the batch (a wrong database, a token without rights):
  // the queue keeps it for when that has been put right.
  connected_ = false;
  if (!refusalTold_) {
    refusalTold_ = true;
    emit message(QStringLiteral("%1 が送信を拒否しました（HTTP %2: %3）。データは待ち行列に残し、"
                                "30 秒ごとに送り直します。")
                     .arg(url_.Name())
                     .arg(status)
                     .arg(QString::fromUtf8(reply->readAll().left(200)).simplified()));
  }
  Retry(30000);
}

void InfluxDestination::Retry(int ms) {
  retry_.start(ms);
}
