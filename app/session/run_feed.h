// The run as plain rows (core/run_rows.h), for the outputs that follow it without knowing the
// record set or the session: the publishing destinations and the web view. The rows are those of
// the analysis CSV of the whole run, as `--stream` writes them: one table across the record sets
// of a continuous recording, numbered from 0, each row handed on once every used unit has its
// sample (the rest at a full record set and at the stop), the rows of a tick or poll at once.
#pragma once

#include <QObject>
#include <vector>

#include "core/run_rows.h"

class AlarmMonitor;
class MeasurementSession;
class ModuleData;
struct AlarmEvent;
struct Mark;
struct RecordSet;
struct StoredSamples;

class RunFeed : public QObject {
  Q_OBJECT

 public:
  // Follows session, whose record set is md's, and, when given, the alarms of monitor.
  RunFeed(MeasurementSession& session, const ModuleData& md, AlarmMonitor* monitor = nullptr,
          QObject* parent = nullptr);

  // The rows handed on so far in the run.
  int64_t RowCount() const { return rowsBefore_ + handed_; }

 signals:
  // A measurement started: its columns and times.
  void begun(const RunBegin& run);
  // The rows a tick or poll completed, in order; a reference valid only during the call.
  void rows(const std::vector<RunSample>& rows);
  void marked(const RunMark& mark);
  void alarmed(const RunAlarm& alarm);
  // Continuous recording: the next record set (its file number) began.
  void fileChanged(int32_t fileNumber);
  // The measurement ended; every row has been handed on.
  void ended();

 private:
  void Begin();
  void HandRows(int32_t upTo);
  void HandMark(const Mark& mark);
  void HandAlarm(const AlarmEvent& event);

  const MeasurementSession& session_;
  const ModuleData& md_;
  bool running_ = false;
  RunBegin run_;
  int64_t rowsBefore_ = 0;  // rows of the run's earlier record sets
  int32_t handed_ = 0;      // rows of the current record set handed on
  std::vector<RunSample> out_;
};
