#include "core/file_names.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

QString FilterExtension(const QString& filter) {
  const QString pattern = filter.section(QLatin1Char('|'), 1, 1).section(QLatin1Char(';'), 0, 0);
  const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return QString();
  const QString extension = pattern.mid(dot + 1).trimmed();
  return extension.contains(QLatin1Char('*')) ? QString() : extension;
}

QString WithFilterExtension(const QString& path, const QString& filter) {
  const QString extension = FilterExtension(filter);
  if (path.isEmpty() || extension.isEmpty()) return path;
  if (QFileInfo(path).fileName().contains(QLatin1Char('.'))) return path;
  return path + QLatin1Char('.') + extension;
}

QString SuggestedFileName(const QString& startTime, const QString& filter) {
  static const QRegularExpression time(
      QStringLiteral(R"(^\s*(\d{4})/(\d{1,2})/(\d{1,2}) +(\d{1,2}):(\d{1,2}):(\d{1,2})\s*$)"));
  const QRegularExpressionMatch m = time.match(startTime);
  if (!m.hasMatch()) return QString();
  const auto at = [&m](int i) { return m.captured(i).toInt(); };
  const QDate date(at(1), at(2), at(3));
  const QTime clock(at(4), at(5), at(6));
  if (!date.isValid() || !clock.isValid()) return QString();
  const QString name = date.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('-') +
                       clock.toString(QStringLiteral("HHmmss"));
  const QString extension = FilterExtension(filter);
  return extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
}
