// What a destination has not acknowledged yet, on disk: a folder of append-only segment files of
// framed records (the exact payloads to send), and the acknowledged position, replaced atomically
// after each acknowledgement. Fully acknowledged segments are deleted. The folder is locked while
// a process uses it; one left by an earlier run (its lock free) is taken over, its records first.
//
// One thread appends (the caller's: a write into the page cache, cheap), another reads and
// acknowledges (the destination's). A record that cannot be written whole (a full disk, a file-size
// limit) is not in the queue at all: the segment is cut back to the last whole record.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class DiskQueue {
 public:
  struct Position {
    int64_t segment = 1;
    int64_t offset = 0;
  };
  struct Record {
    uint8_t kind = 0;
    uint16_t count = 0;  // the samples (or events) it carries
    std::string payload;
    Position end;  // where the next record starts
  };
  static constexpr int64_t kSegmentBytes = int64_t{16} << 20;
  static constexpr size_t kMaxPayload = size_t{64} << 20;

  DiskQueue() = default;
  ~DiskQueue();
  DiskQueue(const DiskQueue&) = delete;
  DiskQueue& operator=(const DiskQueue&) = delete;

  // Opens the queue in root/name, or root/name-2, -3... when another process holds it; takes
  // over what an earlier run left there. False with the reason (Japanese) when none can be used.
  bool Open(const QString& root, const QString& name, QString* error);
  const QString& Folder() const { return folder_; }

  // Appends a record; false, with errno set, when it could not be written.
  bool Append(uint8_t kind, uint16_t count, const char* data, size_t size);
  // Flushes what was appended to the disk (fdatasync); from any thread.
  void Sync();

  // The acknowledged position: the first record not acknowledged.
  Position Acked() const;
  // Reads the record at from into out; false when nothing (whole) is written there yet.
  bool Read(Position from, Record& out);
  // Everything before to has been acknowledged: count more samples or events.
  void Acknowledge(Position to, int64_t count);
  // Samples and events appended and not acknowledged.
  int64_t Waiting() const { return appended_.load() - acknowledged_.load(); }

 private:
  bool TakeFolder(const QString& folder, QString* error);
  // Scans what an earlier run left; returns the records' count after the acknowledged position.
  int64_t TakeOver();
  bool StartSegment(int64_t segment);
  QString SegmentPath(int64_t segment) const;
  // The written size of segment, or -1 when there is no such segment.
  int64_t SegmentSize(int64_t segment) const;
  bool ReaderAt(int64_t segment);
  void WriteAcked(Position to);

  QString folder_;
  int lockFd_ = -1;
  int writeFd_ = -1;  // the caller's thread only, and Sync under mutex_
  int64_t writeSegment_ = 0;
  int64_t writeSize_ = 0;  // the caller's thread only
  mutable std::mutex mutex_;
  std::map<int64_t, int64_t> sizes_;  // every segment not deleted: its whole records' size
  Position acked_;
  int readFd_ = -1;  // the reader's thread only
  int64_t readSegment_ = 0;
  std::atomic<int64_t> appended_{0};
  std::atomic<int64_t> acknowledged_{0};
};
