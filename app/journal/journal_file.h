// One recording journal on disk: a file descriptor held open with an exclusive lock (flock) for
// as long as this program owns the journal. The kernel drops the lock when the program ends in
// any way, so a journal whose lock can be taken belongs to a program that is no longer running.
#pragma once

#include <sys/types.h>

#include <QString>
#include <cstddef>
#include <cstdint>

class JournalFile {
 public:
  JournalFile() = default;
  // Closes the descriptor (and so releases the lock); the file stays.
  ~JournalFile();
  JournalFile(JournalFile&& other) noexcept;
  JournalFile& operator=(JournalFile&& other) noexcept;
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  // Creates a new, empty, locked journal "journal-<pid>[-<n>].mx1" in folder (made when missing).
  // The file gets its name only once it is locked, so no other program ever sees it unlocked.
  // On failure returns a closed object and sets *error to the errno.
  static JournalFile Create(const QString& folder, int* error);
  // Opens the journal at path (for reading and writing, or for reading only) and takes its lock
  // without waiting. Returns a closed object when another program holds it, when the file went
  // away meanwhile, or when it cannot be opened so.
  static JournalFile LockExisting(const QString& path, bool writable = true);

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  const QString& Path() const { return path_; }
  // The file's length, -1 on failure.
  qint64 Size() const;

  // Writes all of data at offset (retrying short writes). On failure sets *error to the errno;
  // whatever reached the file is a correct prefix of data.
  bool WriteAt(off_t offset, const char* data, size_t len, int* error);
  bool Truncate(off_t size, int* error);
  // Gives the file the first free name of name in folder, "<base>.mx1", "<base>-2.mx1", ...
  // (files/publish.h's GiveFreeName: never replacing an existing file) and keeps it open.
  bool MoveToFreeName(const QString& folder, const QString& name, int* error);
  // Deletes the file and closes it.
  void Remove();
  void Close();

 private:
  JournalFile(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  QString path_;
};
