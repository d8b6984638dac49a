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

#include "files/save_file.h"

namespace {

// Writes all of bytes to fd, through interrupted and partial writes.
bool WriteAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

}  // namespace

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
  bool ok = WriteAll(fd, bytes);
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok && error) *error = QString::fromLocal8Bit(std::strerror(saved));
  return ok;
}
