// Writing a whole file so that an existing file of that name is replaced only by a complete new
// one. The bytes go to a new file created beside the target under a name nobody else holds; every
// write, the push to the disk and the close are checked, and only then does the new file take the
// target's name in one step. On any failure the new file is removed and the target is untouched.
// A symbolic link is followed: the file it leads to is the one replaced. Anything that is not a
// regular file (a folder, a device, a pipe) is never replaced.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>

// False with the operator's reason (Japanese) in *error when the file could not be written; the
// existing file, if any, is then unchanged.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);

// The same write for a file made in pieces (a table too large to hold in memory): Open creates
// the new file beside the target, Write appends to it (after a failure nothing more is written,
// and Commit reports it), and Commit pushes it to the disk, closes it and gives it the target's
// name, or removes it. A file not committed is removed when the object goes: the target is
// untouched unless Commit succeeds.
class StreamedFile {
 public:
  StreamedFile() = default;
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;
  ~StreamedFile();

  // False with the operator's reason when the new file cannot be made for path.
  bool Open(const QString& path, QString* error);
  // False once a write has failed.
  bool Write(const char* data, size_t size);
  // False with the operator's reason when anything since Open failed.
  bool Commit(QString* error);

 private:
  QByteArray target_;  // the file replaced
  QByteArray part_;    // the new file, until it is renamed or removed
  int fd_ = -1;
  int failure_ = 0;  // the errno of the first failed write
};

// Why output must not be written by a conversion that reads input (the operator's reason in
// Japanese), or an empty text: output is, after following links, the same file as input, or it
// exists and is not a regular file.
QString ConversionOutputProblem(const QString& input, const QString& output);
