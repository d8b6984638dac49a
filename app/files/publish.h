// The two ways every file of the program comes to be seen under its name, so that nobody ever
// finds a part of one:
//
// - Replace (ReplaceFile, ReplacingFile): the file the operator names gets the new bytes, and an
//   existing file of that name is replaced only by a complete new one. The bytes go to a new file
//   created beside the target under a name nobody else holds; every write, the push to the disk
//   and the close are checked, and only then does the new file take the target's name in one
//   step, and the folder's entries are pushed to the disk. On any failure the new file is removed
//   and the target is untouched. A symbolic link is followed: the file it leads to is the one
//   replaced. Anything that is not a regular file (a folder, a device, a pipe) is never replaced.
//
// - Create without replacing (CreateNewFile, GiveFreeName): a file the program names itself (a
//   file of a continuous recording, a kept journal) takes the first free name of "<name>",
//   "<base>-2.<suffix>", "<base>-3.<suffix>", ...; an existing file is never replaced, whoever
//   wrote it. The file is on the disk before it gets the name, and the folder's entries after.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <functional>

// Replaces path with bytes. False with the operator's reason (Japanese) in *error when the file
// could not be written; the existing file, if any, is then unchanged.
bool ReplaceFile(const QString& path, const QByteArray& bytes, QString* error);

// The same replacement for a file made in pieces (a table too large to hold in memory): Open
// creates the new file beside the target, Write appends to it (after a failure nothing more is
// written, and Commit reports it), and Commit pushes it to the disk, closes it and gives it the
// target's name, or removes it. A file not committed is removed when the object goes: the target
// is untouched unless Commit succeeds.
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();

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

// Called with the path each time a file, complete on the disk, is about to get that name.
using BeforeNaming = std::function<void(const QString& path)>;

// Writes bytes as a new file named name (or the first free name after it) in folder, which is
// made when missing. Returns the file's path, or an empty text with *error set to the errno
// (nothing is left behind then).
QString CreateNewFile(const QString& folder, const QString& name, const QByteArray& bytes,
                      int* error, const BeforeNaming& beforeNaming = {});

// Gives the file at written, which is complete on the disk and lies in folder, the first free
// name of name in folder. Returns the new path, or an empty text with *error set to the errno
// (written keeps its name then). An open descriptor of the file stays valid, and so do its locks.
QString GiveFreeName(const QString& written, const QString& folder, const QString& name, int* error,
                     const BeforeNaming& beforeNaming = {});

// Why output must not be written by a conversion that reads input (the operator's reason in
// Japanese), or an empty text: output is, after following links, the same file as input, or it
// exists and is not a regular file.
QString ConversionOutputProblem(const QString& input, const QString& output);
