#include "files/publish.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "files/fd_write.h"

namespace {

QString ErrorText(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("ディスクの空きが足りません");
    case EFBIG:
      return QStringLiteral("ファイルの大きさの上限を超えました");
    case EACCES:
    case EPERM:
      return QStringLiteral("書き込みの権限がありません");
    case EROFS:
      return QStringLiteral("読み取り専用の場所です");
    case EIO:
      return QStringLiteral("ディスクの読み書きに失敗しました");
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

bool Fail(QString* error, const QString& reason) {
  if (error) *error = reason;
  return false;
}

// The file a save to path replaces: path itself, or the file its links lead to. False with the
// reason when there is no such place or the file there may not be replaced. *mode is the existing
// file's permission bits, or -1 for a new file.
bool ResolveTarget(const QString& path, QByteArray& target, int* mode, QString* error) {
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0) {
    const int failure = errno;
    if (failure != ENOENT) {
      return Fail(error, QStringLiteral("保存先を確認できません（%1）。").arg(ErrorText(failure)));
    }
    struct stat dir {};
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::stat(folder.constData(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
      return Fail(error, QStringLiteral("保存先のフォルダーがありません。"));
    }
    target = native;
    *mode = -1;
    return true;
  }
  if (S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (!::realpath(native.constData(), resolved) || ::stat(resolved, &st) != 0) {
      return Fail(error, QStringLiteral("リンク先のファイルがありません。"));
    }
    target = resolved;
  } else {
    target = native;
  }
  if (S_ISDIR(st.st_mode)) return Fail(error, QStringLiteral("同じ名前のフォルダーがあります。"));
  if (!S_ISREG(st.st_mode)) {
    return Fail(error, QStringLiteral("通常のファイルではないため上書きできません。"));
  }
  *mode = static_cast<int>(st.st_mode & 0777);
  return true;
}

}  // namespace

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
  StreamedFile file;
  if (!file.Open(path, error)) return false;
  file.Write(bytes.constData(), static_cast<size_t>(bytes.size()));
  return file.Commit(error);
}

StreamedFile::~StreamedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!part_.isEmpty()) ::unlink(part_.constData());
}

bool StreamedFile::Open(const QString& path, QString* error) {
  int mode = -1;
  if (!ResolveTarget(path, target_, &mode, error)) return false;
  QByteArray part =
      QFile::encodeName(QFileInfo(QFile::decodeName(target_)).absolutePath()) + "/.korvale-XXXXXX";
  // Created exclusively under an unpredictable name: nothing of anybody else's is opened.
  fd_ = ::mkostemp(part.data(), O_CLOEXEC);
  if (fd_ < 0) {
    return Fail(error, QStringLiteral("ファイルを作成できません（%1）。").arg(ErrorText(errno)));
  }
  part_ = part;
  // A replaced file keeps its permissions; a new one gets the usual ones.
  if (mode < 0) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = static_cast<int>(0666 & ~mask);
  }
  ::fchmod(fd_, static_cast<mode_t>(mode));
  return true;
}

bool StreamedFile::Write(const char* data, size_t size) {
  if (fd_ < 0 || failure_ != 0) return false;
  failure_ = WriteAllToFd(fd_, QByteArray::fromRawData(data, static_cast<qsizetype>(size)));
  return failure_ == 0;
}

bool StreamedFile::Commit(QString* error) {
  if (fd_ < 0) return Fail(error, QStringLiteral("ファイルが開かれていません。"));
  int failure = failure_;
  QString step = QStringLiteral("書き込み中にエラーが発生しました（%1）。");
  if (failure == 0 && ::fsync(fd_) != 0) {
    failure = errno;
    step = QStringLiteral("ディスクへの書き込みを完了できません（%1）。");
  }
  // close() reports errors that the file system only finds out at the end (network file systems).
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 && failure == 0) {
    failure = errno;
    step = QStringLiteral("ディスクへの書き込みを完了できません（%1）。");
  }
  if (failure == 0 && ::rename(part_.constData(), target_.constData()) != 0) {
    failure = errno;
    step = QStringLiteral("ファイルを置き換えられません（%1）。");
  }
  if (failure != 0) {
    ::unlink(part_.constData());
    part_.clear();
    return Fail(error, step.arg(ErrorText(failure)));
  }
  part_.clear();
  SyncFolder(QFileInfo(QFile::decodeName(target_)).absolutePath());
  return true;
}

QString ConversionOutputProblem(const QString& input, const QString& output) {
  struct stat out {};
  if (::stat(QFile::encodeName(output).constData(), &out) != 0) return QString();
  if (S_ISDIR(out.st_mode)) return QStringLiteral("同じ名前のフォルダーがあります。");
  if (!S_ISREG(out.st_mode)) return QStringLiteral("通常のファイルではないため上書きできません。");
  struct stat in {};
  if (::stat(QFile::encodeName(input).constData(), &in) == 0 && in.st_dev == out.st_dev &&
      in.st_ino == out.st_ino) {
    return QStringLiteral("入力ファイルと同じファイルには書き出せません。");
  }
  return QString();
}
