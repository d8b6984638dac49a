// `korvale --record --stream influx`: every row the session stores, as InfluxDB line protocol on a
// file descriptor (standard output), for a collector that reads a program's output (Telegraf's
// execd input); marks and alarm events as their points too. The same lines as the InfluxDB
// destinations send (publish/line_protocol.h), through a bounded buffer (files/queued_output.h):
// a reader that stops reading holds up no sample, and the lines that do not fit are dropped (the
// files hold them), one message at the end saying how many rows.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "publish/line_protocol.h"

class AlarmMonitor;
class MeasurementSession;
class ModuleData;
class QueuedOutput;
class RunFeed;

class InfluxStream : public QObject {
  Q_OBJECT

 public:
  static constexpr size_t kBufferBytes = size_t{8} << 20;

  InfluxStream(MeasurementSession& session, const ModuleData& md, AlarmMonitor& monitor, int fd);
  ~InfluxStream() override;

  // Gives what waits up to timeoutMs to go out; tells the rows dropped.
  void Finish(int timeoutMs);

 signals:
  // The reader has gone or the output cannot be written: nothing more is written.
  void closed();
  void message(const QString& text);

 private:
  void Offer(int64_t rows);

  std::unique_ptr<RunFeed> feed_;
  std::unique_ptr<QueuedOutput> output_;
  LineProtocol lines_;
  std::string out_;
  int64_t dropped_ = 0;
  bool closed_ = false;
};
