#include "journal/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>

#include "files/fd_write.h"
#include "files/publish.h"

namespace {

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

}  // namespace

JournalFile::~JournalFile() {
  Close();
}

JournalFile::JournalFile(JournalFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

JournalFile& JournalFile::operator=(JournalFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

JournalFile JournalFile::Create(const QString& folder, int* error) {
  errno = 0;
  if (!QDir().mkpath(folder)) {
    *error = errno ? errno : EACCES;
    return {};
  }
  QByteArray tmp = Native(folder + QStringLiteral("/.journal-XXXXXX"));
  const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return {};
  }
  JournalFile file(fd, QFile::decodeName(tmp));
  // mkostemp makes the file private; a journal kept as a data file gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *error = errno;
    file.Remove();
    return {};
  }
  if (!file.MoveToFreeName(folder, QStringLiteral("journal-%1.mx1").arg(::getpid()), error)) {
    file.Remove();
    return {};
  }
  return file;
}

JournalFile JournalFile::LockExisting(const QString& path, bool writable) {
  const QByteArray native = Native(path);
  const int fd =
      ::open(native.constData(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return {};
  JournalFile file(fd, path);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return {};
  // The owner may have removed or renamed the file between our open and our lock: only the file
  // that still has this name counts.
  struct stat held {};
  struct stat named {};
  if (::fstat(fd, &held) != 0 || ::stat(native.constData(), &named) != 0 ||
      held.st_dev != named.st_dev || held.st_ino != named.st_ino || !S_ISREG(held.st_mode)) {
    return {};
  }
  return file;
}

qint64 JournalFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool JournalFile::WriteAt(off_t offset, const char* data, size_t len, int* error) {
  const int failure = WriteAllToFdAt(fd_, data, len, offset);
  if (failure != 0) *error = failure;
  return failure == 0;
}

bool JournalFile::Truncate(off_t size, int* error) {
  while (::ftruncate(fd_, size) != 0) {
    if (errno == EINTR) continue;
    *error = errno;
    return false;
  }
  return true;
}

bool JournalFile::MoveToFreeName(const QString& folder, const QString& name, int* error) {
  const QString path = GiveFreeName(path_, folder, name, error);
  if (path.isEmpty()) return false;
  path_ = path;
  return true;
}

void JournalFile::Remove() {
  if (fd_ < 0) return;
  // Unlinked while still locked: no other program can take the name's file for a left journal.
  ::unlink(Native(path_).constData());
  Close();
}

void JournalFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}
