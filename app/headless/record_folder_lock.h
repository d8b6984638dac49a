// The lock of a recording folder, so that two recorders never write into one folder (their alarm
// logs and file numbers would mix): DIR/.korvale-record.lock, held with flock for the whole run.
// The kernel drops it when the recorder ends in any way.
//
// While it is held the file names the recorder, one "key=value" line each, so that other programs
// (korvale --mark, a dashboard script) find the recorder of DIR and its journal:
//   pid=4711
//   start=2026-12-08T05:03:35+09:00      (ISO 8601 local time with the offset)
//   journal=/home/lab/.local/share/korvale/journal-4711.mx1
// The journal line follows once the journal has been created, a moment after the lock is taken
// (empty when it could not be created). A reader trusts only lines that end in a line feed and
// ignores keys it does not know. A clean end empties the file; lines in a file that nobody holds
// locked were left by a recorder that died.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class RecordFolderLock {
 public:
  enum class Outcome {
    Locked,  // this process holds the folder
    Held,    // another recorder does: HolderPid() and HolderStart() name it
    Failed,  // the lock file cannot be made or locked: Error() says why
  };

  RecordFolderLock() = default;
  // Empties the lock file and lets go of it.
  ~RecordFolderLock();
  RecordFolderLock(const RecordFolderLock&) = delete;
  RecordFolderLock& operator=(const RecordFolderLock&) = delete;

  static QString PathIn(const QString& folder);

  // Takes the lock of folder (which exists) without waiting, for this process started at start,
  // and writes the pid and start lines.
  Outcome Take(const QString& folder, const QDateTime& start);
  // Adds the journal line (journal may be empty: the run has none). Only while Locked.
  void NameJournal(const QString& journal);

  // The holder's lines as found when the folder was Held; empty values when it wrote none yet.
  const QString& HolderPid() const { return holderPid_; }
  const QString& HolderStart() const { return holderStart_; }
  int Error() const { return error_; }

 private:
  void Write();

  int fd_ = -1;
  QByteArray lines_;  // what the file holds while this process holds the lock
  QString holderPid_;
  QString holderStart_;
  int error_ = 0;
};

// The operator's line for a folder that another recorder holds (Japanese), naming it.
QString FolderHeldText(const QString& folder, const RecordFolderLock& lock);
