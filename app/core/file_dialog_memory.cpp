#include "core/file_dialog_memory.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const QString kFolderKey = QStringLiteral("FileDialog/Folder");
const QString kSaveFilterKey = QStringLiteral("FileDialog/SaveFilter");

QSettings Store() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvalle"));
}

}  // namespace

QString LastFileFolder() {
  const QString folder = Store().value(kFolderKey).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberFileFolder(const QString& chosenFile) {
  Store().setValue(kFolderKey, QFileInfo(chosenFile).absolutePath());
}

QString LastSaveFilter() {
  return Store().value(kSaveFilterKey).toString();
}

void RememberSaveFilter(const QString& filter) {
  Store().setValue(kSaveFilterKey, filter);
}
