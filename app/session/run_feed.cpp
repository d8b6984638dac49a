#include "session/run_feed.h"

#include <algorithm>

#include "alarm/alarm_monitor.h"
#include "core/module_data.h"
#include "files/analysis_csv.h"
#include "session/measurement_session.h"

namespace {

// The unit's type as the analysis CSV's preamble names it.
QString TypeText(bool voltage, int16_t type) {
  if (voltage) return QStringLiteral("voltage");
  const char* letter = TypeLetter(type);
  return letter ? QLatin1String(letter) : QString::number(type);
}

}  // namespace

RunFeed::RunFeed(MeasurementSession& session, const ModuleData& md, AlarmMonitor* monitor,
                 QObject* parent)
    : QObject(parent), session_(session), md_(md) {
  connect(&session, &MeasurementSession::started, this, [this] { Begin(); });
  connect(&session, &MeasurementSession::samplesStored, this,
          [this](const RecordSet& set, const StoredSamples& samples) {
            HandRows(samples.CompleteIn(set));
          });
  connect(&session, &MeasurementSession::recordSetFull, this,
          [this] { HandRows(md_.Record.SampleCount); });
  connect(&session, &MeasurementSession::recordSetRenewed, this, [this] {
    rowsBefore_ += handed_;
    handed_ = 0;
    if (running_) emit fileChanged(session_.FileNumber());
  });
  connect(&session, &MeasurementSession::markAdded, this,
          [this](const RecordSet&, const Mark& mark) { HandMark(mark); });
  connect(&session, &MeasurementSession::stopped, this, [this] {
    if (!running_) return;
    HandRows(md_.Record.SampleCount);
    running_ = false;
    emit ended();
  });
  if (monitor) {
    connect(monitor, &AlarmMonitor::alarmEvent, this,
            [this](const AlarmEvent& event) { HandAlarm(event); });
  }
}

void RunFeed::Begin() {
  const RecordSet& rs = md_.Record;
  run_ = RunBegin{};
  run_.startMs = session_.RunStartMs();
  run_.intervalMs = rs.IntervalTM;
  run_.voltage = rs.MeasKind;
  run_.fileNumber = session_.FileNumber();
  for (int i = 0; i < RecordSet::kUnits; ++i) {
    if (!rs.Units[i].MflagID) continue;
    run_.units.push_back({i, TypeText(rs.MeasKind, rs.Units[i].ConnectID), rs.Units[i].Name});
  }
  rowsBefore_ = 0;
  handed_ = 0;
  running_ = true;
  emit begun(run_);
}

void RunFeed::HandRows(int32_t upTo) {
  if (!running_) return;
  const RecordSet& rs = md_.Record;
  upTo = std::clamp<int32_t>(upTo, 0, RecordSet::MaxData);
  if (upTo <= handed_) return;
  out_.resize(static_cast<size_t>(upTo - handed_));
  const int64_t interval = rs.IntervalTM;
  for (int32_t k = handed_; k < upTo; ++k) {
    RunSample& row = out_[static_cast<size_t>(k - handed_)];
    row.sample = rowsBefore_ + k;
    row.timeMs = rs.StartMs + (k + int64_t{1}) * interval;
    for (int i = 0; i < RecordSet::kUnits; ++i) {
      const float v =
          rs.Units[i].MflagID ? rs.Units[i].Data[static_cast<size_t>(k)] : RecordSet::NoData;
      row.values[i] =
          RecordSet::IsMeasured(v, rs.MeasKind) ? std::optional<float>(v) : std::nullopt;
    }
  }
  handed_ = upTo;
  emit rows(out_);
}

void RunFeed::HandMark(const Mark& mark) {
  if (!running_) return;
  const RecordSet& rs = md_.Record;
  RunMark run;
  run.number = mark.number;
  run.sample = rowsBefore_ + mark.sample - 1;
  run.timeMs = rs.StartMs + int64_t{mark.sample} * rs.IntervalTM;
  run.text = mark.text;
  emit marked(run);
}

void RunFeed::HandAlarm(const AlarmEvent& event) {
  if (!running_) return;
  RunAlarm alarm;
  alarm.unit = event.unit;
  alarm.kind = QLatin1String(AlarmKindWord(event.kind));
  alarm.raised = event.raised;
  alarm.value = event.value;
  if (event.kind != AlarmKind::Open) alarm.limit = static_cast<float>(event.limit);
  alarm.timeMs = event.timeMs;
  emit alarmed(alarm);
}
