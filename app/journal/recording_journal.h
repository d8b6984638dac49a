// The recording journal: while a measurement runs, its record set is kept on disk as an own data
// file (*.mx1) that grows by one 32-byte record per completed sample, so that a crash, a killed
// session or a power cut loses at most the last second. The header is written at the start with
// a sample count of 0; the file reader counts the complete records, so the journal is a readable
// data file at every instant. One journal per running program, in the per-user data folder,
// removed when the program ends normally; in a continuous recording, each record set has its own,
// removed once its file is written (a file written nowhere leaves it for the next start).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "journal/disk_sync.h"
#include "journal/journal_file.h"

struct RecordSet;

class RecordingJournal {
 public:
  // The journal will live in folder (created at the first measurement).
  explicit RecordingJournal(QString folder);
  // The normal end of the program: the journal is removed (kept while a measurement runs).
  ~RecordingJournal();
  RecordingJournal(const RecordingJournal&) = delete;
  RecordingJournal& operator=(const RecordingJournal&) = delete;

  // Called once per measurement when the journal cannot be created or written, with the
  // operator's message. The measurement goes on; a failed write is tried again at the next tick,
  // a journal that could not be created stays off until the next measurement.
  std::function<void(const QString&)> onWriteFailure;
  // Monotonic milliseconds, for the disk-push cadence (tests drive it by hand).
  std::function<qint64()> clock;

  // A measurement starts storing samples: the journal holds rs's header and no record.
  void Begin(const RecordSet& rs);
  // The running measurement goes on in a new record set (continuous recording, after the full one
  // was written as a file of its own): the journal starts again with rs's header.
  void NewRecordSet(const RecordSet& rs);
  // After a tick or poll: appends the samples up to complete, those every used unit has reached
  // (the range the tick or poll handed on), and pushes
  // the file to the disk when the last push is 700 ms or more ago (with 300 ms polls, data reach
  // the disk within a second; never more than one push per tick).
  void Follow(const RecordSet& rs, int32_t complete);
  // The measurement has stopped: the record set is final, every sample goes to the journal (a
  // unit that lagged behind keeps NoData in its last slots, as in memory) and it is pushed.
  void End(const RecordSet& rs);
  // Continuous recording: rs's record set is about to become a file. Every one of its samples goes
  // to the journal, which is pushed to the disk before this returns, and the journal's file is
  // handed over, to stay until that file is written (journal_handover.h); the journal goes on in
  // a new file at the next record set. A closed file when the journal is off. *complete is false
  // when a sample of the record set could not be written to the journal.
  JournalFile Seal(const RecordSet& rs, bool* complete);
  // A mark was added to rs: the journal's sidecar (files/sidecar.h) is rewritten with rs's marks
  // and pushed to the disk before this returns, so that a mark survives a crash right after it.
  void KeepMarks(const RecordSet& rs);
  // Takes over a journal left by an earlier program whose records are now the record set in
  // memory (read by the operator's choice): it is removed at the normal end or replaced by the
  // next measurement, and offered again if this program dies before.
  void Adopt(JournalFile file);

  QString Path() const { return file_.Path(); }
  int SyncRequests() const { return syncRequests_; }

 private:
  // Creates the journal's file; false (and the operator told) when it cannot be created.
  bool Open();
  bool WriteHeader();
  // Writes rs's complete samples (all of them when final) and asks for a push when it is due.
  void Take(const RecordSet& rs, int32_t upTo, bool final);
  void Append(const RecordSet& rs, int32_t upTo);
  // Writes rs's sidecar beside the journal (names, marks, exact start), synced.
  void WriteSidecar(const RecordSet& rs);
  void RequestSync();
  void Failed(int error);

  QString folder_;
  JournalFile file_;
  DiskSync sync_;
  QByteArray header_;  // the header of the current measurement
  bool headerOnDisk_ = false;
  bool active_ = false;      // between Begin and End
  bool warned_ = false;      // the operator has been told about a failure in this measurement
  bool pushFailed_ = false;  // a push of the record set's file to the disk failed
  int32_t written_ = 0;      // records on disk
  bool unsynced_ = false;
  qint64 lastSync_ = 0;
  int syncRequests_ = 0;
  QByteArray records_;  // reused for each append
};

// The per-user data folder of the program, where journals live (~/.local/share/korvale).
QString JournalFolder();
// Why a write failed with the errno error, in the operator's words.
QString DiskErrorReason(int error);
// The operator's text for a failed write or push of the journal.
QString JournalFailureText(const QString& path, int error);
