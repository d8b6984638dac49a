#include "alarm/alarm_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "files/fd_write.h"
#include "files/publish.h"

QByteArray AlarmLogHeader(bool measKind) {
  const QString unit = measKind ? QStringLiteral("μV") : QStringLiteral("℃");
  return QStringLiteral("時刻,ユニット,種類,値 (%1),限界 (%1),状態\n").arg(unit).toUtf8();
}

QByteArray AlarmLogRow(const AlarmEvent& event) {
  const QString row =
      QStringList{AlarmTimeText(event.timeMs), QStringLiteral("ID%1").arg(event.unit),
                  AlarmKindText(event.kind),   AlarmValueText(event),
                  AlarmLimitText(event),       AlarmStateText(event.raised)}
          .join(QLatin1Char(','));
  return (row + QLatin1Char('\n')).toUtf8();
}

QString AlarmLogPathBeside(const QString& savedPath) {
  const QFileInfo info(savedPath);
  const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
  return info.dir().filePath(base + QStringLiteral("-alarms.csv"));
}

bool WriteAlarmLog(const QString& path, const std::vector<AlarmEvent>& events, bool measKind,
                   QString* error) {
  QByteArray bytes = AlarmLogHeader(measKind);
  for (const AlarmEvent& event : events) bytes += AlarmLogRow(event);
  return ReplaceFile(path, bytes, error);
}

bool AppendAlarmLog(const QString& path, const AlarmEvent& event, bool measKind, QString* error) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int failure = errno;
    ::close(fd);
    if (error) *error = QString::fromLocal8Bit(std::strerror(failure));
    return false;
  }
  const off_t before = st.st_size;
  QByteArray bytes;
  if (before == 0) bytes = AlarmLogHeader(measKind);
  // A file that does not end a row (cut by an older program, or by hand) gets its line end first,
  // so that this row stays a row of its own.
  char last = '\n';
  if (before > 0 && ::pread(fd, &last, 1, before - 1) == 1 && last != '\n') bytes += '\n';
  bytes += AlarmLogRow(event);
  int failure = WriteAllToFd(fd, bytes);
  // A row written in part (a full disk, the file-size limit) is taken back whole: the next event
  // is appended at a row's end, not into the torn rest of this one.
  if (failure != 0) {
    while (::ftruncate(fd, before) != 0 && errno == EINTR) {
    }
  }
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0 && error) *error = QString::fromLocal8Bit(std::strerror(failure));
  return failure == 0;
}
