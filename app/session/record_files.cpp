#include "session/record_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include "core/module_data.h"
#include "files/data_file.h"
#include "files/fd_write.h"

namespace {

constexpr qsizetype kRecordBytes = 32;

// Writes bytes to a new file at path and pushes them to the disk; sets *error on failure.
bool WriteSynced(const QByteArray& path, const QByteArray& bytes, int* error) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = errno;
    return false;
  }
  *error = WriteAllToFd(fd, bytes);
  if (*error == 0 && ::fdatasync(fd) != 0) *error = errno;
  bool ok = *error == 0;
  if (::close(fd) != 0 && ok) {
    *error = errno;
    ok = false;
  }
  return ok;
}

// Gives the written file at temp the name target, unless a file has it. 0 when done, EEXIST
// when the name is taken, otherwise the errno.
int RenameNoReplace(const QByteArray& temp, const QByteArray& target) {
  if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
      0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system that cannot rename without replacing (FAT on a memory stick): the name is
  // checked first, which is enough for files only this program writes.
  if (::access(target.constData(), F_OK) == 0) return EEXIST;
  return ::rename(temp.constData(), target.constData()) == 0 ? 0 : errno;
}

}  // namespace

QString RecordFileName(const QDateTime& runStart, int32_t number) {
  return runStart.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
         QStringLiteral("-%1.mx1").arg(number, 4, 10, QLatin1Char('0'));
}

QByteArray EncodeRecordSet(const ModuleData& md) {
  const int32_t count = std::clamp<int32_t>(md.Record.SampleCount, 0, RecordSet::MaxData);
  QByteArray out = EncodeDataHeader(md, count);
  out.reserve(out.size() + count * kRecordBytes);
  for (int32_t k = 1; k <= count; ++k) AppendDataRecord(out, md, k);
  return out;
}

QString WriteNewFile(const QString& folder, const QString& name, const QByteArray& bytes,
                     int* error, const std::function<void(const QString&)>& beforeNaming) {
  errno = 0;
  if (!QDir().mkpath(folder)) {
    *error = QFileInfo(folder).exists() ? ENOTDIR : (errno != 0 ? errno : EACCES);
    return QString();
  }
  static std::atomic<unsigned> serial{0};
  const QString temp =
      QStringLiteral("%1/.korvale-%2-%3.part").arg(folder).arg(::getpid()).arg(serial.fetch_add(1));
  const QByteArray tempName = QFile::encodeName(temp);
  if (!WriteSynced(tempName, bytes, error)) {
    ::unlink(tempName.constData());
    return QString();
  }
  const QString base = QFileInfo(name).completeBaseName();
  const QString suffix = QFileInfo(name).suffix();
  for (int n = 1;; ++n) {
    const QString path = folder + QLatin1Char('/') +
                         (n == 1 ? name : QStringLiteral("%1-%2.%3").arg(base).arg(n).arg(suffix));
    if (beforeNaming) beforeNaming(path);
    const int result = RenameNoReplace(tempName, QFile::encodeName(path));
    if (result == EEXIST) continue;
    if (result != 0) {
      *error = result;
      ::unlink(tempName.constData());
      return QString();
    }
    SyncFolder(folder);
    return path;
  }
}
