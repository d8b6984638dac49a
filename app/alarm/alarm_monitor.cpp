#include "alarm/alarm_monitor.h"

#include <QDateTime>
#include <algorithm>

#include "core/module_data.h"
#include "core/number_text.h"

const char* AlarmKindWord(AlarmKind kind) {
  switch (kind) {
    case AlarmKind::High:
      return "high";
    case AlarmKind::Low:
      return "low";
    case AlarmKind::Open:
      break;
  }
  return "open";
}

QString AlarmKindText(AlarmKind kind) {
  switch (kind) {
    case AlarmKind::High:
      return QStringLiteral("上限");
    case AlarmKind::Low:
      return QStringLiteral("下限");
    case AlarmKind::Open:
      break;
  }
  return QStringLiteral("断線");
}

QString AlarmStateText(bool raised) {
  return raised ? QStringLiteral("発生") : QStringLiteral("解除");
}

QString AlarmTimeText(int64_t timeMs) {
  QDateTime t = QDateTime::fromMSecsSinceEpoch(timeMs);
  // Written with the local zone's offset at that instant, so that the text names one instant.
  t = t.toOffsetFromUtc(t.offsetFromUtc());
  return t.toString(Qt::ISODateWithMs);
}

QString AlarmLocalTimeText(int64_t timeMs) {
  return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss.zzz"));
}

QString AlarmElapsedText(const AlarmEvent& event) {
  if (event.sample < 1) return QString();
  return SampleTimeText(event.sample, event.intervalMs);
}

QString AlarmLimitText(const AlarmEvent& event) {
  if (event.kind == AlarmKind::Open) return QString();
  return QString::number(event.limit, 'g', 15);
}

QString AlarmValueText(const AlarmEvent& event) {
  return GeneralNumber(event.value);
}

QString AlarmEventText(const AlarmEvent& event, bool measKind) {
  const QString unit = measKind ? QStringLiteral("μV") : QStringLiteral("℃");
  QString text = QStringLiteral("ID%1 %2%3 %4 %5")
                     .arg(QString::number(event.unit), AlarmKindText(event.kind),
                          AlarmStateText(event.raised), AlarmValueText(event), unit);
  if (event.kind != AlarmKind::Open) {
    text +=
        QStringLiteral("（%1 %2 %3）").arg(AlarmKindText(event.kind), AlarmLimitText(event), unit);
  }
  return text;
}

void AlarmMonitor::Begin(const AlarmSettings& settings, bool measKind,
                         const std::array<bool, 4>& used) {
  Clear();
  settings_ = settings;
  measKind_ = measKind;
  hysteresis_ = settings.HysteresisFor(measKind);
  for (size_t i = 0; i < 4; ++i) {
    const bool open = settings.OpenOn && !measKind;
    watched_[i] = used[i] && (settings.HighOn[i] || settings.LowOn[i] || open);
  }
}

void AlarmMonitor::Clear() {
  events_.clear();
  for (auto& unit : active_) unit.fill(-1);
}

void AlarmMonitor::CheckWatched(int unit, float v, const Place& place) {
  if (v == RecordSet::NoData) return;
  const size_t u = static_cast<size_t>(unit);
  // In a voltage measurement -300 microvolts is a reading like any other.
  if (!measKind_ && v == RecordSet::NotConverted) {
    if (settings_.OpenOn && !IsActive(unit, AlarmKind::Open)) {
      Change(unit, AlarmKind::Open, true, v, 0, place);
    }
    return;
  }
  if (IsActive(unit, AlarmKind::Open)) Change(unit, AlarmKind::Open, false, v, 0, place);
  const double x = v;
  if (settings_.HighOn[u]) {
    const double high = settings_.High[u];
    if (!IsActive(unit, AlarmKind::High)) {
      if (x > high) Change(unit, AlarmKind::High, true, v, high, place);
    } else if (x <= high - hysteresis_) {
      Change(unit, AlarmKind::High, false, v, high, place);
    }
  }
  if (settings_.LowOn[u]) {
    const double low = settings_.Low[u];
    if (!IsActive(unit, AlarmKind::Low)) {
      if (x < low) Change(unit, AlarmKind::Low, true, v, low, place);
    } else if (x >= low + hysteresis_) {
      Change(unit, AlarmKind::Low, false, v, low, place);
    }
  }
}

void AlarmMonitor::Change(int unit, AlarmKind kind, bool raise, float v, double limit,
                          const Place& place) {
  AlarmEvent event;
  event.timeMs = place.timeMs;
  event.recordSet = place.recordSet;
  event.sample = place.sample;
  event.intervalMs = place.intervalMs;
  event.unit = unit;
  event.kind = kind;
  event.raised = raise;
  event.value = v;
  event.limit = limit;
  active_[static_cast<size_t>(unit)][static_cast<size_t>(kind)] =
      raise ? static_cast<int64_t>(events_.size()) : -1;
  events_.push_back(event);
  emit alarmEvent(event);
}

std::vector<AlarmEvent> AlarmMonitor::EventsOf(int32_t recordSet) const {
  std::vector<AlarmEvent> out;
  std::copy_if(events_.begin(), events_.end(), std::back_inserter(out),
               [recordSet](const AlarmEvent& e) { return e.recordSet == recordSet; });
  return out;
}

std::vector<AlarmEvent> AlarmMonitor::ActiveAlarms() const {
  std::vector<int64_t> indices;
  for (const auto& unit : active_) {
    for (int64_t index : unit) {
      if (index >= 0) indices.push_back(index);
    }
  }
  std::sort(indices.begin(), indices.end());
  std::vector<AlarmEvent> out;
  for (int64_t index : indices) out.push_back(events_[static_cast<size_t>(index)]);
  return out;
}
