#include "files/publish.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
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

// Writes bytes to a new file at path and pushes them to the disk; sets *error on failure.
bool WriteSynced(const QByteArray& path, const QByteArray& bytes, int* error) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = errno;
    return false;
  }
  *error = WriteAllToFd(fd, bytes);
  if (*error == 0 && ::fdatasync(fd) != 0) *error = errno;
  bool ok = *error == 0;
  if (::close(fd) != 0 && ok) {
    *error = errno;
    ok = false;
  }
  return ok;
}

// Gives the written file at temp the name target, unless a file has it. 0 when done, EEXIST
// when the name is taken, otherwise the errno.
int RenameNoReplace(const QByteArray& temp, const QByteArray& target) {
  if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
      0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system that cannot rename without replacing (FAT on a memory stick): the name is
  // checked first, which is enough for files only this program writes.
  if (::access(target.constData(), F_OK) == 0) return EEXIST;
  return ::rename(temp.constData(), target.constData()) == 0 ? 0 : errno;
}

// The n-th name of name: name itself, then "<base>-<n>.<suffix>".
QString NumberedName(const QString& name, int n) {
  if (n == 1) return name;
  const QFileInfo info(name);
  return QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix());
}

// Names tried before a folder is taken as full of them.
constexpr int kMaxNumberedNames = 100000;

}  // namespace

bool ReplaceFile(const QString& path, const QByteArray& bytes, QString* error) {
  ReplacingFile file;
  if (!file.Open(path, error)) return false;
  file.Write(bytes.constData(), static_cast<size_t>(bytes.size()));
  return file.Commit(error);
}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!part_.isEmpty()) ::unlink(part_.constData());
}

bool ReplacingFile::Open(const QString& path, QString* error) {
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

bool ReplacingFile::Write(const char* data, size_t size) {
  if (fd_ < 0 || failure_ != 0) return false;
  failure_ = WriteAllToFd(fd_, QByteArray::fromRawData(data, static_cast<qsizetype>(size)));
  return failure_ == 0;
}

bool ReplacingFile::Commit(QString* error) {
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

QString CreateNewFile(const QString& folder, const QString& name, const QByteArray& bytes,
                      int* error, const BeforeNaming& beforeNaming) {
  errno = 0;
  if (!QDir().mkpath(folder)) {
    *error = QFileInfo(folder).exists() ? ENOTDIR : (errno != 0 ? errno : EACCES);
    return QString();
  }
  static std::atomic<unsigned> serial{0};
  const QString temp =
      QStringLiteral("%1/.korvale-%2-%3.part").arg(folder).arg(::getpid()).arg(serial.fetch_add(1));
  const QByteArray tempName = QFile::encodeName(temp);
  if (!WriteSynced(tempName, bytes, error)) {
    ::unlink(tempName.constData());
    return QString();
  }
  const QString path = GiveFreeName(temp, folder, name, error, beforeNaming);
  if (path.isEmpty()) ::unlink(tempName.constData());
  return path;
}

QString GiveFreeName(const QString& written, const QString& folder, const QString& name, int* error,
                     const BeforeNaming& beforeNaming) {
  const QByteArray from = QFile::encodeName(written);
  for (int n = 1; n <= kMaxNumberedNames; ++n) {
    const QString path = folder + QLatin1Char('/') + NumberedName(name, n);
    if (beforeNaming) beforeNaming(path);
    const int result = RenameNoReplace(from, QFile::encodeName(path));
    if (result == EEXIST) continue;
    if (result != 0) {
      *error = result;
      return QString();
    }
    SyncFolder(folder);
    return path;
  }
  *error = EEXIST;
  return QString();
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
