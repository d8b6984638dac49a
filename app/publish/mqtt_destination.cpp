#include "publish/mqtt_destination.h"

#include <mosquitto.h>
#include <unistd.h>

#include <QSysInfo>

#include "core/json_text.h"
#include "publish/mqtt_json.h"

namespace {

constexpr int kKeepAliveSeconds = 30;

void LibraryInit() {
  static const int once = mosquitto_lib_init();
  (void)once;
}

}  // namespace

MqttDestination::MqttDestination(PublishUrl url, DiskQueue& queue)
    : Destination(std::move(url), queue), latestTimer_(this), retry_(this) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] { TryConnect(); });
  latestTimer_.setInterval(1000);
  connect(&latestTimer_, &QTimer::timeout, this, [this] { PublishLatest(); });
}

MqttDestination::~MqttDestination() {
  if (!client_) return;
  if (looping_) mosquitto_loop_stop(client_, true);
  mosquitto_destroy(client_);
}

std::string MqttDestination::Topic(const char* leaf) const {
  return url_.prefix.toStdString() + '/' + leaf;
}

bool MqttDestination::Prepare(QString* error) {
  LibraryInit();
  const std::string id = "korvale-" + QSysInfo::machineHostName().left(40).toStdString() + '-' +
                         std::to_string(::getpid());
  client_ = mosquitto_new(id.c_str(), true, this);
  if (!client_) {
    *error = QStringLiteral("%1: MQTT の接続を用意できません。").arg(url_.Name());
    return false;
  }
  mosquitto_connect_callback_set(client_, &MqttDestination::OnConnect);
  mosquitto_disconnect_callback_set(client_, &MqttDestination::OnDisconnect);
  mosquitto_publish_callback_set(client_, &MqttDestination::OnPublish);
  mosquitto_reconnect_delay_set(client_, 1, 30, true);
  if (!url_.user.isEmpty()) {
    mosquitto_username_pw_set(
        client_, url_.user.toUtf8().constData(),
        url_.password.isEmpty() ? nullptr : url_.password.toUtf8().constData());
  }
  const std::string status = Topic("status");
  mosquitto_will_set(client_, status.c_str(), 7, "offline", 1, true);
  if (url_.kind == PublishUrl::Kind::Mqtts) {
    const int rc = mosquitto_tls_set(client_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      *error = QStringLiteral("%1: TLS を用意できません（%2）。")
                   .arg(url_.Name(), QString::fromUtf8(mosquitto_strerror(rc)));
      return false;
    }
  }
  return true;
}

void MqttDestination::OnConnect(mosquitto*, void* self, int rc) {
  auto* d = static_cast<MqttDestination*>(self);
  QMetaObject::invokeMethod(
      d, [d, rc] { d->Connected(rc == 0); }, Qt::QueuedConnection);
}

void MqttDestination::OnDisconnect(mosquitto*, void* self, int) {
  auto* d = static_cast<MqttDestination*>(self);
  QMetaObject::invokeMethod(
      d, [d] { d->Connected(false); }, Qt::QueuedConnection);
}

void MqttDestination::OnPublish(mosquitto*, void* self, int mid) {
  auto* d = static_cast<MqttDestination*>(self);
  QMetaObject::invokeMethod(
      d, [d, mid] { d->Published(mid); }, Qt::QueuedConnection);
}

void MqttDestination::Start() {
  next_ = queue_.Acked();
  latestTimer_.start();
  TryConnect();
}

void MqttDestination::TryConnect() {
  if (stopped_) return;
  // A broker that cannot be reached at the first try is tried again from here, with the backoff;
  // once connected, the client's thread reconnects a lost connection by itself.
  const int rc = mosquitto_connect_async(client_, url_.host.toUtf8().constData(), url_.port,
                                         kKeepAliveSeconds);
  if (rc != MOSQ_ERR_SUCCESS) {
    Reached(false);
    retry_.start(NextBackoffMs());
    return;
  }
  if (!looping_) looping_ = mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
}

void MqttDestination::Stop() {
  stopped_ = true;
  retry_.stop();
  latestTimer_.stop();
  if (!client_) return;
  if (connected_) {
    PublishLatest();
    const std::string status = Topic("status");
    mosquitto_publish(client_, nullptr, status.c_str(), 7, "offline", 1, true);
  }
  mosquitto_disconnect(client_);
  if (looping_) mosquitto_loop_stop(client_, false);
  looping_ = false;
  connected_ = false;
}

void MqttDestination::Connected(bool ok) {
  if (stopped_) return;  // the disconnection at the end of the run
  const bool was = connected_.load();
  if (ok != was) {
    // What was in flight goes again from the acknowledged position: each sample at least once.
    inFlight_.clear();
    next_ = queue_.Acked();
  }
  if (ok && !was) {
    const std::string status = Topic("status");
    mosquitto_publish(client_, nullptr, status.c_str(), 6, "online", 1, true);
  }
  Reached(ok);
  if (ok) Send();
}

void MqttDestination::Send() {
  if (!connected_) return;
  DiskQueue::Record record;
  while (inFlight_.size() < kInFlight && queue_.Read(next_, record)) {
    Sent sent{0, record.end, record.count, false};
    std::string payload = std::move(record.payload);
    const auto kind = static_cast<QueueKind>(record.kind);
    // Consecutive rows go together, up to a message's size.
    while (kind == QueueKind::Samples && payload.size() < kMessageBytes &&
           queue_.Read(sent.end, record) && static_cast<QueueKind>(record.kind) == kind) {
      payload += record.payload;
      sent.end = record.end;
      sent.count += record.count;
    }
    const std::string topic = Topic(kind == QueueKind::Samples ? "samples"
                                    : kind == QueueKind::Mark  ? "mark"
                                                               : "alarm");
    const int rc = mosquitto_publish(client_, &sent.mid, topic.c_str(),
                                     static_cast<int>(payload.size()), payload.data(), 1, false);
    if (rc != MOSQ_ERR_SUCCESS) return;  // the connection went: its callback rewinds
    next_ = sent.end;
    inFlight_.push_back(sent);
  }
}

void MqttDestination::Published(int mid) {
  for (Sent& sent : inFlight_) {
    if (sent.mid == mid) sent.acknowledged = true;
  }
  DiskQueue::Position to;
  int64_t count = 0;
  bool any = false;
  while (!inFlight_.empty() && inFlight_.front().acknowledged) {
    to = inFlight_.front().end;
    count += inFlight_.front().count;
    any = true;
    inFlight_.pop_front();
  }
  if (any) Acknowledged(to, count);
  Send();
}

void MqttDestination::Latest(const RunSample& row) {
  std::lock_guard<std::mutex> hold(latestMutex_);
  for (size_t u = 0; u < 4; ++u) {
    if (row.values[u]) latest_[u] = row.values[u];
  }
  latestNew_ = true;
}

void MqttDestination::PublishLatest() {
  std::array<std::optional<float>, 4> values;
  {
    std::lock_guard<std::mutex> hold(latestMutex_);
    if (!latestNew_ || !connected_) return;
    latestNew_ = false;
    values = latest_;
  }
  for (size_t u = 0; u < 4; ++u) {
    if (!values[u]) continue;
    std::string text;
    AppendShortestFloat(text, *values[u]);
    const std::string topic = Topic(("ID" + std::to_string(u)).c_str());
    mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(text.size()), text.data(),
                      0, true);
  }
}
