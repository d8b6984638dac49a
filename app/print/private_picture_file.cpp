#include "print/private_picture_file.h"

#include <QDir>
#include <QFile>

namespace {

// The directory's name pattern under the system's temporary directory. An unusable temporary
// directory (QDir::tempPath() is empty when TMPDIR names none) must not put it at the root.
QString DirTemplate() {
  const QString temp = QDir::tempPath();
  if (temp.isEmpty()) return QStringLiteral("/nonexistent/korvale-print-XXXXXX");
  return temp + QStringLiteral("/korvale-print-XXXXXX");
}

}  // namespace

PrivatePictureFile::PrivatePictureFile() : dir_(DirTemplate()) {
  if (!dir_.isValid()) return;
  // QTemporaryDir creates the directory for its owner only; insist on it in case of an odd umask.
  if (!QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
    return;
  }
  auto file = std::make_unique<QTemporaryFile>(dir_.filePath(QStringLiteral("graph-XXXXXX.pic")));
  // QTemporaryFile creates the file exclusively, with read and write for the owner only.
  if (!file->open()) return;
  file->close();  // the chart writes the picture by its path
  file_ = std::move(file);
}

PrivatePictureFile::~PrivatePictureFile() {
  // The file goes first, then the directory with anything left in it.
  file_.reset();
  dir_.remove();
}

QString PrivatePictureFile::Path() const {
  return file_ ? file_->fileName() : QString();
}
