#include "headless/record_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QList>
#include <cerrno>

namespace {

// The value of key among the whole lines of text, empty when there is none.
QString ValueOf(const QByteArray& text, const QByteArray& key) {
  const QList<QByteArray> lines = text.left(text.lastIndexOf('\n') + 1).split('\n');
  for (const QByteArray& line : lines) {
    if (line.startsWith(key + '=')) return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
  }
  return {};
}

}  // namespace

RecordFolderLock::~RecordFolderLock() {
  if (fd_ < 0) return;
  // Still holding the lock, so that no recorder that takes it next finds its lines emptied.
  (void)!::ftruncate(fd_, 0);
  ::close(fd_);
}

QString RecordFolderLock::PathIn(const QString& folder) {
  return QDir(folder).filePath(QStringLiteral(".korvale-record.lock"));
}

RecordFolderLock::Outcome RecordFolderLock::Take(const QString& folder, const QDateTime& start) {
  const QByteArray path = QFile::encodeName(PathIn(folder));
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = errno;
    return Outcome::Failed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error_ = errno;
    char text[4096];
    const ssize_t n = ::pread(fd, text, sizeof text, 0);
    ::close(fd);
    if (error_ != EWOULDBLOCK) return Outcome::Failed;
    const QByteArray lines = n > 0 ? QByteArray(text, static_cast<int>(n)) : QByteArray();
    holderPid_ = ValueOf(lines, "pid");
    holderStart_ = ValueOf(lines, "start");
    return Outcome::Held;
  }
  fd_ = fd;
  const QDateTime local = start.toLocalTime();
  lines_ = "pid=" + QByteArray::number(static_cast<qint64>(::getpid())) + "\nstart=" +
           local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toUtf8() + '\n';
  (void)!::ftruncate(fd_, 0);
  Write();
  return Outcome::Locked;
}

void RecordFolderLock::NameJournal(const QString& journal) {
  if (fd_ < 0 || lines_.contains("\njournal=")) return;
  lines_ += "journal=" + QFile::encodeName(journal) + '\n';
  Write();
}

void RecordFolderLock::Write() {
  // The lines only grow, so a reader at any moment finds whole lines followed by at most a part of
  // the next one. Lines that do not get written leave the lock held all the same; others then only
  // cannot name this recorder.
  (void)!::pwrite(fd_, lines_.constData(), static_cast<size_t>(lines_.size()), 0);
}

QString FolderHeldText(const QString& folder, const RecordFolderLock& lock) {
  const QString who =
      lock.HolderPid().isEmpty()
          ? QStringLiteral("開始したばかりの記録")
          : QStringLiteral("プロセス %1、%2 から")
                .arg(lock.HolderPid(), lock.HolderStart().isEmpty() ? QStringLiteral("開始時刻不明")
                                                                    : lock.HolderStart());
  return QStringLiteral(
             "記録フォルダー %1 には別の記録（%2）が記録中です。別のフォルダーを指定して"
             "ください。")
      .arg(QDir::toNativeSeparators(folder), who);
}
