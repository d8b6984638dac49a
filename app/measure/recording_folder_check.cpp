#include "measure/recording_folder_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>

#include "journal/recording_journal.h"

QString FolderWriteProblem(const QString& folder) {
  const QFileInfo info(folder);
  if (info.exists() && !info.isDir()) {
    return QStringLiteral("同じ名前のファイルがあり、フォルダーではありません");
  }
  if (!info.exists() && !QDir().mkpath(folder)) {
    return QStringLiteral("フォルダーを作れません");
  }
  QByteArray probe = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".korvale-XXXXXX")));
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return DiskErrorReason(errno);
  ::close(fd);
  ::unlink(probe.constData());
  return QString();
}

QString RecordingFolderQuestion(const QString& folder, const QString& problem,
                                const QString& spareFolder) {
  const QString where =
      FolderWriteProblem(spareFolder).isEmpty()
          ? QStringLiteral("このまま開始すると、記録のファイルは次のフォルダーに保存します。\n%1")
                .arg(QDir::toNativeSeparators(spareFolder))
          : QStringLiteral(
                "予備のフォルダー %1 にも書き込めないため、このまま開始すると、"
                "記録のファイルは書き込めるようになるまでメモリーに保持します。")
                .arg(QDir::toNativeSeparators(spareFolder));
  return QStringLiteral("連続記録のフォルダーを使えません（%1）。\n%2\n%3\n測定を開始しますか？")
      .arg(problem, QDir::toNativeSeparators(folder), where);
}
