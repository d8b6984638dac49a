// Journals left in the journal folder by programs that are no longer running (a crash, a killed
// session, a power cut): found at start-up, then read by the operator's choice or kept as dated
// own data files. A journal is never deleted while it holds a sample that is not in memory or in
// a file on the disk (one its program named before dying, journal_handover.h).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "journal/journal_file.h"

struct LeftJournal {
  JournalFile file;     // open and locked: no other program takes it meanwhile
  int32_t samples = 0;  // complete records
  qint64 headerLength = 0;
  QString startTime;  // the header's start time text
};

// Takes the lock of every journal in folder whose program has ended, newest first. Journals that
// hold no complete record (nothing of the operator's) are deleted on the way. A journal holding
// records that this program may not change (a file or folder it cannot write, a read-only disk)
// is not taken: its path goes to *unwritable, so that the operator can be told where it is.
std::vector<LeftJournal> TakeLeftJournals(const QString& folder, QStringList* unwritable = nullptr);

// Gives a left journal its final form (the header's sample count, no trailing piece) and the name
// "korvale-<yyyymmdd>-<hhmmss>.mx1" of its start time in the same folder (a suffix "-2", "-3", ...
// when taken). Returns the new path, or an empty text with the file left where it was.
QString KeepAsDatedFile(LeftJournal& journal, int* error);

// For an unattended start: keeps every left journal of folder as a dated file and writes where
// to err.
void KeepLeftJournals(const QString& folder, std::FILE* err);
