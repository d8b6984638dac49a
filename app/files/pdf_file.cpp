#include "files/pdf_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "files/publish.h"

namespace {

bool Fail(QString* error, const QString& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

bool IsCompletePdf(const QByteArray& bytes) {
  if (!bytes.startsWith("%PDF-")) return false;
  // The file ends with "startxref", the offset of the cross-reference table, and "%%EOF".
  QByteArray tail = bytes.right(64).trimmed();
  if (!tail.endsWith("%%EOF")) return false;
  tail.chop(5);
  const qsizetype at = tail.lastIndexOf("startxref");
  if (at < 0) return false;
  bool ok = false;
  const qlonglong offset = tail.mid(at + 9).trimmed().toLongLong(&ok);
  // A piece lost anywhere before the table moves it away from where the trailer says it is.
  return ok && offset >= 0 && offset < bytes.size() &&
         bytes.mid(static_cast<qsizetype>(offset), 4) == "xref";
}

bool WritePdfFile(const QString& target,
                  const std::function<bool(const QString& renderPath)>& render, QString* error) {
  // Beside the target, created exclusively and readable by the owner only; removed when this
  // function returns.
  const QFileInfo info(target);
  if (!info.dir().exists()) return Fail(error, QStringLiteral("保存先のフォルダーがありません。"));
  QTemporaryFile part(info.absolutePath() + QStringLiteral("/.korvale-XXXXXX.pdf"));
  if (!part.open()) {
    return Fail(error,
                QStringLiteral("一時ファイルを作成できません（%1）。").arg(part.errorString()));
  }
  part.close();
  if (!render(part.fileName())) return false;

  QFile made(part.fileName());
  QByteArray bytes;
  if (made.open(QIODevice::ReadOnly)) bytes = made.readAll();
  if (made.error() != QFileDevice::NoError || !IsCompletePdf(bytes)) {
    return Fail(error,
                QStringLiteral("PDFを最後まで書き込めませんでした（ディスクの空きが足りないか、"
                               "ファイルの大きさの上限を超えた可能性があります）。"));
  }
  return ReplaceFile(target, bytes, error);
}
