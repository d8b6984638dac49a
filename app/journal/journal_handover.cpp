#include "journal/journal_handover.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "files/publish.h"
#include "journal/journal_file.h"

namespace {

constexpr qint64 kRecordBytes = 32;
constexpr qint64 kCountBytes = 4;  // the header's sample count, its last field

// Reads length bytes of fd from offset 0; a shorter result when the file is shorter.
QByteArray ReadPrefix(int fd, qint64 length) {
  QByteArray bytes(static_cast<qsizetype>(length), '\0');
  qint64 done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, bytes.data() + done, static_cast<size_t>(length - done), done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  bytes.truncate(static_cast<qsizetype>(done));
  return bytes;
}

// The journal's bytes are the file's, but for the header's sample count (0 in a journal).
bool FileHoldsJournal(const QString& filePath, const JournalFile& journal, qint64 headerLength,
                      int32_t samples) {
  const qint64 length = headerLength + qint64{samples} * kRecordBytes;
  QFile file(filePath);
  if (!file.open(QIODevice::ReadOnly) || file.size() < length) return false;
  const QByteArray held = file.read(length);
  const QByteArray own = ReadPrefix(journal.Fd(), length);
  if (held.size() != length || own.size() != length) return false;
  const qsizetype countAt = static_cast<qsizetype>(headerLength - kCountBytes);
  return held.first(countAt) == own.first(countAt) &&
         held.sliced(static_cast<qsizetype>(headerLength)) ==
             own.sliced(static_cast<qsizetype>(headerLength));
}

}  // namespace

QString HandoverNotePath(const QString& journalPath) {
  QString note = journalPath;
  if (note.endsWith(QStringLiteral(".mx1"))) note.chop(4);
  return note + QStringLiteral(".taken");
}

bool NoteHandover(const JournalFile& journal, const QString& filePath) {
  return ReplaceFile(HandoverNotePath(journal.Path()), QFile::encodeName(filePath) + '\n', nullptr);
}

void FinishHandover(JournalFile& journal) {
  if (!journal.IsOpen()) return;
  const QString notePath = HandoverNotePath(journal.Path());
  journal.Remove();
  ::unlink(QFile::encodeName(notePath).constData());
}

bool DropIfHandedOver(JournalFile& journal, qint64 headerLength, int32_t samples) {
  const QString notePath = HandoverNotePath(journal.Path());
  QFile note(notePath);
  if (!note.open(QIODevice::ReadOnly)) return false;
  QByteArray named = note.readAll();
  note.close();
  // A note cut short names no file: the journal stays.
  const bool whole = named.endsWith('\n');
  named.chop(1);
  const bool held =
      whole && FileHoldsJournal(QFile::decodeName(named), journal, headerLength, samples);
  if (held) journal.Remove();
  ::unlink(QFile::encodeName(notePath).constData());
  return held;
}
