#include "core/recording_settings.h"

#include <QDir>

QString DefaultRecordingFolder() {
  return QDir::homePath() + QStringLiteral("/korvale-records");
}

QString RecordingFolder(const RecordingSettings& settings) {
  const QString folder = settings.Folder.trimmed();
  if (folder.isEmpty()) return DefaultRecordingFolder();
  // "~/..." as a shell would read it: typed in the dialog, nobody expands it.
  if (folder == QLatin1String("~")) return QDir::homePath();
  if (folder.startsWith(QLatin1String("~/"))) return QDir::homePath() + folder.mid(1);
  return folder;
}
