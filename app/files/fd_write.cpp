#include "files/fd_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

int WriteSomeToFd(int fd, const char* data, size_t size, size_t* written) {
  *written = 0;
  for (;;) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0 && size > 0) return ENOSPC;
    *written = static_cast<size_t>(n);
    return 0;
  }
}

int WriteAllToFd(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    size_t n = 0;
    if (const int failure = WriteSomeToFd(fd, p, left, &n); failure != 0) return failure;
    p += n;
    left -= n;
  }
  return 0;
}

int WriteAllToFdAt(int fd, const char* data, size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    data += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return 0;
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}
