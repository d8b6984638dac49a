// The handover of a record set's journal to the file that takes its samples (continuous
// recording). Before the file gets its name, a note beside the journal ("journal-<pid>.taken")
// names it; once the file is in place the journal goes, then the note. A program that dies in
// between leaves the file and the journal: the next start finds the note and drops the journal
// when the named file holds every record of it, so the samples are never kept twice.
#pragma once

#include <QString>
#include <cstdint>

class JournalFile;

// The note of the journal at journalPath.
QString HandoverNotePath(const QString& journalPath);

// Notes that the file at filePath is about to take journal's samples, pushed to the disk. False
// when the note could not be written (the handover goes on without it).
bool NoteHandover(const JournalFile& journal, const QString& filePath);

// The file has taken the journal's samples: the journal is removed, then its note.
void FinishHandover(JournalFile& journal);

// At a start, for a journal left behind with `samples` complete records after a header of
// headerLength bytes: true when its note names a file holding the same header and every record of
// the journal; the journal and its note are removed then. A note that does not hold is removed.
bool DropIfHandedOver(JournalFile& journal, qint64 headerLength, int32_t samples);
