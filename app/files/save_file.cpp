#include "files/save_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
  auto fail = [error](const QString& reason) {
    if (error) *error = reason;
    return false;
  };
  const QFileInfo info(path);
  if (info.isDir()) return fail(QStringLiteral("同じ名前のフォルダーがあります。"));
  if (!info.dir().exists()) return fail(QStringLiteral("保存先のフォルダーがありません。"));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return fail(QStringLiteral("ファイルを作成できません（書き込みの権限がありません）。"));
  }
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return fail(QStringLiteral(
        "書き込み中にエラーが発生しました（ディスクの空きが足りない可能性があります）。"));
  }
  if (!file.commit()) {
    return fail(
        QStringLiteral("書き込みを完了できません（ディスクの空きが足りない可能性があります）。"));
  }
  return true;
}
