#include "publish/disk_queue.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

// A record's frame: payload length, a mark against garbage, kind, count (little-endian).
constexpr size_t kHeaderBytes = 8;
constexpr uint8_t kFrameMark = 0xA5;

void PutHeader(char* h, uint32_t size, uint8_t kind, uint16_t count) {
  for (int i = 0; i < 4; ++i) h[i] = static_cast<char>(size >> (8 * i));
  h[4] = static_cast<char>(kFrameMark);
  h[5] = static_cast<char>(kind);
  h[6] = static_cast<char>(count & 0xff);
  h[7] = static_cast<char>(count >> 8);
}

bool ReadHeader(const char* h, uint32_t& size, uint8_t& kind, uint16_t& count) {
  const auto* b = reinterpret_cast<const unsigned char*>(h);
  size = b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24);
  kind = b[5];
  count = static_cast<uint16_t>(b[6] | (b[7] << 8));
  return b[4] == kFrameMark && size <= DiskQueue::kMaxPayload;
}

bool PreadAll(int fd, char* into, size_t size, int64_t at) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, into, size, at);
    if (n <= 0) return false;
    into += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

DiskQueue::~DiskQueue() {
  for (const int fd : {writeFd_, readFd_, lockFd_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool DiskQueue::Open(const QString& root, const QString& name, QString* error) {
  for (int n = 1; n <= 9; ++n) {
    const QString folder =
        root + QLatin1Char('/') + name + (n == 1 ? QString() : QStringLiteral("-%1").arg(n));
    if (!QDir().mkpath(folder)) {
      if (error) {
        *error = QStringLiteral("送信の待ち行列のフォルダーを作れません: %1")
                     .arg(QDir::toNativeSeparators(folder));
      }
      return false;
    }
    if (!TakeFolder(folder, error)) continue;
    const int64_t left = TakeOver();
    appended_ = left;
    if (StartSegment(sizes_.empty() ? 1 : sizes_.rbegin()->first + 1)) return true;
    if (error) {
      *error =
          QStringLiteral("送信の待ち行列に書き込めません（%1）: %2")
              .arg(QString::fromLocal8Bit(std::strerror(errno)), QDir::toNativeSeparators(folder));
    }
    return false;
  }
  if (error && error->isEmpty()) {
    *error = QStringLiteral("送信の待ち行列がすべてほかの記録に使われています: %1")
                 .arg(QDir::toNativeSeparators(root + QLatin1Char('/') + name));
  }
  return false;
}

bool DiskQueue::TakeFolder(const QString& folder, QString* error) {
  const QByteArray lock = QFile::encodeName(folder + QStringLiteral("/lock"));
  const int fd = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) {
      *error =
          QStringLiteral("送信の待ち行列をロックできません（%1）: %2")
              .arg(QString::fromLocal8Bit(std::strerror(errno)), QDir::toNativeSeparators(folder));
    }
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd_ = fd;
  folder_ = folder;
  return true;
}

QString DiskQueue::SegmentPath(int64_t segment) const {
  return folder_ + QStringLiteral("/%1.seg").arg(segment, 10, 10, QLatin1Char('0'));
}

int64_t DiskQueue::TakeOver() {
  QFile ack(folder_ + QStringLiteral("/acked"));
  if (ack.open(QIODevice::ReadOnly)) {
    const QList<QByteArray> parts = ack.readAll().trimmed().split(' ');
    if (parts.size() == 2) acked_ = {parts[0].toLongLong(), parts[1].toLongLong()};
  }
  const QStringList names =
      QDir(folder_).entryList({QStringLiteral("*.seg")}, QDir::Files, QDir::Name);
  int64_t left = 0;
  for (const QString& name : names) {
    const int64_t segment = name.chopped(4).toLongLong();
    const QByteArray path = QFile::encodeName(SegmentPath(segment));
    if (segment < acked_.segment) {
      ::unlink(path.constData());
      continue;
    }
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    // Whole records only: a record cut off by a crash is dropped.
    int64_t at = 0;
    char h[kHeaderBytes];
    uint32_t size;
    uint8_t kind;
    uint16_t count;
    struct stat st {};
    ::fstat(fd, &st);
    while (at + static_cast<int64_t>(kHeaderBytes) <= st.st_size && PreadAll(fd, h, sizeof h, at) &&
           ReadHeader(h, size, kind, count) &&
           at + static_cast<int64_t>(kHeaderBytes + size) <= st.st_size) {
      const bool unsent = segment > acked_.segment || at >= acked_.offset;
      if (unsent) left += count;
      at += static_cast<int64_t>(kHeaderBytes + size);
    }
    if (at < st.st_size) (void)!::ftruncate(fd, at);
    ::close(fd);
    sizes_[segment] = at;
  }
  if (sizes_.empty() || sizes_.begin()->first > acked_.segment) {
    acked_ = {sizes_.empty() ? 1 : sizes_.begin()->first, 0};
  }
  return left;
}

bool DiskQueue::StartSegment(int64_t segment) {
  const QByteArray path = QFile::encodeName(SegmentPath(segment));
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::lock_guard<std::mutex> hold(mutex_);
  if (writeFd_ >= 0) ::close(writeFd_);
  writeFd_ = fd;
  writeSegment_ = segment;
  writeSize_ = 0;
  sizes_[segment] = 0;
  return true;
}

bool DiskQueue::Append(uint8_t kind, uint16_t count, const char* data, size_t size) {
  if (size > kMaxPayload) {
    errno = EFBIG;
    return false;
  }
  if (writeFd_ < 0 || (writeSize_ >= kSegmentBytes && !StartSegment(writeSegment_ + 1))) {
    if (writeFd_ < 0) errno = EBADF;
    return false;
  }
  char header[kHeaderBytes];
  PutHeader(header, static_cast<uint32_t>(size), kind, count);
  std::string frame;
  frame.reserve(kHeaderBytes + size);
  frame.append(header, kHeaderBytes).append(data, size);
  if (!WriteAll(writeFd_, frame.data(), frame.size())) {
    const int error = errno;
    (void)!::ftruncate(writeFd_, writeSize_);
    errno = error;
    return false;
  }
  writeSize_ += static_cast<int64_t>(frame.size());
  appended_ += count;
  std::lock_guard<std::mutex> hold(mutex_);
  sizes_[writeSegment_] = writeSize_;
  return true;
}

void DiskQueue::Sync() {
  int fd;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    fd = writeFd_ >= 0 ? ::fcntl(writeFd_, F_DUPFD_CLOEXEC, 0) : -1;
  }
  if (fd < 0) return;
  ::fdatasync(fd);
  ::close(fd);
}

DiskQueue::Position DiskQueue::Acked() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return acked_;
}

