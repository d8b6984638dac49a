#include "journal/disk_sync.h"

#include <unistd.h>

#include <cerrno>

DiskSync::~DiskSync() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DiskSync::Request(int fd) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    fd_ = fd;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

void DiskSync::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return fd_ < 0 && !busy_; });
}

int DiskSync::TakeError() {
  std::lock_guard<std::mutex> lock(mutex_);
  const int e = error_;
  error_ = 0;
  return e;
}

void DiskSync::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || fd_ >= 0; });
    if (fd_ < 0) return;  // quit with nothing pending
    const int fd = fd_;
    fd_ = -1;
    busy_ = true;
    lock.unlock();
    int r;
    do {
      r = ::fdatasync(fd);
    } while (r != 0 && errno == EINTR);
    const int e = r == 0 ? 0 : errno;
    lock.lock();
    busy_ = false;
    if (e != 0 && error_ == 0) error_ = e;
    idle_.notify_all();
  }
}
