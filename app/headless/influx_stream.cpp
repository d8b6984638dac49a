#include "headless/influx_stream.h"

#include <QSysInfo>

#include "files/queued_output.h"
#include "session/run_feed.h"

InfluxStream::InfluxStream(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor,
                           int fd)
    : feed_(std::make_unique<RunFeed>(session, md, &monitor)),
      output_(std::make_unique<QueuedOutput>(fd, kBufferBytes)),
      lines_(QSysInfo::machineHostName()) {
  connect(feed_.get(), &RunFeed::begun, this, [this](const RunBegin& run) { lines_.Begin(run); });
  connect(feed_.get(), &RunFeed::rows, this, [this](const std::vector<RunSample>& rows) {
    out_.clear();
    lines_.AppendRows(out_, rows.data(), rows.size());
    Offer(static_cast<int64_t>(rows.size()));
  });
  connect(feed_.get(), &RunFeed::marked, this, [this](const RunMark& mark) {
    out_.clear();
    lines_.AppendMark(out_, mark);
    Offer(0);
  });
  connect(feed_.get(), &RunFeed::alarmed, this, [this](const RunAlarm& alarm) {
    out_.clear();
    lines_.AppendAlarm(out_, alarm);
    Offer(0);
  });
}

InfluxStream::~InfluxStream() = default;

void InfluxStream::Offer(int64_t rows) {
  if (closed_ || out_.empty()) return;
  if (!output_->Offer(out_)) dropped_ += rows;
  if (output_->Failure() != 0) {
    closed_ = true;
    emit closed();
  }
}

void InfluxStream::Finish(int timeoutMs) {
  output_->Finish(timeoutMs);
  if (dropped_ > 0 && !closed_) {
    emit message(QStringLiteral("読み手が受け取らなかった %1 行を標準出力に書きませんでした"
                                "（記録ファイルにはすべて残っています）。")
                     .arg(dropped_));
  }
}
