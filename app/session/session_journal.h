// The recording journal following a measurement session.
#pragma once

class MeasurementSession;
class ModuleData;
class RecordingJournal;

// From now on the journal keeps the session's record set on disk: a new record set at the start
// and at each change of record set, its sidecar at each mark, the stored samples after each tick or
// poll, every sample at the stop. The journal must outlive the session's signals.
void FollowSession(MeasurementSession& session, RecordingJournal& journal, const ModuleData& md);
