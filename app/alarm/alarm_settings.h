// The alarm settings of "警報設定": for each unit an upper and a lower limit, each switched on or
// off, in the unit of the measurement kind (degrees Celsius or microvolts); one hysteresis for all
// limits; the open-thermocouple alarm; the sound; the operator's command. Kept in the settings
// store's section "Alarm" beside the measurement settings.
#pragma once

#include <QString>
#include <array>
#include <optional>

class ModuleData;
class QSettings;

struct AlarmSettings {
  std::array<bool, 4> HighOn{};
  std::array<bool, 4> LowOn{};
  std::array<double, 4> High{};
  std::array<double, 4> Low{};
  // Nothing: the default of the measurement kind (1 degree Celsius or 10 microvolts).
  std::optional<double> Hysteresis;
  bool OpenOn = false;  // the driver's -300 of a temperature measurement raises an alarm
  bool Sound = true;    // a short sound on each raise
  QString Command;      // run through the shell on each raise and clear; empty: none

  // The hysteresis that applies in a measurement of kind measKind (True: voltage).
  double HysteresisFor(bool measKind) const;
  // Any limit or the open-thermocouple alarm is switched on.
  bool AnyOn() const;
};

// The default hysteresis of a measurement kind: 1 degree Celsius, or 10 microvolts.
double DefaultHysteresis(bool measKind);

// The values a unit can report in a measurement of kind measKind with thermocouple type tcType:
// the type's temperature span in degrees Celsius, or the converter's span in microvolts.
struct MeasurableSpan {
  double min = 0;
  double max = 0;
};
MeasurableSpan MeasurableSpanOf(bool measKind, int tcType);

// Reads section "Alarm" of store into settings. A key that is absent keeps its default; a key whose
// text is not a number (or not True or False) also keeps it, and the first such key is named in
// the returned text ("" when every key could be read).
QString LoadAlarmSettings(QSettings& store, AlarmSettings& settings);
void SaveAlarmSettings(QSettings& store, const AlarmSettings& settings);
// The same with the per-user settings store.
QString LoadAlarmSettings(AlarmSettings& settings);
void SaveAlarmSettings(const AlarmSettings& settings);

// Why the settings cannot be used with md's measurement settings, as the operator reads it: a
// switched-on limit outside what its unit can measure, a lower limit above the upper one, a
// negative hysteresis, or one not smaller than the gap between a unit's two limits switched on.
// "" when they can.
QString CheckAlarmSettings(const AlarmSettings& settings, const ModuleData& md);
