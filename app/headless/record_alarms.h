// The alarms of `korvale --record`: each raise and clear is appended to DIR/<start>-alarms.csv as
// it happens ("20261208-050335-alarms.csv", the run's start as in its files' names) and said on
// standard error; the operator's command runs for it (what it could not do is said on standard
// error too), and a raise sounds unless switched off, at most once in two seconds. Each file of
// the recording that had alarms also gets its own log beside it. When the recording ends, the
// commands still running get a short grace and are then ended.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "alarm/alarm_command.h"
#include "alarm/alarm_monitor.h"
#include "alarm/alarm_settings.h"
#include "alarm/alarm_sound.h"

class ContinuousRecording;
class MeasurementSession;
class ModuleData;
class StderrDialogs;

class RecordAlarms : public QObject {
 public:
  // Follows session and recording, writing into folder; sound plays the raises (may be null).
  RecordAlarms(MeasurementSession& session, const ModuleData& md, ContinuousRecording& recording,
               QString folder, const AlarmSettings& settings, StderrDialogs& out,
               std::unique_ptr<AlarmSound> sound);
  // Gives the commands still running their grace, then ends them.
  ~RecordAlarms() override;

  const AlarmMonitor& Monitor() const { return monitor_; }
  AlarmMonitor& Monitor() { return monitor_; }

 private:
  void OnEvent(const AlarmEvent& event);

  MeasurementSession& session_;
  QString folder_;
  AlarmSettings settings_;
  StderrDialogs& out_;
  std::unique_ptr<AlarmSound> sound_;
  AlarmMonitor monitor_;
  SoundSpacing soundSpacing_;
  AlarmCommand command_;
  bool toldLogFailure_ = false;  // a log that cannot be written is reported once
};
