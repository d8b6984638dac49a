// An MQTT broker through libmosquitto, whose own thread keeps the connection (reconnecting after
// 1 s, doubling to 30 s). PREFIX/status is "online", retained, with "offline" as the last will;
// the queue's rows go to PREFIX/samples at QoS 1, several JSON lines a message, its marks and
// alarm events to PREFIX/mark and PREFIX/alarm; the queue's position advances as the broker
// acknowledges them, in order, with a bounded number in flight. PREFIX/IDn holds each unit's newest
// value as plain text, retained, at most once a second. libmosquitto's callbacks are handed to the
// publisher's thread.
#pragma once

#include <QTimer>
#include <array>
#include <deque>
#include <mutex>
#include <optional>

#include "publish/destination.h"

struct mosquitto;

class MqttDestination : public Destination {
  Q_OBJECT

 public:
  static constexpr size_t kMessageBytes = size_t{256} << 10;
  static constexpr size_t kInFlight = 16;

  MqttDestination(PublishUrl url, DiskQueue& queue);
  ~MqttDestination() override;

  // Sets up the client; false with the reason when libmosquitto refuses (TLS without certificates).
  bool Prepare(QString* error);
  void Latest(const RunSample& row) override;

  void Start() override;
  void Stop() override;

 protected:
  void Send() override;

 private:
  struct Sent {
    int mid = 0;
    DiskQueue::Position end;
    int64_t count = 0;
    bool acknowledged = false;
  };
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnPublish(mosquitto*, void* self, int mid);
  void Connected(bool ok);
  void Published(int mid);
  void PublishLatest();
  void TryConnect();
  std::string Topic(const char* leaf) const;

  mosquitto* client_ = nullptr;
  bool looping_ = false;
  bool stopped_ = false;
  std::deque<Sent> inFlight_;
  DiskQueue::Position next_;  // the first record not handed to the client
  std::mutex latestMutex_;
  std::array<std::optional<float>, 4> latest_{};
  bool latestNew_ = false;
  QTimer latestTimer_;
  QTimer retry_;  // the first connection's next try
};
