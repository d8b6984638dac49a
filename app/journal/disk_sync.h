// Pushes a file's written data to the disk (fdatasync) on a thread of its own, so that a slow disk
// never holds up the user-interface thread. Requests that arrive while a push runs are merged
// into one further push.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class DiskSync {
 public:
  DiskSync() = default;
  // Waits for a running push and ends the thread.
  ~DiskSync();
  DiskSync(const DiskSync&) = delete;
  DiskSync& operator=(const DiskSync&) = delete;

  // Asks for a push of fd; returns at once. The thread starts with the first request.
  void Request(int fd);
  // Returns once no push is pending or running: call before fd is closed or reused.
  void Drain();
  // The errno of the first push that failed since the last call, 0 when none did.
  int TakeError();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::thread thread_;
  int fd_ = -1;        // the file to push next, -1 when nothing is pending
  bool busy_ = false;  // a push is running
  bool quit_ = false;
  int error_ = 0;
};
