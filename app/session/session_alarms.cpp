#include "session/session_alarms.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "alarm/alarm_log.h"
#include "alarm/alarm_monitor.h"
#include "core/module_data.h"
#include "session/continuous_recording.h"
#include "session/measurement_session.h"

void FollowSessionAlarms(MeasurementSession& session, AlarmMonitor& monitor, const ModuleData& md,
                         std::function<AlarmSettings()> settings) {
  QObject::connect(&session, &MeasurementSession::started, &monitor,
                   [&monitor, &md, settings = std::move(settings)] {
                     std::array<bool, 4> used{};
                     for (size_t i = 0; i < used.size(); ++i) used[i] = md.Record.Units[i].MflagID;
                     monitor.Begin(settings(), md.Record.MeasKind, used);
                   });
  QObject::connect(&session, &MeasurementSession::samplesStored, &monitor,
                   [&monitor, &session](const RecordSet& set, const StoredSamples& samples) {
                     const int32_t recordSet = session.FileNumber();
                     int64_t startMs = -1;  // worked out at the first sample
                     for (int i = 0; i < RecordSet::kUnits; ++i) {
                       const UnitRecord& unit = set.Units[static_cast<size_t>(i)];
                       if (!unit.MflagID) continue;
                       for (int32_t k = samples.from[i]; k < samples.to[i]; ++k) {
                         if (startMs < 0) startMs = session.FileStartMs(recordSet);
                         const AlarmMonitor::Place place{startMs + int64_t{k + 1} * set.IntervalTM,
                                                         recordSet, k + 1, set.IntervalTM};
                         monitor.Check(i, unit.Data[static_cast<size_t>(k)], place);
                       }
                     }
                   });
}

int32_t RecordSetNumberOfFile(const QString& path) {
  const QStringList parts = QFileInfo(path).completeBaseName().split(QLatin1Char('-'));
  if (parts.size() < 3) return 0;
  bool ok = false;
  const int32_t number = parts[2].toInt(&ok);
  return ok ? number : 0;
}

void WriteAlarmLogsBesideFiles(ContinuousRecording& recording, const AlarmMonitor& monitor,
                               std::function<void(const QString&)> onFailure) {
  QObject::connect(&recording, &ContinuousRecording::fileWritten, &recording,
                   [&monitor, onFailure = std::move(onFailure)](const QString& path, int32_t) {
                     const auto events = monitor.EventsOf(RecordSetNumberOfFile(path));
                     if (events.empty()) return;
                     const QString log = AlarmLogPathBeside(path);
                     QString error;
                     if (WriteAlarmLog(log, events, monitor.MeasKind(), &error)) return;
                     if (onFailure) {
                       onFailure(QStringLiteral("警報記録を書き込めません: %1\n%2")
                                     .arg(QDir::toNativeSeparators(log), error));
                     }
                   });
}
