// The data module shared by every window: the current record set (with the measurement settings
// that produce it), the recording's settings and the state of the measurement. One object is
// created at start-up and handed to the windows; tests make their own. Everything runs on the
// user-interface thread, so nothing here locks.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "core/record_set.h"
#include "core/recording_settings.h"
#include "core/setting_problems.h"

class QSettings;

class ModuleData {
 public:
  // The current record set and the settings that produce it.
  RecordSet Record;
  int32_t AverageCount = 1;
  RecordingSettings Recording;  // continuous recording, section "Recording" of the store

  // Run-time state of the measurement and the graph's vertical range.
  bool Measuring = false;
  float AxisMaxY = 1820;
  float AxisMinY = -270;
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

  // Empties the record set and resets the state of the measurement that belongs to it.
  void ClearData();
  int16_t RoundAxisY();

  // The averaging rule of LoadSettings.
  void UpdateAverageCount();
};
