#include "session/session_journal.h"

#include "core/module_data.h"
#include "journal/recording_journal.h"
#include "session/measurement_session.h"

void FollowSession(MeasurementSession& session, RecordingJournal& journal, const ModuleData& md) {
  RecordingJournal* j = &journal;
  const ModuleData* data = &md;
  QObject::connect(&session, &MeasurementSession::started, &session,
                   [j, data] { j->Begin(data->Record); });
  QObject::connect(&session, &MeasurementSession::samplesStored, &session,
                   [j](const RecordSet& set, const StoredSamples& samples) {
                     j->Follow(set, samples.CompleteIn(set));
                   });
  QObject::connect(&session, &MeasurementSession::recordSetRenewed, &session,
                   [j, data] { j->NewRecordSet(data->Record); });
  // Before AddMark returns: the mark is on the disk then.
  QObject::connect(&session, &MeasurementSession::markAdded, &session,
                   [j](const RecordSet& set) { j->KeepMarks(set); });
  QObject::connect(&session, &MeasurementSession::stopped, &session,
                   [j, data] { j->End(data->Record); });
}
