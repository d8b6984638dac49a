#include "print/private_picture_file.h"

#include <QDir>
#include <QFile>

PrivatePictureFile::PrivatePictureFile() {
  // QDir::tempPath() is empty when TMPDIR names no directory: then there is no private place, and
  // nothing is created elsewhere instead.
  const QString temp = QDir::tempPath();
  if (temp.isEmpty()) return;
  auto dir = std::make_unique<QTemporaryDir>(temp + QStringLiteral("/korvale-print-XXXXXX"));
  // QTemporaryDir creates the directory for its owner only; insist on it in case of an odd umask.
  if (!dir->isValid() ||
      !QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
    return;
  }
  auto file = std::make_unique<QTemporaryFile>(dir->filePath(QStringLiteral("graph-XXXXXX.pic")));
  // QTemporaryFile creates the file exclusively, with read and write for the owner only.
  if (!file->open()) return;
  file->close();  // the chart writes the picture by its path
  dir_ = std::move(dir);
  file_ = std::move(file);
}

QString PrivatePictureFile::Path() const {
  return file_ ? file_->fileName() : QString();
}
