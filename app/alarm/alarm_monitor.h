// Raising and clearing the alarms as a measurement stores its samples. A sample past an active
// limit raises that limit's alarm, and a later sample back inside by the hysteresis clears it;
// the driver's -300 of a temperature measurement raises the open-thermocouple alarm, and the next
// value it can convert clears it. Each raise and each clear happens once however many samples stay
// on their side; an empty slot is never an alarm. The monitor only watches: it neither stops the
// measurement nor touches a stored value.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "alarm/alarm_settings.h"

enum class AlarmKind { High = 0, Low = 1, Open = 2 };

struct AlarmEvent {
  int64_t timeMs = 0;  // the sample's time, ms since the epoch
  int unit = 0;        // unit ID 0..3
  AlarmKind kind = AlarmKind::High;
  bool raised = true;      // false: cleared
  float value = 0;         // the sample that raised or cleared it
  double limit = 0;        // the limit passed (not used by the open-thermocouple alarm)
  int32_t recordSet = 1;   // the record set of the run that holds the sample
  int32_t sample = 0;      // its number in the record set, from 1 (0: not known)
  int32_t intervalMs = 0;  // the measurement's interval
};

// "high", "low", "open": the kind as the command's environment names it.
const char* AlarmKindWord(AlarmKind kind);
// "上限", "下限", "断線": the kind as the operator reads it.
QString AlarmKindText(AlarmKind kind);
// "発生" or "解除".
QString AlarmStateText(bool raised);
// The local time of timeMs in ISO 8601 with milliseconds and the offset from UTC.
QString AlarmTimeText(int64_t timeMs);
// The local time of timeMs as the window shows it, with the date and milliseconds and without
// an offset: "2026/12/08 14:03:35.250".
QString AlarmLocalTimeText(int64_t timeMs);
// Where the graph's time axis puts the sample, in seconds from the start of its record set
// ("12.5"); "" when the sample is not known.
QString AlarmElapsedText(const AlarmEvent& event);
// The limit as shown and logged ("" for the open-thermocouple alarm).
QString AlarmLimitText(const AlarmEvent& event);
// The value as shown and logged: the shortest text of the stored single.
QString AlarmValueText(const AlarmEvent& event);
// One line for the operator: "ID0 上限 発生 1234.5 (上限 1200) 2026-...".
QString AlarmEventText(const AlarmEvent& event, bool measKind);

class AlarmMonitor : public QObject {
  Q_OBJECT

 public:
  explicit AlarmMonitor(QObject* parent = nullptr) : QObject(parent) {}

  // A new measurement with these settings, in a measurement of kind measKind on the units used:
  // no alarm is active and the list of events is empty.
  void Begin(const AlarmSettings& settings, bool measKind, const std::array<bool, 4>& used);
  // Empties the list and ends every active alarm without an event (a record set read from a
  // file replaces the measured one).
  void Clear();

  // Where a stored sample is: its time, its record set of the run, its number there (from 1)
  // and the interval.
  struct Place {
    int64_t timeMs = 0;
    int32_t recordSet = 1;
    int32_t sample = 0;
    int32_t intervalMs = 0;
  };
  // One stored sample v of unit at timeMs, in record set recordSet of the run.
  void Check(int unit, float v, int64_t timeMs, int32_t recordSet) {
    Check(unit, v, Place{timeMs, recordSet, 0, 0});
  }
  void Check(int unit, float v, const Place& place) {
    if (watched_[static_cast<size_t>(unit)]) CheckWatched(unit, v, place);
  }

  // Every raise and clear of the measurement, oldest first.
  const std::vector<AlarmEvent>& Events() const { return events_; }
  // Those of one record set of the run.
  std::vector<AlarmEvent> EventsOf(int32_t recordSet) const;
  // The raises of the alarms active now, oldest first.
  std::vector<AlarmEvent> ActiveAlarms() const;
  bool IsActive(int unit, AlarmKind kind) const {
    return active_[static_cast<size_t>(unit)][static_cast<size_t>(kind)] >= 0;
  }
  bool MeasKind() const { return measKind_; }

 signals:
  // An alarm was raised or cleared; it is already in Events().
  void alarmEvent(const AlarmEvent& event);

 private:
  void CheckWatched(int unit, float v, const Place& place);
  void Change(int unit, AlarmKind kind, bool raise, float v, double limit, const Place& place);

  AlarmSettings settings_;
  bool measKind_ = false;
  double hysteresis_ = 1;
  std::array<bool, 4> watched_{};  // the unit is used and has an alarm switched on
  // Index in events_ of the raise of each active alarm (unit, kind); -1 when none is active.
  std::array<std::array<int64_t, 3>, 4> active_{
      {{-1, -1, -1}, {-1, -1, -1}, {-1, -1, -1}, {-1, -1, -1}}};
  std::vector<AlarmEvent> events_;
};
