// The data module shared by every window: the measurement settings, the record set of the four
// units with its running extremes, the acquisition counters and timer values, the start time and
// the memo lines. One object is created at start-up and handed to the windows; tests make their
// own. Everything runs on the user-interface thread, so nothing here locks.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "core/recording_settings.h"
#include "core/setting_problems.h"

class QSettings;

struct UnitRecord {
  std::vector<float> Data;  // sample k+1 of the record set in slot k; NoData when empty
  float MaxValue = 0;
  float MinValue = 0;
  bool MflagID = false;   // the unit is used
  int16_t ConnectID = 0;  // thermocouple type 0..7 (B, R, S, N, K, E, J, T)
  int32_t DataCount = 0;  // samples taken for the unit in the current record set
  // MaxValue and MinValue hold a measured value (a NoData slot never enters them).
  bool HasValue = false;

  // Folds v into MaxValue and MinValue; the first value sets both. A slot without a measured value
  // (ModuleData::IsMeasured) is skipped.
  void FoldExtremes(float v, bool measKind);
};

// The readings of one averaged sample of a unit, gathered as they come.
struct AvgAccumRecord {
  int32_t Count = 0;      // readings taken toward the sample
  double Sum = 0;         // sum of those that converted
  int32_t Converted = 0;  // how many converted

  // In a temperature measurement (measKind False) a reading the driver could not convert (-300)
  // counts toward the sample but stays out of the sum: averaged with good readings it would give
  // a temperature nobody measured.
  void Add(double reading, bool measKind);
  // The sample: the mean of the readings that converted, or -300 when none did.
  float Mean() const;
};

class ModuleData {
 public:
  static constexpr int kUnits = 4;
  static constexpr int32_t MaxData = 88000;
  static constexpr float NoData = -99999.0f;
  // The driver's value for a thermocouple reading it cannot convert (an open or out-of-range
  // thermocouple). Stored and saved as it came; in a voltage measurement it is an ordinary value.
  static constexpr float NotConverted = -300.0f;

  // v is a measurement: neither an empty slot nor, in a temperature measurement (measKind False),
  // the driver's NotConverted. Only such values are drawn and fitted into the vertical range.
  static bool IsMeasured(float v, bool measKind) {
    return v != NoData && (measKind || v != NotConverted);
  }

  // Settings (defaults as with an empty settings store).
  std::array<UnitRecord, kUnits> Units;
  bool TimerType = false;     // True: the computer's timer paces sampling
  int32_t IntervalTM = 1000;  // sampling interval in milliseconds
  bool MeasKind = false;      // True: voltage on all units
  bool DataAverage = false;
  int32_t AverageCount = 1;
  RecordingSettings Recording;  // continuous recording, section "Recording" of the store

  // Run-time state of the record set and the acquisition cycle.
  std::array<AvgAccumRecord, kUnits> AvgAccum;
  int32_t SampleCount = 0;
  bool Measuring = false;
  float AllMax = 0;
  float AllMin = 0;
  float AxisMaxY = 1820;
  float AxisMinY = -270;
  int32_t TickPeriod = 0;
  int32_t TickDivider = 0;
  int32_t TickCount = 0;
  int32_t PollCount = 0;  // completed unit-paced polls since the last ClearData
  QString StartTime;
  std::array<QString, 5> MemoText;
  // The bytes the start time and the memo lines were read from, when they came from a file (code
  // page 932, possibly with bytes it does not define). A text that still reads as its bytes is
  // written back as those bytes, so that a read and a save change no text the operator did not
  // edit. ClearData forgets the start time's, ClearMemo the memo lines'.
  QByteArray StartTimeBytes;
  std::array<QByteArray, 5> MemoBytes;
  // The own data file the record set was read from; empty for a measured one (ClearData empties
  // it).
  QString ReadFrom;
  bool SettingOK = false;  // set by the settings dialog's OK
  // The record set holds samples measured here that no save has written since (a read asks before
  // it replaces them). ClearData resets it.
  bool Unsaved = false;

  // A new object holds the defaults of an empty settings store and an empty record set whose
  // buffers are already sized, so that it is usable before the start-up routines run.
  ModuleData();

  // Settings store: application "Korvalle", section "MeasInfo", and the continuous recording's
  // section "Recording". The overloads without an argument use the per-user INI store; tests and
  // `korvale --record --settings` pass a store of their own. A stored value that cannot be used
  // (not of its key's kind, or refused by the settings dialog's rules) leaves the default of its
  // key and is returned as a problem; absent keys take their defaults silently. The per-user
  // store's file that is no INI file at all gives the defaults and a problem naming the file.
  std::vector<SettingProblem> LoadSettings();
  std::vector<SettingProblem> LoadSettings(QSettings& store);
  void SaveSettings() const;
  void SaveSettings(QSettings& store) const;

  void InitDataBuffers();
  void ClearData();
  void ClearMemo();
  void ClearAverage();
  void UpdateUnitMaxMin(int32_t n);
  void UpdateAllMaxMin();
  void MergeAllMaxMin();
  // AllMax and AllMin hold a measured value (they start inverted, holding none).
  bool HasExtremes() const;
  int16_t RoundAxisY();
  bool SetTickTimer();

  // The measurement type passed to the driver for unit i: 8 for voltage, else its ConnectID.
  uint8_t MeasTypeOf(int unit) const;
  // The averaging rule of LoadSettings.
  void UpdateAverageCount();
};