int64_t DiskQueue::SegmentSize(int64_t segment) const {
  std::lock_guard<std::mutex> hold(mutex_);
  const auto it = sizes_.find(segment);
  return it == sizes_.end() ? -1 : it->second;
}

bool DiskQueue::ReaderAt(int64_t segment) {
  if (readFd_ >= 0 && readSegment_ == segment) return true;
  if (readFd_ >= 0) ::close(readFd_);
  readFd_ = ::open(QFile::encodeName(SegmentPath(segment)).constData(), O_RDONLY | O_CLOEXEC);
  readSegment_ = segment;
  return readFd_ >= 0;
}

bool DiskQueue::Read(Position from, Record& out) {
  int64_t size = SegmentSize(from.segment);
  // The end of a segment that is no longer written: the next one goes on.
  while (size >= 0 && from.offset >= size) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (from.segment >= writeSegment_) return false;
      const auto next = sizes_.upper_bound(from.segment);
      if (next == sizes_.end()) return false;
      from = {next->first, 0};
    }
    size = SegmentSize(from.segment);
  }
  if (size < 0 || !ReaderAt(from.segment)) return false;
  char h[kHeaderBytes];
  uint32_t length;
  if (!PreadAll(readFd_, h, sizeof h, from.offset) || !ReadHeader(h, length, out.kind, out.count))
    return false;
  out.payload.resize(length);
  if (!PreadAll(readFd_, out.payload.data(), length, from.offset + int64_t{kHeaderBytes}))
    return false;
  out.end = {from.segment, from.offset + static_cast<int64_t>(kHeaderBytes + length)};
  return true;
}

void DiskQueue::Acknowledge(Position to, int64_t count) {
  std::vector<int64_t> done;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    acked_ = to;
    for (auto it = sizes_.begin(); it != sizes_.end() && it->first < to.segment;) {
      done.push_back(it->first);
      it = sizes_.erase(it);
    }
  }
  acknowledged_ += count;
  for (const int64_t segment : done) {
    if (segment == readSegment_ && readFd_ >= 0) {
      ::close(readFd_);
      readFd_ = -1;
    }
    ::unlink(QFile::encodeName(SegmentPath(segment)).constData());
  }
  WriteAcked(to);
}

void DiskQueue::WriteAcked(Position to) {
  const QByteArray path = QFile::encodeName(folder_ + QStringLiteral("/acked"));
  const QByteArray temporary = path + ".new";
  const QByteArray text = QByteArray::number(static_cast<qlonglong>(to.segment)) + ' ' +
                          QByteArray::number(static_cast<qlonglong>(to.offset)) + '\n';
  const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const bool written = WriteAll(fd, text.constData(), static_cast<size_t>(text.size()));
  ::close(fd);
  if (written) ::rename(temporary.constData(), path.constData());
}
