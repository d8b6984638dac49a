#include "journal/left_journals.h"

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/record_set.h"
#include "files/data_file.h"
#include "files/sidecar.h"
#include "journal/journal_handover.h"

namespace {

constexpr int kStrings = 6;        // start time and five memo lines
constexpr int kSettingBytes = 22;  // timer type .. sample count
constexpr int kRecordBytes = 32;
constexpr qint64 kLongestHeader = kStrings * (2 + 65535) + kSettingBytes;

QByteArray ReadHead(const JournalFile& file, qint64 size) {
  QByteArray bytes(static_cast<int>(std::min(size, kLongestHeader)), '\0');
  qint64 done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(file.Fd(), bytes.data() + done, bytes.size() - done, done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  bytes.truncate(static_cast<int>(done));
  return bytes;
}

// The start time text as far as it is plain ASCII (it always is when the program wrote it).
QString StartTimeOf(const QByteArray& head) {
  if (head.size() < 2) return {};
  const int n = qFromLittleEndian<quint16>(head.constData());
  if (head.size() < 2 + n) return {};
  const QByteArray text = head.mid(2, n);
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return {};
  }
  return QString::fromLatin1(text).trimmed();
}

// Length of the own data file header at the start of bytes, or -1 when bytes end inside it.
qint64 DataHeaderLength(const QByteArray& bytes) {
  qint64 pos = 0;
  for (int i = 0; i < kStrings; ++i) {
    if (pos + 2 > bytes.size()) return -1;
    pos += 2 + qFromLittleEndian<quint16>(bytes.constData() + pos);
  }
  pos += kSettingBytes;
  return pos <= bytes.size() ? pos : -1;
}

QString DatedName(const LeftJournal& journal) {
  QDateTime t = QDateTime::fromString(journal.startTime, QStringLiteral("yyyy/M/d H:m:s"));
  if (!t.isValid()) t = QFileInfo(journal.file.Path()).lastModified();
  return QStringLiteral("korvale-") + t.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// Writes the sidecar of the journal at journalPath, if it has one, for its records kept at
// keptPath: the same names, marks and start, with the kept file's name and record count. The read
// of the journal takes its sidecar along (it names the journal).
void KeepSidecar(const QString& journalPath, const QString& keptPath) {
  RecordSet record;
  if (ReadDataFile(record, journalPath) != ReadResult::Read || !NeedsSidecar(record)) return;
  SaveSidecar(record, keptPath, record.SampleCount, nullptr);
}

QString ReasonText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

std::vector<LeftJournal> TakeLeftJournals(const QString& folder, QStringList* unwritable) {
  QDir dir(folder);
  std::vector<LeftJournal> left;
  if (!dir.exists()) return left;

  // Names of journals being created by a program that died before naming them: they never hold
  // a record (records follow the naming).
  for (const QFileInfo& info :
       dir.entryInfoList({QStringLiteral(".journal-*")}, QDir::Files | QDir::Hidden)) {
    JournalFile stray = JournalFile::LockExisting(info.filePath());
    if (stray.IsOpen()) stray.Remove();
  }

  for (const QFileInfo& info :
       dir.entryInfoList({QStringLiteral("journal-*.mx1")}, QDir::Files, QDir::Time)) {
    JournalFile file = JournalFile::LockExisting(info.filePath());
    const bool writable = file.IsOpen();
    // Not to be opened for writing: its lock, taken on a read-only open, still tells whether its
    // program runs.
    if (!writable) file = JournalFile::LockExisting(info.filePath(), false);
    if (!file.IsOpen()) continue;  // its program is running
    const qint64 size = file.Size();
    const QByteArray head = ReadHead(file, size);
    const qint64 headerLength = DataHeaderLength(head);
    const qint64 samples = headerLength < 0 ? 0 : (size - headerLength) / kRecordBytes;
    if (samples < 1 || !writable) {
      if (!writable && samples >= 1 && unwritable) *unwritable << file.Path();
      if (writable) file.Remove();
      continue;
    }
    // Its program died while a file was taking its samples, and the file has them all.
    if (DropIfHandedOver(file, headerLength, static_cast<int32_t>(samples))) continue;
    LeftJournal journal;
    journal.samples = static_cast<int32_t>(samples);
    journal.headerLength = headerLength;
    journal.startTime = StartTimeOf(head);
    journal.file = std::move(file);
    left.push_back(std::move(journal));
  }

  // Notes whose journal has gone (its program died between removing the one and the other).
  for (const QFileInfo& info :
       dir.entryInfoList({QStringLiteral("journal-*.taken")}, QDir::Files)) {
    const QString journal = info.filePath().chopped(6) + QStringLiteral(".mx1");
    if (!QFileInfo::exists(journal)) QFile::remove(info.filePath());
  }
  return left;
}

QString KeepAsDatedFile(LeftJournal& journal, int* error) {
  JournalFile& file = journal.file;
  const QString folder = QFileInfo(file.Path()).absolutePath();
  const qint64 headerLength = journal.headerLength;
  // A file of exactly the header and its records, with the header's count telling how many.
  char count[4];
  qToLittleEndian<qint32>(journal.samples, count);
  if (!file.Truncate(headerLength + qint64{journal.samples} * kRecordBytes, error) ||
      !file.WriteAt(headerLength - 4, count, sizeof count, error)) {
    return {};
  }
  if (::fdatasync(file.Fd()) != 0) {
    *error = errno;
    return {};
  }
  // The sidecar is in place before the file takes its name, so that the kept file never goes
  // without it; the journal's own goes once the file is kept.
  const QString journalPath = file.Path();
  QString keptPath;
  const auto keepSidecar = [&](const QString& path) {
    // A name another file holds is not taken: its sidecar stays its own.
    if (QFileInfo::exists(path)) return;
    keptPath = path;
    KeepSidecar(journalPath, path);
  };
  if (!file.MoveToFreeName(folder, DatedName(journal) + QStringLiteral(".mx1"), error,
                           keepSidecar)) {
    if (!keptPath.isEmpty()) ::unlink(QFile::encodeName(SidecarPath(keptPath)).constData());
    return {};
  }
  ::unlink(QFile::encodeName(SidecarPath(journalPath)).constData());
  file.Close();
  return file.Path();
}

void KeepLeftJournals(const QString& folder, std::FILE* err) {
  QStringList unwritable;
  for (LeftJournal& journal : TakeLeftJournals(folder, &unwritable)) {
    const QString from = journal.file.Path();
    int error = 0;
    const QString path = KeepAsDatedFile(journal, &error);
    if (path.isEmpty()) {
      std::fprintf(
          err, "korvale: 前回の測定データ %s を保存できませんでした (%s)。そのまま残します。\n",
          QFile::encodeName(from).constData(), ReasonText(error).toLocal8Bit().constData());
      continue;
    }
    std::fprintf(err, "korvale: 前回の測定データ (%d 件) を %s に保存しました。\n", journal.samples,
                 QFile::encodeName(path).constData());
  }
  for (const QString& path : unwritable) {
    std::fprintf(err,
                 "korvale: 前回の測定データ %s は書き込みできない場所にあるため、そのまま残します"
                 "（「読込み」で開けます）。\n",
                 QFile::encodeName(path).constData());
  }
  std::fflush(err);
}
