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
#include "files/save_file.h"

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
  return WriteWholeFile(path, bytes, error);
}

bool AppendAlarmLog(const QString& path, const AlarmEvent& event, bool measKind, QString* error) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  struct stat st {};
  QByteArray bytes;
  if (::fstat(fd, &st) == 0 && st.st_size == 0) bytes = AlarmLogHeader(measKind);
  bytes += AlarmLogRow(event);
  int failure = WriteAllToFd(fd, bytes);
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0 && error) *error = QString::fromLocal8Bit(std::strerror(failure));
  return failure == 0;
}
