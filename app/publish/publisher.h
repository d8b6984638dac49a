// Publishing a run to the lab's systems: one destination per URL (an MQTT broker, an InfluxDB
// database), each with its queue on disk. The calls of the run cost the caller an encoding and an
// append to each queue (the page cache) and a wake-up: the sending, its waiting and its retries
// happen on the publisher's own thread, so that no destination delays a sample. What a destination
// has not acknowledged stays in its queue and goes out in order when it is back, after a restart
// too.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <memory>
#include <vector>

#include "core/publish_url.h"
#include "core/run_rows.h"

class Destination;
class DiskQueue;
class LineProtocol;
class MqttJson;

class Publisher : public QObject {
  Q_OBJECT

 public:
  // The destinations of urls (each ok), their queues in folders under queueRoot.
  Publisher(std::vector<PublishUrl> urls, QString queueRoot, QObject* parent = nullptr);
  ~Publisher() override;

  // Opens the queues (taking over what earlier runs left) and starts sending; false with the
  // reason when a queue or a client cannot be set up.
  bool Open(QString* error);

  void Begin(const RunBegin& run);
  void Rows(const std::vector<RunSample>& rows);
  void Mark(const RunMark& mark);
  void Alarm(const RunAlarm& alarm);
  // Gives what waits up to timeoutMs to go out, then disconnects; the rest stays queued.
  void Finish(int timeoutMs);

  std::vector<PublishDestinationStatus> Statuses() const;
  // The queue folders in use, one per destination.
  QStringList QueueFolders() const;

 signals:
  // The operator's message (Japanese): a destination went away, caught up or refused, or a queue
  // cannot grow.
  void message(const QString& text);

 private:
  struct Channel;
  void Append(Channel& channel, uint8_t kind, uint16_t count, const std::string& payload);

  std::vector<PublishUrl> urls_;
  QString queueRoot_;
  std::vector<std::unique_ptr<Channel>> channels_;
  QThread thread_;
  std::string scratch_;
  bool finished_ = false;
};
