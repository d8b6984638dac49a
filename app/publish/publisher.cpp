#include "publish/publisher.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSysInfo>
#include <algorithm>
#include <cstring>

#include "publish/disk_queue.h"
#include "publish/influx_destination.h"
#include "publish/line_protocol.h"
#include "publish/mqtt_destination.h"
#include "publish/mqtt_json.h"

namespace {

// Rows per queue record: a poll's rows in one, a long stretch in parts.
constexpr size_t kRowsPerRecord = 1000;

}  // namespace

struct Publisher::Channel {
  Channel() : lines(QSysInfo::machineHostName()) {}
  DiskQueue queue;
  std::unique_ptr<Destination> destination;
  LineProtocol lines;
  MqttJson json;
  bool mqtt = false;
  bool cannotGrowTold = false;
};

Publisher::Publisher(std::vector<PublishUrl> urls, QString queueRoot, QObject* parent)
    : QObject(parent), urls_(std::move(urls)), queueRoot_(std::move(queueRoot)) {
  thread_.setObjectName(QStringLiteral("publish"));
}

Publisher::~Publisher() {
  Finish(0);
}

bool Publisher::Open(QString* error) {
  for (const PublishUrl& url : urls_) {
    auto channel = std::make_unique<Channel>();
    if (!channel->queue.Open(queueRoot_, url.SafeName(), error)) return false;
    channel->mqtt = url.IsMqtt();
    if (channel->mqtt) {
      auto mqtt = std::make_unique<MqttDestination>(url, channel->queue);
      if (!mqtt->Prepare(error)) return false;
      channel->destination = std::move(mqtt);
    } else {
      channel->destination = std::make_unique<InfluxDestination>(url, channel->queue);
    }
    connect(channel->destination.get(), &Destination::message, this, &Publisher::message,
            Qt::QueuedConnection);
    channel->destination->moveToThread(&thread_);
    channels_.push_back(std::move(channel));
  }
  thread_.start();
  for (auto& channel : channels_) {
    QMetaObject::invokeMethod(channel->destination.get(), &Destination::Start,
                              Qt::QueuedConnection);
  }
  return true;
}

void Publisher::Append(Channel& channel, uint8_t kind, uint16_t count, const std::string& payload) {
  if (payload.empty()) return;
  if (!channel.queue.Append(kind, count, payload.data(), payload.size())) {
    if (!channel.cannotGrowTold) {
      channel.cannotGrowTold = true;
      emit message(QStringLiteral("送信の待ち行列 %1 に書き込めません（%2）。%3 に送れないデータが"
                                  "ありますが、記録ファイルにはすべて残ります。")
                       .arg(QDir::toNativeSeparators(channel.queue.Folder()),
                            QString::fromLocal8Bit(std::strerror(errno)),
                            channel.destination->Url().Name()));
    }
    return;
  }
  channel.cannotGrowTold = false;
  channel.destination->WakeSoon();
}

void Publisher::Begin(const RunBegin& run) {
  for (auto& channel : channels_) channel->lines.Begin(run);
}

void Publisher::Rows(const std::vector<RunSample>& rows) {
  if (rows.empty() || finished_) return;
  for (auto& channel : channels_) {
    for (size_t from = 0; from < rows.size(); from += kRowsPerRecord) {
      const size_t count = std::min(kRowsPerRecord, rows.size() - from);
      scratch_.clear();
      if (channel->mqtt) {
        channel->json.AppendRows(scratch_, rows.data() + from, count);
      } else {
        channel->lines.AppendRows(scratch_, rows.data() + from, count);
      }
      Append(*channel, static_cast<uint8_t>(QueueKind::Samples), static_cast<uint16_t>(count),
             scratch_);
    }
    channel->destination->Latest(rows.back());
  }
}

void Publisher::Mark(const RunMark& mark) {
  if (finished_) return;
  for (auto& channel : channels_) {
    scratch_.clear();
    if (channel->mqtt) {
      channel->json.AppendMark(scratch_, mark);
    } else {
      channel->lines.AppendMark(scratch_, mark);
    }
    Append(*channel, static_cast<uint8_t>(QueueKind::Mark), 1, scratch_);
  }
}

void Publisher::Alarm(const RunAlarm& alarm) {
  if (finished_) return;
  for (auto& channel : channels_) {
    scratch_.clear();
    if (channel->mqtt) {
      channel->json.AppendAlarm(scratch_, alarm);
    } else {
      channel->lines.AppendAlarm(scratch_, alarm);
    }
    Append(*channel, static_cast<uint8_t>(QueueKind::Alarm), 1, scratch_);
  }
}

void Publisher::Finish(int timeoutMs) {
  if (finished_) return;
  finished_ = true;
  if (thread_.isRunning()) {
    const QDeadlineTimer deadline(timeoutMs);
    const auto waiting = [this] {
      return std::any_of(channels_.begin(), channels_.end(),
                         [](const auto& c) { return c->queue.Waiting() > 0; });
    };
    while (waiting() && !deadline.hasExpired()) QThread::msleep(20);
    for (auto& channel : channels_) {
      QMetaObject::invokeMethod(channel->destination.get(), &Destination::Stop,
                                Qt::BlockingQueuedConnection);
    }
    // The destinations end on their own thread, where their timers and sockets live.
    for (auto& channel : channels_) {
      Destination* destination = channel->destination.release();
      QMetaObject::invokeMethod(
          destination, [destination] { delete destination; }, Qt::BlockingQueuedConnection);
    }
    thread_.quit();
    thread_.wait();
  }
  for (auto& channel : channels_) channel->queue.Sync();
}

std::vector<PublishDestinationStatus> Publisher::Statuses() const {
  std::vector<PublishDestinationStatus> statuses;
  for (const auto& channel : channels_) {
    if (channel->destination) statuses.push_back(channel->destination->Status());
  }
  return statuses;
}

QStringList Publisher::QueueFolders() const {
  QStringList folders;
  for (const auto& channel : channels_) folders << channel->queue.Folder();
  return folders;
}
