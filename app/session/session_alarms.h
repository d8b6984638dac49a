// The alarms following the measurement session: each start begins a new list with the settings of
// that moment, and every sample a tick or poll stores for a used unit is checked at its nominal
// time (the record set's start, to the millisecond, plus sample number x interval). With
// continuous recording, each file of the run that had alarms gets its log beside it
// ("NAME-alarms.csv").
#pragma once

#include <QString>
#include <functional>

class AlarmMonitor;
class ContinuousRecording;
class MeasurementSession;
class ModuleData;
struct AlarmSettings;

// Connects monitor to session; settings() gives the alarm settings at each start.
void FollowSessionAlarms(MeasurementSession& session, AlarmMonitor& monitor, const ModuleData& md,
                         std::function<AlarmSettings()> settings);

// Writes the log of each file recording writes that had alarms beside it; a log that cannot be
// written is reported to onFailure with the operator's message.
void WriteAlarmLogsBesideFiles(ContinuousRecording& recording, const AlarmMonitor& monitor,
                               std::function<void(const QString&)> onFailure);

// The number of the record set in a continuous recording's file name
// ("20261208-050335-0003.mx1", or "...-0003-2.mx1" when the name was taken): 3; 0 for a name of
// another form.
int32_t RecordSetNumberOfFile(const QString& path);
